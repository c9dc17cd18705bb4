// dcshost run --record in process, against the real driver module: the
// built-in scenario's recording reads back with the shape the run had.
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zlib.h>

#include "dcshost/replay/replay.h"
#include "dcshost/run/run.h"
#include "recording/format/line_writer.h"
#include "recording/format/recording_reader.h"
#include "tests/support/module_path.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

namespace {

struct Recorded {
    Scenario scenario;
    int code = -1;
    std::string output, path;
};

// The built-in scenario run with --record, once: against the driver itself
// whatever module the tests drive, since --record takes a driver.
const Recorded& RecordDefault()
{
    static const Recorded recorded = [] {
        Recorded r;
        std::vector<ScenarioError> errors;
        EXPECT_TRUE(LoadScenario("default", r.scenario, errors));
        RunOptions options;
#if defined(_WIN32)
        options.settle_wait = false;
#else
        WinShimReset();
#endif
        options.driver_path = DefaultDriverPath();
        options.trends = false;
        // One file per test: ctest runs the tests of this file side by side.
        r.path = options.record = ::testing::TempDir() + "default." +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                  ".rec.gz";
        options.force = true;  // the last test run's recording is replaced
        ::testing::internal::CaptureStdout();
        r.code = RunScenario(r.scenario, options);
        r.output = ::testing::internal::GetCapturedStdout();
        return r;
    }();
    return recorded;
}

}  // namespace

TEST(RunRecord, writes_the_built_in_scenario_as_it_ran)
{
    const Recorded& recorded = RecordDefault();
    const Scenario& s = recorded.scenario;
    const std::string &output = recorded.output, &record = recorded.path;
    ASSERT_EQ(recorded.code, kExitClean) << output;
    EXPECT_NE(output.find("\nrecording: " + record + "\n"), std::string::npos) << output;
    std::ifstream file(record, std::ios::binary);
    std::string magic(2, '\0');
    file.read(&magic[0], 2);
    EXPECT_EQ(magic, "\x1f\x8b");  // zcat reads it

    RecordingReader reader;
    std::string error;
    ASSERT_TRUE(reader.OpenFile(record, error)) << error;
    EXPECT_EQ(reader.Header().by, "dcshost 1.0.0.12");
    std::vector<std::string> entries;
    std::map<RecordingEventKind, int> kinds;
    std::map<std::string, int> calls_of;  // calls per entry point, the last call of each
    int calls = 0;
    RecordingEvent event;
    while (reader.Next(event)) {
        ++kinds[event.kind];
        if (event.kind == EV_ENTER) {
            calls = 0;
            if (entries.empty() || entries.back() != RecordEntryNames[event.entry])
                entries.push_back(RecordEntryNames[event.entry]);
        }
        if (event.kind == EV_CALL) ++calls;
        if (event.kind == EV_RETURN) calls_of[RecordEntryNames[event.entry]] = calls;
    }
    ASSERT_FALSE(reader.Failed()) << reader.Error();
    const int steps = static_cast<int>(s.run.duration / s.run.step);
    const std::vector<std::string> order = {"DCSLoad",  "DCSConfigure", "DCSInitialize",
                                            "DCSStart", "DCSSimulate",  "DCSStop",
                                            "DCSReset", "DCSDestroy"};
    EXPECT_EQ(entries, order);
    const struct {
        RecordingEventKind kind;
        int count;
    } shape[] = {{EV_ENTER, steps + 7},
                 {EV_RETURN, steps + 7},
                 {EV_TIME, steps},
                 {EV_SLEEP, 10},
                 {EV_MESSAGE, 0},
                 {EV_BOX, 0},
                 {EV_END, 1}};
    for (const auto& want : shape) EXPECT_EQ(kinds[want.kind], want.count) << want.kind;
    // Three loops: a pass reads two lists of three items and one of two, and
    // writes three elements; each item is three or four calls.
    EXPECT_EQ(calls_of["DCSSimulate"], 36);
    EXPECT_EQ(calls_of["DCSLoad"], 0);
    EXPECT_EQ(calls_of["DCSDestroy"], 0);
}

