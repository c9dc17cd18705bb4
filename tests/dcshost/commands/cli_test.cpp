// The command line as a user meets it: every bad number, file or option is
// refused where it enters with what is wrong and the allowed range (exit 2),
// before anything is loaded or sized.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcshost/commands/cli.h"
#include "dcshost/commands/generate.h"
#include "dcshost/host/session.h"
#include "dcshost/scenario/scenario.h"

namespace {

using Edits = std::vector<std::pair<std::string, std::string>>;

// The built-in scenario with texts replaced (the first of each; an empty
// "from": the whole text), written to a file.
std::string WriteEdited(const std::string& name, const Edits& edits)
{
    std::string text = DefaultScenarioText();
    for (const auto& [from, to] : edits) {
        if (from.empty()) {  // the whole text
            text = to;
            continue;
        }
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    std::string path = ::testing::TempDir() + "cli_" + name + ".toml";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct Refusal {
    const char* name;
    std::vector<std::string> args;  // "FILE": the edited scenario
    Edits edits;                    // of the built-in scenario, for FILE
    std::string message;            // a line of standard error, in part
    int exit_code;
};

int RunCli(std::vector<std::string> args, std::string& err)
{
    std::vector<const char*> argv{"dcshost"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    int code = RunCommandLine(static_cast<int>(argv.size()), argv.data());
    std::fflush(stderr);
    err = ::testing::internal::GetCapturedStderr();
    (void)::testing::internal::GetCapturedStdout();
    return code;
}

}  // namespace

TEST(Cli, refuses_every_bad_number_file_and_option_with_its_range)
{
    const std::string dir = ::testing::TempDir();
    const std::string empty = dir + "cli_empty.toml";
    std::ofstream(empty, std::ios::binary).close();
    const std::string rows2001 = dir + "cli_rows2001.toml";
    std::ofstream(rows2001, std::ios::binary) << GenerateScaleScenario(2001);
    const Refusal cases[] =
    { {"duration_beyond_the_step_limit",
       {"run", "default", "--duration", "1e9"},
       {},
       "dcshost: --duration is 1000000000 s, 1000000000 steps of 1 s; a run takes 1 to "
       "10,000,000 steps",
       kExitBadScenario},
      {"duration_beyond_any_run",
       {"run", "default", "--duration", "1e300"},
       {},
       "dcshost: --duration is 1e+300 s, 1e+300 steps of 1 s; a run takes 1 to 10,000,000 steps",
       kExitBadScenario},
      {"duration_that_overflowed_the_progress",
       {"run", "default", "--duration", "2.2e7"},
       {},
       "--duration is 22000000 s, 22000000 steps of 1 s",
       kExitBadScenario},
      {"duration_nan",
       {"run", "default", "--duration", "nan"},
       {},
       "dcshost: --duration: the value is nan s; it must be above 0 s: a run takes 1 to "
       "10,000,000 steps",
       kExitBadScenario},
      // A run is whole steps; numbers are decimal; each refusal in dcshost's words.
      {"duration_half_a_step",
       {"run", "default", "--duration", "0.5"},
       {},
       "dcshost: --duration is 0.5 s, not a whole number of steps of 1 s; the nearest: 1 s (1 "
       "step)\n",
       kExitBadScenario},
      {"duration_between_steps",
       {"run", "default", "--duration", "1.5"},
       {},
       "the nearest: 1 s (1 step) or 2 s (2 steps)",
       kExitBadScenario},
      {"duration_in_hex",
       {"run", "default", "--duration", "0x10"},
       {},
       "dcshost: --duration: '0x10' is not a decimal number",
       kExitBadScenario},
      {"speed_in_hex",
       {"run", "default", "--speed", "0x10"},
       {},
       "'0x10' is neither a decimal number nor max",
       kExitBadScenario},
      {"rows_not_whole",
       {"generate", "--rows", "5.5", dir + "cli_never.toml"},
       {},
       "dcshost: --rows: '5.5' is not a whole number",
       kExitBadScenario},
      {"an_option_twice",
       {"run", "default", "--duration", "5", "--duration", "6"},
       {},
       "dcshost: --duration is given 2 times; give it once\n(dcshost run --help lists",
       kExitBadScenario},
      {"an_option_of_no_command",
       {"run", "default", "--durations", "5"},
       {},
       "dcshost: run does not take --durations 5\n",
       kExitBadScenario},
      {"options_that_exclude_each_other",
       {"run", "default", "--chart", "first:2", "--chart-loops", "3"},
       {},
       "dcshost: --chart-loops and --chart exclude each other: give one",
       kExitBadScenario},
      {"no_command", {}, {}, "dcshost: name a command (run, check, replay,", kExitBadScenario},
      {"a_scenario_to_compare_with",
       {"run", "default", "--compare", "FILE"},
       {},
       "its first line does not start with time_s: not a trend CSV of dcshost (--compare takes "
       "the NAME.trend.csv a run wrote)",
       kExitBadScenario},
      {"an_event_after_a_shortened_run",
       {"run", "default", "--duration", "100"},
       {},
       "error: the event at 300 s on 'TIC103.SP' lies after the end of the run (100 s): it would "
       "never act",
       kExitBadScenario},
      {"settle_tolerance_negative",
       {"run", "default", "--require-settled", "-5"},
       {},
       "--require-settled: the value is -5 %; it must lie between 0 and 100 %",
       kExitBadScenario},
      // An option that would do nothing in this run.
      {"tolerance_without_compare",
       {"run", "default", "--tolerance", "0.1"},
       {},
       "dcshost: --tolerance acts only with --compare",
       kExitBadScenario},
      {"reconnect_without_reconfigure",
       {"run", "default", "--on-loss", "stop", "--reconnect-every", "5"},
       {},
       "dcshost: --reconnect-every acts only with --on-loss reconfigure",
       kExitBadScenario},
      {"chart_of_every_loop",
       {"run", "default", "--chart-loops", "2000"},
       {},
       "dcshost: --chart-loops: the value is 2000; it must lie between 0 and 50",
       kExitBadScenario},
      {"chart_past_what_opens",
       {"run", "default", "--chart", "worst:51"},
       {},
       "--chart: 'worst:51' is not first:N or worst:N with N from 0 to 50",
       kExitBadScenario},
      {"loops_that_name_nothing",
       {"run", "default", "--loops", "LIC*,XIC*"},
       {},
       "dcshost: --loops: 'XIC*' matches no loop",
       kExitBadScenario},
      {"rows_past_the_driver",
       {"generate", "--rows", "2001", dir + "cli_never.toml"},
       {},
       "dcshost: --rows: the value is 2001; it must lie between 1 and 2000",
       kExitBadScenario},
      {"scenario_rows_past_the_driver",
       {"check", rows2001},
       {},
       "error: [[host.controller]] has 2001 rows; the driver binds at most 2000",
       kExitBadScenario},
      {"dead_time_of_years",
       {"run", "FILE"},
       {{"dead_time = 1.0", "dead_time = 3e8"}},
       "error: 'dead_time' in [[plant.block]] is 300000000 s; it must lie between 0 and "
       "10000000 s",
       kExitBadScenario},
      {"dead_time_of_a_million_steps",
       {"run", "FILE"},
       {{"step = 1.0 ", "step = 0.001 "}, {"dead_time = 1.0", "dead_time = 5000"}},
       "error: 'dead_time' of block inflow is 5000 s; it must lie between 0 and 1000 s (a "
       "million steps of 0.001 s)",
       kExitBadScenario},
      {"trends_past_memory",
       {"run", "FILE"},
       {{"step = 1.0 ", "step = 0.001 "}, {"duration = 600.0", "duration = 9000.0"}},
       "dcshost: the trends of 9000000 steps for 3 loops and 2 imports would take",
       kExitBadScenario},
      {"output_in_percent",
       {"run", "FILE"},
       {{"op = 0.40", "op = 40"}},
       "error: 'op' of controller FIC102 is 40; it must lie between 0 and 1 (a fraction of "
       "full range: 50 % is 0.5)",
       kExitBadScenario},
      {"mode_tag_on_the_setpoint",
       {"check", "FILE"},
       {{"mode_tag = \"FIC102.MODE\"\nsp_init_tag = \"FIC102.SPINIT\"\nop_init_tag = "
         "\"FIC102.OPINIT\"\nsp",
         "mode_tag = \"FIC102.SP\"\nsp_init_tag = \"FIC102.SPINIT\"\nop_init_tag = "
         "\"FIC102.OPINIT\"\nsp"}},
       "error: mode_tag of controller FIC102: tag 'FIC102.SP' is not an int tag of the control "
       "system; a mode tag must be",
       kExitBadScenario},
      {"pid_scanning_ten_thousand_times_a_step",
       {"run", "FILE"},
       {{"ti = 4.0\nscan = 1.0", "ti = 4.0\nscan = 0.0001"}},
       "error: 'scan' in [[system.pid]] is 0.0001 s; it must lie between 0.001 and 3600 s",
       kExitBadScenario},
      {"array_value_past_float",
       {"run", "FILE"},
       {{"upper = 2, value = 0.0", "upper = 2, value = 1e39"}},
       "error: 'value' in [[system.array]] is 1e+39; it must lie between",
       kExitBadScenario},
      {"no_controllers",
       {"run", "FILE"},
       {{"", "title = \"tags only\"\n[[system.tag]]\nname = \"X\"\n"}},
       "error: the scenario has no [[host.controller]]: nothing to run",
       kExitBadScenario},
      {"a_directory",
       {"run", dir},
       {},
       "error: is a directory, not a scenario file",
       kExitBadScenario},
      {"an_empty_file", {"check", empty}, {}, "cli_empty.toml: error: is empty", kExitBadScenario},
      {"a_fraction_for_an_int_tag",
       {"run", "FILE"},
       {{"tag = \"FIC102.SP\"\nvalue = 50.0", "tag = \"FIC102.MODE\"\nvalue = 2.5"}},
       ":33:9: error: 'value' of [[run.event]] for int tag 'FIC102.MODE' is 2.5; an int tag "
       "takes a whole number",
       kExitBadScenario},
      {"a_nul_in_a_tag",
       {"check", "FILE"},
       {{"\"FIC102.SP\"\nvalue", "\"FIC102\\u0000.SP\"\nvalue"}},
       ":32:7: error: 'tag' in [[run.event]] holds the control character \\u0000; names and "
       "tags may hold none",
       kExitBadScenario},
      {"a_name_that_is_a_path",
       {"run", "default", "--name", "../../x"},
       {},
       "--name: '../../x' is a path; a file name is wanted",
       kExitBadScenario},
      {"an_out_folder_that_cannot_be_made",
       {"run", "default", "--out", empty + "/trends"},
       {},
       "dcshost: cannot make the folder " + empty + "/trends for ",
       kExitBadScenario},
      {"a_result_file_that_is_a_folder",
       {"run", "default", "--no-trends", "--json", dir},
       {},
       "dcshost: cannot write " + dir + ": ",
       kExitBadScenario},
      {"two_outputs_in_one_file",
       {"run", "default", "--out", dir, "--name", "cli", "--log-calls", dir + "cli.trend.csv"},
       {},
       "cli.trend.csv name one file; each output needs its own",
       kExitBadScenario},
      {"a_module_that_is_not_there",
       {"version-info", dir + "cli_none.dll"},
       {},
       "dcshost: version-info: cannot read " + dir + "cli_none.dll: No such file or directory",
       kExitNoDriver},
      {"a_file_that_is_no_module",
       {"version-info", empty},
       {},
       "dcshost: version-info: " + empty + " is not a module: neither a Windows module nor",
       kExitNoDriver},
#if !defined(_WIN32)
      {"a_windows_module_on_linux",
       {"version-info", "FILE"},
       {{"", "MZ"}},
       "cli_a_windows_module_on_linux.toml is a Windows module: dcshost.exe version-info reads",
       kExitNoDriver},
      {"a_device",
       {"run", "/dev/null"},
       {},
       "/dev/null: error: is not a regular file",
       kExitBadScenario},
#endif
    };
    for (const Refusal& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& arg : args)
            if (arg == "FILE") arg = WriteEdited(c.name, c.edits);
        std::string err;
        EXPECT_EQ(RunCli(args, err), c.exit_code) << c.name << "\n" << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.name << "\n" << err;
    }
    for (const char* option :
         {"--out", "--name", "--json", "--log-calls", "--compare", "--driver"}) {
        std::string err;
        EXPECT_EQ(RunCli({"run", "default", option, ""}, err), kExitBadScenario) << option;
        EXPECT_NE(err.find(option + std::string(": an empty name names no file")),
                  std::string::npos)
            << err;
    }
}

// A title beyond ASCII reaches the summary and --json as it is ("Feed tank –
// 50 €"); its bytes 0x80 to 0x9F are no control characters.
TEST(Cli, writes_a_title_beyond_ascii_as_it_is)
{
    const std::string title = "Feed tank \xE2\x80\x93 50 \xE2\x82\xAC \xE2\x98\x83";
    const std::string file = WriteEdited("utf8", {{"title = \"", "title = \"" + title + " "}});
    const std::string json = ::testing::TempDir() + "cli_utf8.json";
    ::testing::internal::CaptureStdout();
    const std::vector<const char*> argv{
        "dcshost",    "run", file.c_str(), "--no-settle-wait", "--no-trends",
        "--duration", "300", "--json",     json.c_str()};
    EXPECT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data()), kExitClean);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("scenario: " + title + " "),
              std::string::npos);
    std::ifstream in(json, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"title\": \"" + title + " "), std::string::npos) << text;
}

// A refused run leaves no empty file and replaces none.
TEST(Cli, refused_run_leaves_every_output_as_it_was)
{
    const std::string kept = ::testing::TempDir() + "cli_kept.json";
    const std::string fresh = ::testing::TempDir() + "cli_fresh.json";
    std::ofstream(kept, std::ios::binary) << "kept";
    std::remove(fresh.c_str());
    for (const std::string& json : {kept, fresh}) {
        std::string err;
        EXPECT_EQ(RunCli({"run", "default", "--json", json, "--log-calls", kept + "/x.log"}, err),
                  kExitBadScenario);
    }
    std::ifstream in(kept);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(std::ifstream(fresh).good());
}
