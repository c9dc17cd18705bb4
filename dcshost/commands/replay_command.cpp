// `dcshost replay`: its options (run's output options where they mean the
// same), and the replay.
#include <memory>

#include "dcshost/commands/command.h"
#include "dcshost/commands/common_options.h"
#include "dcshost/commands/options.h"
#include "dcshost/replay/replay.h"
#include "module/driver_loader.h"

CommandBody DefineReplay(CLI::App& command)
{
    auto options = std::make_shared<ReplayOptions>();
    ReplayOptions& o = *options;
    o.driver_path = DefaultDriverPath();
    const std::vector<Option> rows = {
        {"FILE", "the recording", File(&o.recording), {Required()}},
        DriverOption(&o.driver_path, "the driver module to replay it against"),
        OutOption(&o.out_dir),
        NameOption(&o.out_name,
                   "the trend files are NAME.replay.trend.csv and .svg (default: the recording's "
                   "stem)"),
        NoTrendsOption(&o.trends),
        JsonOption(&o.json),
    };
    return AddOptions(command, rows, [options] { return ReplayRecording(*options); });
}
