// `dcshost run`: its options, and what it does with them before the run.
#include <cstdio>
#include <memory>
#include <string>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/commands/run.h"
#include "dcshost/exit_codes.h"
#include "dcshost/host/interrupt.h"
#include "dcshost/host/pacing.h"
#include "dcshost/host/recovery.h"
#include "dcshost/outputs/views.h"
#include "dcshost/scenario/limits.h"
#include "module/driver_loader.h"

namespace {

struct RunArgs {
    std::string scenario;
    std::string driver = DefaultDriverPath();
    RunOptions options;
    std::string chart;  // --chart first:N|worst:N; empty: --chart-loops
    bool no_trends = false;
    bool no_settle_wait = false;
    std::string on_loss = "continue";
    double reconnect_every = 0.0;  // 0: not given
    std::string speed;             // --speed F|max; empty: --realtime or the run's default
    bool realtime = false;
};

// "plant/unit.toml" -> "unit"; the built-in scenario is "default".
std::string Stem(const std::string& name)
{
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

CLI::Validator IsOnLoss()
{
    return CLI::Validator(
        [](std::string& text) {
            OnLoss ignored;
            return ParseOnLoss(text, ignored) ? std::string()
                                              : "'" + text + "': continue, stop or reconfigure";
        },
        "continue|stop|reconfigure");
}

CLI::Validator IsSpeed()
{
    return CLI::Validator(
        [](std::string& text) {
            double speed = 0;
            if (text != "max" && !IsDecimal(text))
                return "'" + text + "' is neither a decimal number nor max";
            return ParseSpeed(text, speed);
        },
        "F|max");
}

CLI::Validator IsChartChoice()
{
    return CLI::Validator(
        [](std::string& text) {
            ChartChoice choice;
            std::string error;
            return ParseChartChoice(text, choice, error) ? std::string() : error;
        },
        "first:N|worst:N");
}

int Run(RunArgs& args)
{
    if (args.reconnect_every > 0.0 && args.on_loss != "reconfigure") {
        std::fprintf(stderr, "dcshost: --reconnect-every acts only with --on-loss reconfigure\n");
        return kExitBadScenario;
    }
    Scenario scenario;
    if (!LoadNamedScenario(args.scenario, scenario)) return kExitBadScenario;
    RunOptions& options = args.options;
    std::string ignored;  // checked where it entered
    if (!args.chart.empty()) ParseChartChoice(args.chart, options.chart, ignored);
    if (!args.speed.empty()) ParseSpeed(args.speed, options.speed);
    if (args.realtime) options.speed = 1.0;
    options.driver_path = args.driver;
    options.trends = !args.no_trends;
    options.settle_wait = !args.no_settle_wait;
    ParseOnLoss(args.on_loss, options.on_loss);
    if (args.reconnect_every > 0.0) options.reconnect_every = args.reconnect_every;
    if (options.out_name.empty()) options.out_name = Stem(args.scenario);
    if (args.scenario != "default") options.scenario_file = args.scenario;
    InterruptGuard ctrl_c;
    return RunScenario(scenario, options);
}

}  // namespace

CommandBody DefineRun(CLI::App& command)
{
    auto args = std::make_shared<RunArgs>();
    RunOptions& o = args->options;
    AddOptions(
        command,
        {
            {"SCENARIO", "scenario file, or \"default\" for the built-in one", &args->scenario,
             std::nullopt, kRequired | kNotEmpty},
            {"--driver", "the driver module", &args->driver, std::nullopt,
             kShowDefault | kNotEmpty},
            {"--out", "directory for the trend files", &o.out_dir, std::nullopt,
             kShowDefault | kNotEmpty},
            {"--name", "file stem of the trend files (default: the scenario's)", &o.out_name,
             FileStem(), kNotEmpty},
            {"--require-settled",
             "exit 4 unless every loop ends within this percentage of its final setpoint",
             &o.settle_tolerance, Within(0.0, limits::kMaxPercent, "%")},
            {"--duration", "seconds to run instead of the scenario's", &o.duration,
             Above(0.0, "s", "a run takes " + RunLengthRange())},
            {"--chart-loops", "loops drawn in the SVG", &o.chart.count,
             Within(0, limits::kMaxChartLoops), kShowDefault},
            {"--chart",
             "the loops drawn in the SVG: first:N or worst:N (furthest from their setpoints)",
             &args->chart, IsChartChoice(), 0, "--chart-loops"},
            {"--loops", "the loops in the trend files: names or globs (* ?), comma-separated",
             &o.loops},
            {"--no-trends", "write no trend files", &args->no_trends},
            {"--log-calls", "write every entry point, client-library call and host message to FILE",
             &o.call_log, std::nullopt, kNotEmpty},
            {"--record", "record the session to FILE (gzip) for a replay", &o.record, std::nullopt,
             kNotEmpty},
            {"--force", "let --record replace an existing file", &o.force, std::nullopt, 0, nullptr,
             "--record"},
            {"--json", "write the result for machines to FILE", &o.json, std::nullopt, kNotEmpty},
            {"--compare",
             "exit 5 when a PV, SP or OP leaves the band around this reference trend CSV",
             &o.compare, std::nullopt, kNotEmpty},
            {"--tolerance", "--compare's band: relative above magnitude 1, absolute below",
             &o.tolerance, Within(0.0, 1e6), kShowDefault, nullptr, "--compare"},
            {"--no-settle-wait",
             "let the driver's ten-second settle pass at once (its calls still happen)",
             &args->no_settle_wait},
            {"--on-loss",
             "when the coupling is lost: continue, stop (exit 8), or reconfigure (the host's "
             "lifecycle again until every tag binds)",
             &args->on_loss, IsOnLoss(), kShowDefault},
            {"--reconnect-every", "seconds of the run between reconfigure tries (default 10)",
             &args->reconnect_every, Within(limits::kMinStep, limits::kMaxStep, "s")},
            {"--speed",
             "simulated seconds per wall-clock second, 0.1 to 100, or max (default: 1 in live "
             "runs, max in simulated ones)",
             &args->speed, IsSpeed()},
            {"--realtime", "step on the wall clock: --speed 1", &args->realtime, std::nullopt, 0,
             "--speed"},
        });
    return [args] { return Run(*args); };
}
