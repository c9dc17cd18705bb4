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
    const std::vector<Option> rows = {
        {"REC",
         "the recording (run --record, or the recorder module's)",
         File(&o->recording),
         {Required()}},
        {"--scenario",
         "the base scenario: its PID blocks find the loops, and --out writes it with the "
         "fitted values",
         File(&o->base)},
        {"--out", "write the fitted scenario to FILE", File(&o->out)},
        {"--json", "write the result for machines to FILE", File(&o->json)},
        {"--plant", "fit each loop's process too: first order with dead time, or integrating",
         Flag(&o->plant)},
        {"--step",
         "seconds per step (0.001 to 3600), for a recording without T lines (over its "
         "wall-clock lines)",
         Number(&o->step),
         {Range(limits::kMinStep, limits::kMaxStep, "s")}},
        {"--force", "let --out and --json replace existing files", Flag(&o->force)},
    };
    return AddOptions(command, rows, [o] { return CalibrateRecording(*o); });
}
