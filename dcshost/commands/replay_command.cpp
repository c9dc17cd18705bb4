// `dcshost replay`: its options (run's output options where they mean the
// same), and the replay.
#include <memory>
#include <string>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/replay/replay.h"
#include "module/driver_loader.h"

namespace {

struct ReplayArgs {
    ReplayOptions options;
    bool no_trends = false;
};

}  // namespace

CommandBody DefineReplay(CLI::App& command)
{
    auto args = std::make_shared<ReplayArgs>();
    ReplayOptions& o = args->options;
    o.driver_path = DefaultDriverPath();
    AddOptions(
        command,
        {
            {"FILE", "the recording", &o.recording, std::nullopt, kRequired | kNotEmpty},
            {"--driver", "the driver module to replay it against", &o.driver_path, std::nullopt,
             kShowDefault | kNotEmpty},
            {"--out", "directory for the trend files", &o.out_dir, std::nullopt,
             kShowDefault | kNotEmpty},
            {"--name",
             "the trend files are NAME.replay.trend.csv and .svg (default: the recording's stem)",
             &o.out_name, FileStem(), kNotEmpty},
            {"--no-trends", "write no trend files", &args->no_trends},
            {"--json", "write the result for machines to FILE", &o.json, std::nullopt, kNotEmpty},
        });
    return [args] {
        args->options.trends = !args->no_trends;
        return ReplayRecording(args->options);
    };
}
