// The files of a run on a full disk, in process against the real driver
// module: each is whole or absent, and each one not written is said.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "dcshost/commands/cli.h"
#include "dcshost/commands/generate.h"
#include "dcshost/run/run.h"
#include "dcshost/whole_file.h"
#include "tests/support/module_path.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Refused before anything loads (exit 2), the message on standard error.
std::string Refused(std::vector<std::string> args)
{
    std::vector<const char*> argv{"dcshost"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    int code = RunCommandLine(static_cast<int>(argv.size()), argv.data());
    std::string err = ::testing::internal::GetCapturedStderr();
    (void)::testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, kExitBadScenario) << err;
    return err;
}

}  // namespace

TEST(Outputs, none_lands_on_an_input_and_none_replaces_a_file_unasked)
{
    const std::string dir = ::testing::TempDir();
    const std::string scenario = dir + "outputs_unit.toml", ref = dir + "outputs_ref.trend.csv",
                      rec = dir + "outputs_keep.rec.gz", mine = dir + "outputs_mine.toml";
    std::vector<std::pair<std::string, std::string>> kept = {{scenario, DefaultScenarioText()},
                                                             {ref, "time_s\r\n0\r\n"},
                                                             {rec, "rec"},
                                                             {mine, "# mine"}};
    for (const auto& [path, text] : kept) std::ofstream(path, std::ios::binary) << text;
    const std::string input = " name one file; an output never replaces an input";
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"run", scenario, "--no-trends", "--json", scenario},
         "--json " + scenario + " and SCENARIO " + scenario + input},
        {{"replay", rec, "--no-trends", "--json", rec},
         "--json " + rec + " and FILE " + rec + input},
        {{"run", scenario, "--out", dir, "--name", "outputs_ref", "--compare", ref},
         "--out/--name " + dir + "/outputs_ref.trend.csv and --compare " + ref + input},
        {{"run", scenario, "--no-trends", "--record", ref, "--compare", ref},
         "--record " + ref + " and --compare " + ref + input},
        {{"run", scenario, "--no-trends", "--json", mine, "--driver", mine},
         "--json " + mine + " and --driver " + mine + input},
        {{"run", scenario, "--no-trends", "--record", rec},
         "--record " + rec + ": the file exists; --force replaces it"},
        {{"generate", "--rows", "5", mine},
         "FILE " + mine + ": the file exists; --force replaces it"},
    };
#if !defined(_WIN32)
    // Through a link and a hard link: one file on the disk.
    const std::string link = dir + "outputs_link.csv", hard = dir + "outputs_hard.csv";
    fs::remove(link);
    fs::remove(hard);
    fs::create_symlink(ref, link);
    fs::create_hard_link(ref, hard);
    cases.push_back({{"run", scenario, "--no-trends", "--json", link, "--compare", hard},
                     "--json " + link + " and --compare " + hard + input});
#endif
    for (const auto& [args, message] : cases) {
        std::string err = Refused(args);
        EXPECT_NE(err.find("dcshost: " + message), std::string::npos) << message << "\n" << err;
    }
    for (const auto& [path, text] : kept) EXPECT_EQ(Read(path), text) << path;
}

TEST(Outputs, a_full_disk_leaves_each_file_whole_or_absent_and_named)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    // Twelve imports: the summary lists ten and points at the CSV for the rest.
    ASSERT_TRUE(ParseScenario(GenerateScaleScenario(12), "scale.toml", s, errors));
    s.run.events.clear();  // the run is cut to 5 s, before the first
    struct Case {
        const char* name;
        long long room;  // bytes the disk takes; negative: no limit
        bool csv, svg, log, json;
    };
    // The call log fills a tight disk during the run and is removed; the
    // CSV and the result find the room it left, the SVG does not.
    for (const Case& c :
         {Case{"room", -1, true, true, true, true}, Case{"full", 0, false, false, false, false},
          Case{"tight", 8000, true, false, false, true}}) {
        const std::string dir = ::testing::TempDir() + "outputs_" + c.name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        RunOptions options;
        options.driver_path = TestModulePath();
        options.settle_wait = false;
        options.duration = 5;
        options.out_dir = dir;
        options.out_name = "unit";
        options.json = dir + "/r.json";
        options.call_log = dir + "/calls.log";
        std::ofstream(options.json) << "kept";
        LimitWholeFileBytes(c.room);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        int code = RunScenario(s, options);
        std::string err = ::testing::internal::GetCapturedStderr();
        std::string out = ::testing::internal::GetCapturedStdout();
        LimitWholeFileBytes(-1);

        const bool all = c.csv && c.svg && c.log && c.json;
        EXPECT_EQ(code, all ? kExitClean : kExitFileUnwritten) << c.name << err;
        const std::pair<std::string, bool> files[] = {{dir + "/unit.trend.csv", c.csv},
                                                      {dir + "/unit.trend.svg", c.svg},
                                                      {options.call_log, c.log},
                                                      {options.json, c.json}};
        for (const auto& [file, written] : files) {
            bool named = err.find("cannot write " + file + ": " + std::strerror(ENOSPC)) !=
                         std::string::npos;
            EXPECT_EQ(named, !written) << c.name << " " << file << err;
            // A file not written is absent, or as it was before the run.
            if (file == options.json)
                EXPECT_EQ(Read(file) == "kept", !written) << c.name;
            else
                EXPECT_EQ(fs::exists(file), written) << c.name << " " << file;
        }
        EXPECT_EQ(out.find("(every value is in the CSV)") != std::string::npos, c.csv) << c.name;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}
