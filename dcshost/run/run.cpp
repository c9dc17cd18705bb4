// A run in steps a reader can follow, a file each: prepare (the files,
// length, plant, wiring), bind (load, fill, DCSConfigure, DCSInitialize,
// DCSStart), step (the steps; then DCSStop, DCSReset, release), write (the
// files) and judge (the summary, the findings, the verdict).
#include "dcshost/run/run.h"

#include <cstdio>

#include "dcshost/run/run_state.h"

namespace {

int RunAll(RunState& run)
{
    if (int code = Prepare(run); code != kExitClean) return code;
    if (int code = Bind(run); code != kExitClean) {
        if (code != kExitConfigureFailed) return code;
        // A failed configuration is a result too: the messages say why.
        run.configure_failed = true;
        WriteRecording(run);
        WriteCallLog(run);
        std::printf("%s", run.written.c_str());
        WriteJson(run, Judge(Found(run)));
        return Judge(Found(run)).code;
    }
    Execute(run);
    Finish(run);
    // The call log first: its part, which a full disk may have cut, makes room.
    WriteRecording(run);
    WriteCallLog(run);
    WriteTrends(run);
    Summarize(run);
    std::printf("%s", run.written.c_str());
    Compare(run);
    WriteJson(run, Judge(Found(run)));
    Verdict verdict = Judge(Found(run));
    std::printf("run: %s%s\n", verdict.words, run.session.Live() ? " (live run)" : "");
    return verdict.code;
}

}  // namespace

int RunScenario(const Scenario& scenario, const RunOptions& options)
{
    RunState run(scenario, options);
    int code = RunAll(run);
    run.made.RemoveEmpty();
    return code;
}
