// The host's binding: load, fill, DCSConfigure, DCSInitialize, DCSStart.
#include <cstdio>

#include "dcshost/run/run_state.h"

int Bind(RunState& run)
{
    if (int loaded = run.session.Load(run.options.driver_path); loaded != kExitClean) return loaded;
    if (run.session.Live()) {
        std::printf(
            "live run: the client library %s has no control API; nothing is defined, "
            "injected or advanced, the modes are what DCSStart switched the loops to\n",
            Vnx().path.c_str());
        run.wiring.modes_from_host = true;
    }
    if (!run.options.call_log.empty()) {
        std::string error;
        if (!run.calls.Open(run.options.call_log, error)) {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            return kExitBadScenario;
        }
        run.session.SetCallLog(&run.calls);
    }
    if (!run.options.record.empty()) {
        std::string error;
        if (!run.session.Record(run.options.record, error)) {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            return kExitBadScenario;
        }
    }
    int opened = run.session.Open(run.scenario, run.options.driver_path);
    if (opened != kExitClean) return opened;
    HostBlock& block = run.session.Block();
    // The plant starts at rest on the outputs the host holds before binding.
    Gather(block, run.signals);
    run.plant.Start(run.step, run.signals);
    run.upsets.Export(0.0, block, run.plant, run.wiring, run.signals,
                      run.calls.IsOpen() ? &run.calls : nullptr);

    int32_t configured = run.session.Configure(run.options.settle_wait);
    if (configured != 1) {
        std::printf("DCSConfigure failed (result %d); the driver has released everything\n",
                    configured);
        run.message_count = run.session.Log().Total();
        run.messages = run.session.Log().Groups();
        run.left = run.session.Close();
        std::printf("%s\n", DescribeLeftovers(run.left).c_str());
        return kExitConfigureFailed;
    }
    std::printf("DCSConfigure: every tag bound\n");
    run.values.Setup(run.scenario);
    // Stopped in the settle: nothing is written to the control system.
    if (InterruptRequested()) return kExitClean;
    run.started = true;
    if (run.session.Live())
        run.values.CheckInitialize(block);
    else
        run.values.Attach();
    run.session.Call(REC_INITIALIZE);
    run.session.Call(REC_START);
    std::printf("DCSInitialize, DCSStart: starting values written, controllers switched on\n");
    std::fflush(stdout);
    return kExitClean;
}
