// `dcshost calibrate`: its options and the calibration.
#include <memory>
#include <string>

#include "dcshost/calibrate/calibrate.h"
#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/scenario/limits.h"

CommandBody DefineCalibrate(CLI::App& command)
{
    auto o = std::make_shared<CalibrateOptions>();
    AddOptions(
        command,
        {
            {"REC", "the recording (run --record, or the recorder module's)", &o->recording,
             std::nullopt, kRequired | kNotEmpty},
            {"--scenario",
             "the base scenario: its PID blocks find the loops, and --out writes it with the "
             "fitted values",
             &o->base, std::nullopt, kNotEmpty},
            {"--out", "write the fitted scenario to FILE", &o->out, std::nullopt, kNotEmpty},
            {"--json", "write the result for machines to FILE", &o->json, std::nullopt, kNotEmpty},
            {"--plant", "fit each loop's process too: first order with dead time, or integrating",
             &o->plant},
            {"--step",
             "seconds per step (0.001 to 3600), for a recording without T or wall-clock lines",
             &o->step, Within(limits::kMinStep, limits::kMaxStep, "s")},
            {"--force", "let --out and --json replace existing files", &o->force},
        });
    return [o] { return CalibrateRecording(*o); };
}
