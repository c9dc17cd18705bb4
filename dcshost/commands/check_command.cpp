// `dcshost check`: its options, and the check.
#include <memory>
#include <string>

#include "dcshost/commands/command.h"
#include "dcshost/commands/common_options.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "dcshost/run/check.h"
#include "module/driver_loader.h"

CommandBody DefineCheck(CLI::App& command)
{
    struct CheckArgs {
        std::string scenario;
        CheckOptions options{DefaultDriverPath()};
    };
    auto args = std::make_shared<CheckArgs>();
    const std::vector<Option> rows = {
        {"SCENARIO", "scenario file, or \"default\"", File(&args->scenario), {Required()}},
        DriverOption(&args->options.driver_path),
        NoSettleWaitOption(&args->options.settle_wait, "let the settle pass at once"),
    };
    return AddOptions(command, rows, [args] {
        Scenario scenario;
        if (!LoadNamedScenario(args->scenario, scenario)) return int{kExitBadScenario};
        return CheckScenario(scenario, args->options);
    });
}
