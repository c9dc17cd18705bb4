// dcshost run --record in process, against the real driver module: the
// built-in scenario's recording reads back with the shape the run had.
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcshost/commands/run.h"
#include "dcshost/host/driver_loader.h"
#include "recording/format/recording_reader.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

TEST(RunRecord, writes_the_built_in_scenario_as_it_ran)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(LoadScenario("default", s, errors));
    RunOptions options;
#if defined(_WIN32)
    options.settle_wait = false;
#else
    WinShimReset();
#endif
    options.driver_path = DefaultDriverPath();
    options.trends = false;
    options.record = ::testing::TempDir() + "default.rec.gz";
    options.force = true;  // the last test run's recording is replaced
    ::testing::internal::CaptureStdout();
    int code = RunScenario(s, options);
    std::string output = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(code, kExitClean) << output;
    EXPECT_NE(output.find("\nrecording: " + options.record + "\n"), std::string::npos) << output;
    std::ifstream file(options.record, std::ios::binary);
    std::string magic(2, '\0');
    file.read(&magic[0], 2);
    EXPECT_EQ(magic, "\x1f\x8b");  // zcat reads it

    RecordingReader reader;
    std::string error;
    ASSERT_TRUE(reader.OpenFile(options.record, error)) << error;
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
