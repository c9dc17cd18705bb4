// `dcshost check`: its options, and the check.
#include <memory>
#include <string>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "dcshost/host/driver_loader.h"
#include "dcshost/run/check.h"

CommandBody DefineCheck(CLI::App& command)
{
    struct CheckArgs {
        std::string scenario;
        std::string driver = DefaultDriverPath();
        bool no_settle_wait = false;
    };
    auto args = std::make_shared<CheckArgs>();
    AddOptions(command,
               {
                   {"SCENARIO", "scenario file, or \"default\"", &args->scenario, std::nullopt,
                    kRequired | kNotEmpty},
                   {"--driver", "the driver module", &args->driver, std::nullopt,
                    kShowDefault | kNotEmpty},
                   {"--no-settle-wait", "let the settle pass at once", &args->no_settle_wait},
               });
    return [args] {
        Scenario scenario;
        if (!LoadNamedScenario(args->scenario, scenario)) return int{kExitBadScenario};
        return CheckScenario(scenario, CheckOptions{args->driver, !args->no_settle_wait});
    };
}