namespace {

std::vector<std::string> LinesOf(const std::string& gz_path)
{
    std::vector<std::string> lines;
    gzFile in = gzopen(gz_path.c_str(), "rb");
    char buf[1 << 16];
    std::string text;
    for (int n; (n = gzread(in, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    gzclose(in);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The lines as a recording, its bytes; with `cut`, as a writer leaves it
// when its process ends after them (a sync point, no trailer).
std::string Write(const std::string& path, const std::vector<std::string>& lines, bool cut)
{
    LineWriter writer;
    std::string error;
    writer.Open(path, error);
    for (const std::string& line : lines) writer.Write(line + "\n");
    writer.Sync();
    auto bytes = [&path] {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    std::string synced = bytes();
    writer.Close(error);
    if (!cut) return bytes();
    std::ofstream(path, std::ios::binary) << synced;
    return synced;
}

}  // namespace

// Sessions a host makes other than dcshost's, made from the built-in one:
// each replays against the module as far as it goes, or is refused.
TEST(RunRecord, restored_cut_and_damaged_sessions_replay_as_far_as_they_go)
{
    ASSERT_EQ(RecordDefault().code, kExitClean) << RecordDefault().output;
    const std::string dir = ::testing::TempDir(), whole = RecordDefault().path;
    std::vector<std::string> lines = LinesOf(whole);
    ASSERT_GT(lines.size(), 100u);
    // A restored model: no DCSLoad, its block handed over to DCSConfigure.
    std::vector<std::string> restored(lines.begin(), lines.begin() + 5);
    size_t k = 5;
    for (; lines[k] != "> DCSConfigure"; ++k)
        if (lines[k].rfind("o ", 0) == 0) restored.push_back("i " + lines[k].substr(2));
    restored.insert(restored.begin() + 5, lines[k]);
    restored.insert(restored.end(), lines.begin() + static_cast<long>(k) + 1, lines.end());
    // Cut after the tenth step; the same with its third step's result changed.
    std::vector<std::string> cut;
    for (size_t i = 0, seen = 0; i < lines.size() && (seen < 10 || cut.back()[0] != '<'); ++i) {
        cut.push_back(lines[i]);
        if (lines[i] == "> DCSSimulate") ++seen;
    }
    std::vector<std::string> differs = cut;
    size_t third = 0;
    for (int seen = 0; seen < 3; ++third) seen += differs[third] == "> DCSSimulate";
    while (differs[third] != "< 1") ++third;
    differs[third] = "< 0";
    std::string damaged = Write(dir + "replayed_damaged.rec.gz", lines, false);
    damaged[damaged.size() / 2] ^= 0x55;
    std::ofstream(dir + "replayed_damaged.rec.gz", std::ios::binary) << damaged;
    Write(dir + "replayed_restored.rec.gz", restored, false);
    Write(dir + "replayed_cut.rec.gz", cut, true);
    Write(dir + "replayed_differs.rec.gz", differs, true);
    const std::string at = std::to_string(cut.size());
    const struct {
        const char* file;
        int code;
        std::string outcome;
    } cases[] = {
        {"replayed_restored.rec.gz", kExitClean, "replay: identical (600 steps, 21821 calls)"},
        {"replayed_cut.rec.gz", kExitClean,
         "replay: identical up to the cut at line " + at +
             " (after DCSSimulate #10): the session ended without DCSDestroy"},
        {"replayed_differs.rec.gz", kExitReplayDiffers,
         "replay: first difference at DCSSimulate #3"},
        {"replayed_damaged.rec.gz", kExitBadScenario, "the compressed stream is damaged"},
    };
    for (const auto& c : cases) {
        ReplayOptions options;
        options.recording = dir + c.file;
        options.driver_path = TestModulePath();
        options.trends = false;
        options.json = dir + c.file + ".json";
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ReplayRecording(options), c.code) << c.file;
        std::string output = ::testing::internal::GetCapturedStdout();
        output += ::testing::internal::GetCapturedStderr();
        EXPECT_NE(output.find(c.outcome), std::string::npos) << c.file << output;
    }
    std::ifstream json(dir + "replayed_cut.rec.gz.json");
    std::string result((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    EXPECT_NE(result.find("\"cut\": true, \"cut_at_line\": " + at +
                          ", \"cut_after\": \"DCSSimulate #10\""),
              std::string::npos)
        << result;
}
