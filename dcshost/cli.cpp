#include "dcshost/cli.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "dcshost/check.h"
#include "dcshost/driver_loader.h"
#include "dcshost/files.h"
#include "dcshost/generate.h"
#include "dcshost/interrupt.h"
#include "dcshost/limits.h"
#include "dcshost/run.h"
#include "dcshost/scenario.h"
#include "dcshost/session.h"
#include "dcshost/version_info.h"

namespace {

bool Load(const std::string& name, Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    if (LoadScenario(name, scenario, errors)) return true;
    for (const ScenarioError& error : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(error).c_str());
    return false;
}

// "plant/unit.toml" -> "unit"; the built-in scenario is "default".
std::string Stem(const std::string& name)
{
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

// A number within lo..hi; NaN and infinities are refused with the range.
CLI::Validator Within(double lo, double hi, const std::string& unit = "")
{
    return CLI::Validator(
        [lo, hi, unit](std::string& text) -> std::string {
            double value = 0.0;
            if (!CLI::detail::lexical_cast(text, value)) return "'" + text + "' is not a number";
            if (InRange(value, lo, hi)) return "";
            return RangeMessage("the value", value, lo, hi, unit);
        },
        "");
}

// A file option given as '' would be dropped without a word, or name the
// current folder.
CLI::Validator NotEmpty()
{
    return CLI::Validator(
        [](std::string& text) { return text.empty() ? "an empty name names no file" : ""; }, "");
}

// --name: the trend files' stem, never a way out of --out.
CLI::Validator FileStem()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (text.find_first_of("/\\:") != std::string::npos || text == "." || text == "..")
                return "'" + text + "' is a path; a file name is wanted (the folder is --out's)";
            return "";
        },
        "");
}

int Dispatch(int argc, const char* const* argv)
{
    CLI::App app{
        "dcshost - runs a plant closed-loop through the Vornak DCS driver, as a host does"};
    app.require_subcommand(1);
    // "/path" is a path, also on Windows (Wine passes Unix paths through).
    app.allow_windows_style_options(false);
    std::string driver = DefaultDriverPath();
    std::string scenario_name;

    RunOptions run_options;
    bool no_trends = false;
    CLI::App* run = app.add_subcommand("run", "run a scenario through the driver");
    run->add_option("SCENARIO", scenario_name, "scenario file, or \"default\" for the built-in one")
        ->required()
        ->check(NotEmpty());
    run->add_option("--driver", driver, "the driver module")
        ->capture_default_str()
        ->check(NotEmpty());
    run->add_option("--out", run_options.out_dir, "directory for the trend files")
        ->capture_default_str()
        ->check(NotEmpty());
    run->add_option("--name", run_options.out_name,
                    "file stem of the trend files (default: the scenario's)")
        ->check(NotEmpty())
        ->check(FileStem());
    run->add_option("--require-settled", run_options.settle_tolerance,
                    "exit 4 unless every loop ends within this percentage of its final setpoint")
        ->check(Within(0.0, limits::kMaxPercent, "%"));
    run->add_option("--duration", run_options.duration, "seconds to run instead of the scenario's")
        ->check(Within(limits::kMinStep, limits::kMaxStep * limits::kMaxSteps, "s"));
    CLI::Option* chart_loops =
        run->add_option("--chart-loops", run_options.chart.count, "loops drawn in the SVG")
            ->capture_default_str()
            ->check(CLI::Range(0, limits::kMaxChartLoops));
    run->add_option_function<std::string>(
           "--chart",
           [&run_options](const std::string& text) {
               std::string error;
               ParseChartChoice(text, run_options.chart, error);
           },
           "the loops drawn in the SVG: first:N or worst:N (furthest from their setpoints)")
        ->check(CLI::Validator(
            [](std::string& text) {
                ChartChoice choice;
                std::string error;
                return ParseChartChoice(text, choice, error) ? std::string() : error;
            },
            "first:N|worst:N"))
        ->excludes(chart_loops);
    run->add_option("--loops", run_options.loops,
                    "the loops in the trend files: names or globs (* ?), comma-separated");
    run->add_flag("--no-trends", no_trends, "write no trend files");
    run->add_option("--log-calls", run_options.call_log,
                    "write every entry point, client-library call and host message to FILE")
        ->check(NotEmpty());
    run->add_option("--json", run_options.json, "write the result for machines to FILE")
        ->check(NotEmpty());
    run->add_option("--compare", run_options.compare,
                    "exit 5 when a PV, SP or OP leaves the band around this reference trend CSV")
        ->check(NotEmpty());
    run->add_option("--tolerance", run_options.tolerance,
                    "--compare's band: relative above magnitude 1, absolute below")
        ->capture_default_str()
        ->check(Within(0.0, 1e6));
    bool no_settle_wait = false;
    run->add_flag("--no-settle-wait", no_settle_wait,
                  "let the driver's ten-second settle pass at once (its calls still happen)");

    CLI::App* check = app.add_subcommand(
        "check", "bind a scenario's tag list only and report every binding failure");
    check->add_option("SCENARIO", scenario_name, "scenario file, or \"default\"")
        ->required()
        ->check(NotEmpty());
    check->add_option("--driver", driver, "the driver module")
        ->capture_default_str()
        ->check(NotEmpty());
    check->add_flag("--no-settle-wait", no_settle_wait, "let the settle pass at once");

    int rows = limits::kMaxRows;
    std::string out_file;
    CLI::App* generate = app.add_subcommand("generate", "write a scenario for scale runs");
    generate->add_option("--rows", rows, "rows in each table (the driver binds at most 2000)")
        ->capture_default_str()
        ->check(CLI::Range(1, limits::kMaxRows));
    generate->add_option("FILE", out_file, "the scenario file to write")
        ->required()
        ->check(NotEmpty());

    std::string module_path;
    CLI::App* version = app.add_subcommand(
        "version-info", "print the DCS entries of a driver module's version resource");
    version->add_option("MODULE", module_path, "the driver module")->required()->check(NotEmpty());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kExitClean : kExitBadScenario;
    }

    if (*run || *check) {
        Scenario scenario;
        if (!Load(scenario_name, scenario)) return kExitBadScenario;
        if (*check) return CheckScenario(scenario, CheckOptions{driver, !no_settle_wait});
        run_options.driver_path = driver;
        run_options.trends = !no_trends;
        run_options.settle_wait = !no_settle_wait;
        if (run_options.out_name.empty()) run_options.out_name = Stem(scenario_name);
        InterruptGuard ctrl_c;
        return RunScenario(scenario, run_options);
    }
    if (*generate) {
        std::string error;
        if (!WriteTextFile(out_file, GenerateScaleScenario(rows), error)) {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            return kExitBadScenario;
        }
        std::printf("%s: scale scenario with %d rows in each table\n", out_file.c_str(), rows);
        return kExitClean;
    }
    return PrintVersionInfo(module_path);
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv)
{
    // An exception escaping main ends differently on Linux and Windows: it
    // gets one exit code of its own here.
    try {
        return Dispatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "dcshost: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dcshost: %s\n", error.what());
    }
    return kExitInternal;
}
