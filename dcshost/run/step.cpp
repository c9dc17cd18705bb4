// The steps of the run, then the host's end of it (DCSStop to FreeDCSData).
#include <cstdio>

#include "dcshost/control/read_jitter.h"
#include "dcshost/run/run_state.h"

namespace {

void Sample(RunState& run, double time, int faults, bool coupled = true)
{
    SampleLoops(run.session.Block(), run.wiring, run.loop_samples, run.import_samples);
    if (coupled) run.exchanged = run.loop_samples;
    run.figures.Add(time, run.step, run.loop_samples);
    if (!run.record) return;
    const std::vector<unsigned char>& hit = run.upsets.LoopsHit();
    for (size_t i = 0; i < run.trend_loops.size(); ++i) {
        run.trend_samples[i] = run.loop_samples[run.trend_loops[i]];
        run.trend_upsets[i] = run.trend_loops[i] < hit.size() && hit[run.trend_loops[i]];
    }
    run.trend.Sample(time, run.trend_samples, run.import_samples, faults, coupled,
                     run.upsets.Active(), run.trend_upsets);
}

void CollectResults(RunState& run)
{
    for (size_t i = 0; i < run.scenario.controllers.size(); ++i) {
        LoopResult loop;
        loop.name = run.scenario.controllers[i].name;
        loop.active = run.scenario.controllers[i].active;
        loop.has_pv = run.wiring.loop_pv[i] >= 0;
        // Without coupling at the end, what the control system holds is
        // unknown: the last exchanged values, marked stale.
        loop.stale = run.coupling.Lost();
        const LoopSample& known = loop.stale ? run.exchanged[i] : run.loop_samples[i];
        loop.sp = known.sp;
        loop.pv = run.loop_samples[i].pv;
        loop.op_percent = known.op;
        loop.mode = known.mode;
        loop.error_percent = loop.has_pv ? ErrorPercent(loop.pv, loop.sp) : 0.0;
        run.results.push_back(loop);
    }
}

}  // namespace

// One host step: the plant moves on what the host last read, the driver
// sends its PVs and reads OP and SP, then the control system's blocks scan
// on those PVs. An output therefore reaches the plant one step after the
// scan that made it, as with a real sampled coupling.
void Execute(RunState& run)
{
    HostBlock& block = run.session.Block();
    run.figures.Setup(run.scenario.controllers.size(), SettleBand(run.options));
    run.faults = FaultSchedule(run.scenario);
    FaultSchedule& faults = run.faults;
    CallLog* calls = run.calls.IsOpen() ? &run.calls : nullptr;
    if (run.record) {
        std::vector<std::string> names;
        for (size_t i : run.trend_loops) names.push_back(run.wiring.loop_names[i]);
        run.trend.Setup(names, run.wiring.import_names, faults.Any(), run.upsets.Any());
    }
    OperatorEvents events(run.scenario);
    ReadJitter jitter(run.scenario);
    events.Report(calls);
    events.ApplyDue(0.0);
    faults.ApplyDue(0.0, calls);
    Sample(run, 0.0, faults.Active());

    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginRun(run.steps, run.step, run.scenario.run.progress_every);
    run.session.Log().SetWatch([&run](const ReceivedMessage& m) { run.coupling.Note(m); });
    RecoveryOptions recovery{
        run.options.on_loss, run.options.reconnect_every, run.options.settle_wait, {}};
    for (size_t i = 0; i < run.scenario.imports.size(); ++i)
        if (run.scenario.imports[i].mapping == "Controller Mode")
            recovery.mode_imports.push_back(static_cast<int>(i));
    run.recovery.Setup(recovery);
    Pacer pacer(run.options.clock ? *run.options.clock : MonotonicClock(), run.step,
                ChooseSpeed(run.options.speed, run.session.Live()));
    pacer.Begin();
    for (int k = 1; k <= run.steps; ++k) {
        pacer.WaitFor(k);
        if (InterruptRequested()) {
            run.interrupted = true;
            break;
        }
        run.session.SetTime(k * run.step);
        run.values.SetTime(k * run.step);
        Gather(block, run.signals);
        run.plant.Advance(run.signals);
        run.upsets.Export(k * run.step, block, run.plant, run.wiring, run.signals, calls);
        if (run.session.Live()) run.values.CheckExports(block);
        // A late exchange: the scans due before it have run.
        const double late = jitter.Next();
        if (late > 0.0) Vnx().VnxSimAdvance(late);
        run.coupling.BeginStep();
        if (run.recovery.Exchanging())
            run.session.Call(REC_SIMULATE);
        else
            run.coupling.Skip();
        bool lost = run.coupling.EndStep(k * run.step);
        Vnx().VnxSimAdvance(run.step - late);
        events.ApplyDue(k * run.step);
        faults.ApplyDue(k * run.step, calls);
        Sample(run, k * run.step, faults.Active(), !lost);
        pacer.Done(k);
        progress.RunStep(k, pacer.Elapsed());
        run.steps_done = k;
        if (!run.recovery.AfterStep(run.session, run.values, k * run.step, lost)) break;
    }
    progress.EndRun();
    run.pacing = pacer.Figures();
    run.session.Log().SetWatch(nullptr);
    if (run.interrupted)
        std::printf("interrupted (%s) at t = %g s, after step %d of %d%s\n", InterruptName(),
                    run.steps_done * run.step, run.steps_done, run.steps,
                    run.started ? "" : ", before DCSInitialize");
}

// The host's end of the run: DCSStop to FreeDCSData.
void Finish(RunState& run)
{
    CollectResults(run);
    if (run.started) run.session.Call(REC_STOP);
    const double end = run.steps_done * run.step;
    run.fault_outcomes = run.faults.Outcomes(end);
    run.upset_outcomes = run.upsets.Outcomes(end);
    run.session.Call(REC_RESET);
    run.values.Detach();
    std::printf("%sDCSReset, DCSDestroy, FreeDCSData\n", run.started ? "DCSStop, " : "");
    const MessageLog& log = run.session.Log();
    run.message_count = log.Total();
    run.messages = log.Groups();
    run.left = run.session.Close();
}
