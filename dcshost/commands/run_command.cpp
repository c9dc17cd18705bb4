// `dcshost run`: its options, and what it does with them before the run.
#include <memory>
#include <string>

#include "dcshost/commands/command.h"
#include "dcshost/commands/common_options.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "dcshost/host/interrupt.h"
#include "dcshost/host/pacing.h"
#include "dcshost/host/recovery.h"
#include "dcshost/outputs/views.h"
#include "dcshost/run/run.h"
#include "dcshost/scenario/limits.h"
#include "module/driver_loader.h"

namespace {

struct RunArgs {
    std::string scenario;
    RunOptions options;
};

std::string ReadOnLoss(const std::string& text, OnLoss& on_loss)
{
    return ParseOnLoss(text, on_loss) ? "" : "'" + text + "': continue, stop or reconfigure";
}

std::string ReadSpeed(const std::string& text, double& speed)
{
    if (text != "max" && !IsDecimal(text))
        return "'" + text + "' is neither a decimal number nor max";
    return ParseSpeed(text, speed);
}

std::string ReadChart(const std::string& text, ChartChoice& chart)
{
    std::string error;
    return ParseChartChoice(text, chart, error) ? "" : error;
}

int Run(RunArgs& args)
{
    Scenario scenario;
    if (!LoadNamedScenario(args.scenario, scenario)) return kExitBadScenario;
    RunOptions& options = args.options;
    if (args.scenario != "default") options.scenario_file = args.scenario;
    InterruptGuard ctrl_c;
    return RunScenario(scenario, options);
}

}  // namespace

CommandBody DefineRun(CLI::App& command)
{
    auto args = std::make_shared<RunArgs>();
    RunOptions& o = args->options;
    o.driver_path = DefaultDriverPath();
    const std::vector<Option> rows = {
        {"SCENARIO",
         "scenario file, or \"default\" for the built-in one",
         File(&args->scenario),
         {Required()}},
        DriverOption(&o.driver_path),
        OutOption(&o.out_dir),
        NameOption(&o.out_name, "file stem of the trend files (default: the scenario's)"),
        {"--require-settled",
         "exit 4 unless every loop ends within this percentage of its final setpoint",
         Number(&o.settle_tolerance),
         {Range(0.0, limits::kMaxPercent, "%")}},
        {"--duration",
         "seconds to run instead of the scenario's",
         Number(&o.duration),
         {Above(0.0, "s", "a run takes " + RunLengthRange())}},
        {"--chart-loops",
         "loops drawn in the SVG",
         Whole(&o.chart.count),
         {Range(0, limits::kMaxChartLoops), ShowDefault()}},
        {"--chart",
         "the loops drawn in the SVG: first:N or worst:N (furthest from their setpoints)",
         Choice(&o.chart, "first:N|worst:N", ReadChart),
         {Excludes("--chart-loops")}},
        {"--loops", "the loops in the trend files: names or globs (* ?), comma-separated",
         Text(&o.loops)},
        NoTrendsOption(&o.trends),
        {"--log-calls", "write every entry point, client-library call and host message to FILE",
         File(&o.call_log)},
        {"--record", "record the session to FILE (gzip) for a replay", File(&o.record)},
        {"--force", "let --record replace an existing file", Flag(&o.force), {Needs("--record")}},
        JsonOption(&o.json),
        {"--compare", "exit 5 when a PV, SP or OP leaves the band around this reference trend CSV",
         File(&o.compare)},
        {"--tolerance",
         "--compare's band: relative above magnitude 1, absolute below",
         Number(&o.tolerance),
         {Range(0.0, 1e6), ShowDefault(), Needs("--compare")}},
        NoSettleWaitOption(&o.settle_wait,
                           "let the driver's ten-second settle pass at once (its calls still "
                           "happen)"),
        {"--on-loss",
         "when the coupling is lost: continue, stop (exit 8), or reconfigure (the host's "
         "lifecycle again until every tag binds)",
         Choice(&o.on_loss, "continue|stop|reconfigure", ReadOnLoss, OnLossName),
         {ShowDefault()}},
        {"--reconnect-every",
         "seconds of the run between reconfigure tries (default 10)",
         Number(&o.reconnect_every),
         {Range(limits::kMinStep, limits::kMaxStep, "s"), Needs("--on-loss", "reconfigure")}},
        {"--speed",
         "simulated seconds per wall-clock second, 0.1 to 100, or max (default: 1 in live runs, "
         "max in simulated ones)",
         Choice(&o.speed, "F|max", ReadSpeed)},
        {"--realtime",
         "step on the wall clock: --speed 1",
         Sets(&o.speed, 1.0),
         {Excludes("--speed")}},
    };
    return AddOptions(command, rows, [args] { return Run(*args); });
}
