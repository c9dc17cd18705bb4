// The run command in process, against the real driver module loaded by path.
// On Linux the message-box/sleep double takes the shim's place: the settle's
// ten sleeps are recorded, not waited for. Under Wine the module's Sleep
// import is skipped, as dcshost --no-settle-wait does.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "dcshost/commands/check.h"
#include "dcshost/commands/run.h"
#include "dcshost/host/driver_loader.h"
#include "dcshost/host/interrupt.h"
#include "dcshost/host/session.h"
#include "standins/vnxsim/vnxsim.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

namespace {

// One level loop on a tank, with one import that can be spoiled.
std::string OneLoop(const std::string& import_tag_extra, const std::string& mode_tag)
{
    return R"(
title = "one loop"
[run]
step = 1.0
duration = 120.0
[[run.event]]
at = 10.0
tag = "L.SP"
value = 60.0
[system]
array = [{ name = "ARR", upper = 0 }]
tag = [
  { name = "L.SP", value = 50 }, { name = "L.OP", value = 50 }, { name = "L.MODE", type = "int" },
  { name = "L.SPINIT" }, { name = "L.OPINIT" }, { name = "L.PV" },
  { name = "Q", value = 3 )" +
           import_tag_extra + R"( },
]
pid = [{ name = "L", sp_tag = "L.SP", op_tag = "L.OP", mode_tag = "L.MODE", sp_init_tag = "L.SPINIT", op_init_tag = "L.OPINIT", pv_tag = "ARR", pv_index = 0, kp = 5.0, ti = 50.0 }]
[host]
pv_array_tag = "ARR"
controller = [{ name = "L", sp_tag = "L.SP", op_tag = "L.OP", mode_tag = ")" +
           mode_tag +
           R"(", sp_init_tag = "L.SPINIT", op_init_tag = "L.OPINIT", sp = 50, op = 0.5, pv = "LV" }]
pv = [{ name = "LV", tag = "L.PV", from = "plant:tank" }]
import = [{ name = "Q", tag = "Q", value = 3 }]
[plant]
block = [
  { name = "tank", kind = "integrating", initial = 50, lo = 0, hi = 100, inputs = [{ from = "op:L", gain = 0.02 }, { from = "import:Q", gain = -0.3333333333333333 }] },
]
[[run.event]]
at = 0.0
tag = "Q"
value = 3
)";
}

Scenario Parse(const std::string& text)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    EXPECT_TRUE(ParseScenario(text, "one.toml", s, errors));
    for (const ScenarioError& error : errors) ADD_FAILURE() << FormatScenarioError(error);
    return s;
}

class Run : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        options_.settle_wait = false;  // the module's Sleep import skipped: no real settle
#else
        WinShimReset();
#endif
        options_.driver_path = DefaultDriverPath();
        options_.out_dir = ::testing::TempDir();
        // One name per test: ctest runs the cases of this file side by side.
        options_.out_name = std::string("run_test_") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    int RunCapturing(const Scenario& s)
    {
        ::testing::internal::CaptureStdout();
        int code = RunScenario(s, options_);
        output_ = ::testing::internal::GetCapturedStdout();
        return code;
    }

    bool Printed(const std::string& line) const
    {
        return output_.find("\n" + line + "\n") != std::string::npos;
    }

    RunOptions options_;
    std::string output_;
};

}  // namespace

TEST_F(Run, settles_the_default_unit_clean_through_the_module)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(LoadScenario("default", s, errors));
    options_.settle_tolerance = 1.0;
    EXPECT_EQ(RunCapturing(s), kExitClean) << output_;
#if !defined(_WIN32)
    EXPECT_EQ(WinShimSleepCount(), 10);
    EXPECT_EQ(WinShimSleepTotal(), 10000u);
#endif
    EXPECT_TRUE(Printed("loops within 1 % of their setpoint: 3 of 3")) << output_;
    EXPECT_TRUE(Printed("host messages: 0")) << output_;
    EXPECT_TRUE(Printed("run: clean")) << output_;
    std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv");
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.rfind("time_s,LIC101.PV,LIC101.SP,LIC101.OP,LIC101.MODE,", 0), 0u);
}

TEST_F(Run, follows_a_setpoint_change_made_in_the_control_system)
{
    options_.settle_tolerance = 1.0;
    EXPECT_EQ(RunCapturing(Parse(OneLoop("", "L.MODE"))), kExitClean) << output_;
#if !defined(_WIN32)
    EXPECT_EQ(WinShimBoxCount(), 0);
#endif
    float sp = 0.0f;
    ASSERT_EQ(VnxSimGetFloat("L.SP", 0, &sp), 0);
    EXPECT_EQ(sp, 60.0f);
}

TEST_F(Run, ends_after_a_failed_configuration_with_nothing_left)
{
    options_.json = options_.out_dir + "/" + options_.out_name + ".failed.json";
    EXPECT_EQ(RunCapturing(Parse(OneLoop("", "L.MODEX"))), kExitConfigureFailed);
    std::ifstream json(options_.json);
    std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"verdict\": {\"exit_code\": 1, \"clean\": false"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\"by_key\": {\"DCSCtrlVendorMsg\": 1}"), std::string::npos) << text;
    size_t report = output_.find("\nmessage DCSCtrlVendorMsg: ");
    ASSERT_NE(report, std::string::npos) << output_;
    EXPECT_NE(output_.find("for Controller Mode Tag Handle", report), std::string::npos) << output_;
    EXPECT_TRUE(Printed("handles left open in the control system: 0 tags, 0 items, 0 lists"))
        << output_;
    EXPECT_NE(output_.find("host heap after FreeDCSData: balanced"), std::string::npos) << output_;
    EXPECT_EQ(output_.find("DCSInitialize"), std::string::npos);
}

TEST_F(Run, is_not_clean_when_the_driver_reports_every_pass)
{
    options_.trends = false;
    options_.duration = 10.0;  // its event at 10 s is the last thing it does
    EXPECT_EQ(RunCapturing(Parse(OneLoop(", quality = 1", "L.MODE"))), kExitNotClean);
    // One report per pass for the import of bad quality.
    EXPECT_TRUE(Printed("host messages: 10 - DCSPVImportVendorMsg x10")) << output_;
    EXPECT_TRUE(Printed("run: NOT clean")) << output_;
}

TEST_F(Run, gives_a_mode_the_same_way_in_the_summary_the_result_and_the_trends)
{
    options_.json = options_.out_dir + "/" + options_.out_name + ".json";
    Scenario s = Parse(OneLoop("", "L.MODE"));
    s.run.events.push_back(
        {100.0, "L.MODE", 2.0, {}, {}});  // an operator's mode the blocks take as manual
    RunCapturing(s);
    EXPECT_NE(output_.find("\n  L         2 (manual: not 1)  "), std::string::npos) << output_;
    std::ifstream json(options_.json);
    std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"mode\": 2, \"mode_name\": \"manual: not 1\""), std::string::npos);
    std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv");
    std::string line, last;
    while (std::getline(csv, line)) last = line;
    EXPECT_EQ(last.rfind("120,"), 0u);
    EXPECT_NE(last.find(",2,3,1"), std::string::npos) << last;  // L.MODE, Q, coupling
}

TEST_F(Run, counts_each_value_sent_that_a_float_cannot_carry_and_is_not_clean)
{
    options_.json = options_.out_dir + "/" + options_.out_name + ".json";
    Scenario s = Parse(OneLoop("", "L.MODE"));
    s.plant[0].kind = BlockKind::FirstOrder;  // the level runs away, a millionfold each step
    s.plant[0].tau = 0.001;
    s.plant[0].inputs = {{"plant:tank", 1e6, {}}};
    EXPECT_EQ(RunCapturing(s), kExitNotClean) << output_;
    for (const char* line : {"beyond float range (saturated) sent at 7 s, 45 times",
                             "infinity sent at 52 s, 1 time", "NaN sent at 53 s, 68 times"})
        EXPECT_TRUE(Printed(std::string("unsound value: PV export row 0 (LV): ") + line))
            << output_;
    std::ifstream json(options_.json);
    std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("{\"table\": \"PV export\", \"row\": 0, \"name\": \"LV\", \"column\": "
                        "null, \"kind\": \"nan\", \"first_s\": 53, \"count\": 68}"),
              std::string::npos)
        << text;
}

TEST_F(Run, stops_cleanly_on_ctrl_c_with_the_summary_and_trends_of_what_ran)
{
    InterruptGuard guard;
    std::raise(SIGINT);  // before the settle: the run binds, writes nothing, then stops
    EXPECT_EQ(RunCapturing(Parse(OneLoop("", "L.MODE"))), kExitInterrupted) << output_;
    EXPECT_TRUE(
        Printed("interrupted (Ctrl-C) at t = 0 s, after step 0 of 120, before "
                "DCSInitialize"))
        << output_;
    EXPECT_TRUE(Printed("DCSReset, DCSDestroy, FreeDCSData")) << output_;
    EXPECT_TRUE(Printed("handles left open in the control system: 0 tags, 0 items, 0 lists"))
        << output_;
    EXPECT_NE(output_.find("host heap after FreeDCSData: balanced"), std::string::npos);
    EXPECT_TRUE(Printed("run: interrupted")) << output_;
    EXPECT_EQ(VnxSimApiRunning(), 0);
    std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv");
    std::string line;
    int lines = 0;
    while (std::getline(csv, line)) ++lines;
    EXPECT_EQ(lines, 2);  // the header and time 0
}

TEST_F(Run, logs_every_call_and_marks_each_fault_window)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(LoadScenario(DCSHOST_TEST_SCENARIOS "/faults.toml", s, errors));
    options_.call_log = options_.out_dir + "/" + options_.out_name + ".calls.log";
    EXPECT_EQ(RunCapturing(s), kExitNotClean) << output_;
    EXPECT_TRUE(Printed("handles left open in the control system: 0 tags, 0 items, 0 lists"));
    // Every list read fails in the list_read window and after the restart.
    EXPECT_TRUE(Printed("coupling lost at 181 s, restored at 191 s (10 steps)")) << output_;
    EXPECT_TRUE(Printed("coupling lost at 401 s, for 200 steps (to the end)")) << output_;
    EXPECT_NE(output_.find("\n  TIC103    stale: 1 (automatic)            70 "), std::string::npos);

    // The array tag fails, the driver writes each PV to its own tag, and the
    // write of one of them is refused: in that order, at the step's time.
    std::ifstream log(options_.call_log);
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line, "# dcshost call log 1");
    const std::vector<std::string> expected = {
        "0 host DCSLoad(data)",
        "0 host DCSConfigure(data)",
        "0 lib ApiStartup() = 0",
        "210 fault start array_status UNIT.PVARR = 1",
        "211 lib GetTagStatus(tag:UNIT.PVARR) = 1",
        "211 msg DCSGeneralVendorMsg2: DCS error for PV Export Array: Module address file is not "
        "found",
        "211 lib SetTagValue(tag:LI101.PV, 1, float 49.858307, 9) = 0",
        "215 fault start write_refused TI103.PV = 254",
        "216 lib SendTag(tag:TI103.PV) = 254",
        "216 msg DCSPVVendorMsg: PV export row 2: tag error: Failure",
        "225 fault end write_refused TI103.PV = 254",
        "400 fault start restart",
        "401 lib ReadTagList(stale:",
        "600 host DCSReset = 0",
        "600 host FreeDCSData = void",
    };
    size_t next = 0;
    while (next < expected.size() && std::getline(log, line))
        if (line.rfind(expected[next], 0) == 0) ++next;
    EXPECT_EQ(next, expected.size()) << "not found in order: " << expected[next];

    // The trends count the open windows and mark the steps without coupling.
    std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv", std::ios::binary);
    std::getline(csv, line);
    EXPECT_EQ(line.substr(line.size() - 17), ",faults,coupling\r");
    std::map<std::string, std::string> tail;  // time: "faults,coupling"
    while (std::getline(csv, line)) {
        size_t end = line.rfind(',', line.rfind(',') - 1);
        tail[line.substr(0, line.find(','))] = line.substr(end + 1, line.size() - end - 2);
    }
    const std::pair<const char*, const char*> expect[] = {
        {"180", "1,1"}, {"181", "1,0"}, {"190", "0,0"}, {"191", "0,1"},
        {"216", "2,1"}, {"240", "0,1"}, {"400", "1,1"}, {"401", "0,0"}};
    for (const auto& [time, flags] : expect) EXPECT_EQ(tail[time], flags) << time;
}

// A restart at 40 s, and the mode tag refusing its status until 55 s: the
// try at 51 s fails to bind, the one at 61 s binds; the loop settles again.
TEST_F(Run, reconfigures_after_a_restart_until_every_tag_binds_then_settles_again)
{
    const Scenario s = Parse(OneLoop("", "L.MODE") + R"(
[[run.fault]]
at = 40.0
kind = "restart"
[[run.fault]]
at = 40.0
until = 55.0
kind = "tag_status"
tag = "L.MODE"
value = 1
)");
    options_.on_loss = OnLoss::Reconfigure;
    options_.settle_tolerance = 1.0;
    options_.duration = 300;
    options_.call_log = options_.out_dir + "/" + options_.out_name + ".calls.log";
    EXPECT_EQ(RunCapturing(s), kExitNotClean) << output_;
    for (const char* line :
         {"coupling lost at 41 s, restored at 62 s (21 steps)",
          "reconfigure at 51 s: DCSConfigure failed (result 0), next try at 61 s",
          "reconfigure at 61 s: every tag bound, exchange resumed",
          "loops within 1 % of their setpoint: 1 of 1"})
        EXPECT_TRUE(Printed(line)) << line << "\n" << output_;
    std::ifstream log(options_.call_log);
    std::vector<std::string> entries;
    for (std::string line; std::getline(log, line);)
        if (line.find(" host DCS") != std::string::npos && line.find('=') == std::string::npos &&
            line.find("DCSSimulate") == std::string::npos)
            entries.push_back(line);
    const std::vector<std::string> expected = {
        "0 host DCSLoad(data)",       "0 host DCSConfigure(data)",   "0 host DCSInitialize(data)",
        "0 host DCSStart(data)",      "51 host DCSStop(data)",       "51 host DCSReset(data)",
        "51 host DCSConfigure(data)", "61 host DCSStop(data)",       "61 host DCSReset(data)",
        "61 host DCSConfigure(data)", "61 host DCSInitialize(data)", "61 host DCSStart(data)",
        "300 host DCSStop(data)",     "300 host DCSReset(data)",     "300 host DCSDestroy(data)"};
    EXPECT_EQ(entries, expected);
}

TEST_F(Run, writes_the_result_and_passes_or_fails_against_a_reference)
{
    options_.settle_tolerance = 1.0;
    options_.json = options_.out_dir + "/" + options_.out_name + ".json";
    const Scenario s = Parse(OneLoop("", "L.MODE"));
    ASSERT_EQ(RunCapturing(s), kExitClean) << output_;
    std::ifstream json(options_.json);
    std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    json.close();  // Windows replaces no file another holds open
    for (const char* member :
         {"\"version\": 2,", "\"steps\": 120, \"steps_run\": 120}",
          "\"verdict\": {\"exit_code\": 0, \"clean\": true, \"interrupted\": false, \"settled\": "
          "true}",
          "{\"name\": \"L\", \"active\": true, \"mode\": 1, \"mode_name\": \"automatic\", "
          "\"stale\": false, \"sp\": 60, \"pv\": ",
          "\"coupling\": {\"lost_at\": null, \"restored_at\": null, \"steps_lost\": 0, "
          "\"losses\": [], \"on_loss\": \"continue\", \"reconfigures\": []},\n  "
          "\"unsound_values\": [],",
          "\"messages\": {\n    \"total\": 0,", "\"faults\": [],", "\"warnings\": [],",
          "\"compare\": null,", "\"handles_open\": {\"tags\": 0, \"items\": 0, \"lists\": 0}",
          "\"heap\": {\"balanced\": true, \"blocks\": 0, \"bytes\": 0, \"bad_releases\": 0}"})
        EXPECT_NE(text.find(member), std::string::npos) << member << "\n" << text;

    // The same scenario again is within any band of its own trends; a later
    // setpoint step is not, from the step after the operator's write.
    const std::string reference = options_.out_dir + "/" + options_.out_name + ".reference.csv";
    std::rename((options_.out_dir + "/" + options_.out_name + ".trend.csv").c_str(),
                reference.c_str());
    options_.compare = reference;
    options_.tolerance = 0.0;
    EXPECT_EQ(RunCapturing(s), kExitClean) << output_;
    Scenario changed = s;
    changed.run.events[0].value = 61.0;
    EXPECT_EQ(RunCapturing(changed), kExitDeviates) << output_;
    EXPECT_TRUE(Printed("compare: NOT within the reference " + reference +
                        ": L.SP at t = 11 s: 61 against 60 in the reference (off by 1, "
                        "tolerance 0)"))
        << output_;
}

TEST_F(Run, refuses_a_driver_it_cannot_load)
{
    options_.driver_path = "/nonexistent/libvornak.so";
    EXPECT_EQ(RunCapturing(Parse(OneLoop("", "L.MODE"))), kExitNoDriver);
}

TEST_F(Run, names_the_line_of_a_definition_the_control_system_refuses)
{
    Scenario s = Parse(OneLoop("", "L.MODE"));
    s.tags[5].name = "L PV";  // blanks are not in tag names
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCapturing(s), kExitBadScenario);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "one.toml:14:49: error: the control system refuses tag 'L PV' (status 5)\n");
}

// Faults and wiring judged before and after the run: each case changes the
// one-loop scenario, runs it (or checks it) and expects an exit code and a
// line on the output or on stderr.
TEST_F(Run, refuses_or_counts_every_fault_and_warns_of_wiring_that_cannot_work)
{
    const char kWindow[] = "[[run.fault]]\nat = 20.0\nuntil = 30.0\n";
    const char kArrayEl[] = "pv_tag = \"ARR\", pv_index = 0";
    // Upsets, put before [plant]: their windows against a run of 20 or 120 steps.
    const char kLateFreeze[] =
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"freeze\"\nat = 20.0\nuntil = 30.0\n[plant]";
    const char kBetweenSteps[] =
        "[[run.disturbance]]\nblock = \"tank\"\nvalue = 1.0\nat = 20.2\nuntil = 20.8\n[plant]";
    const char kNearTheEnd[] =
        "[[run.disturbance]]\nblock = \"tank\"\nvalue = 1.0\nat = 19.0\n[plant]";
    struct Case {
        const char* fault;  // appended after kWindow; empty: no fault
        const char* from;   // a replacement in the scenario; null: none
        const char* to;
        double duration;
        bool check;  // the check command instead of a run
        int code;
        const char* line;
    } cases[] = {
        {"kind = \"quality\"\ntag = \"L.PV\"", nullptr, nullptr, 0, false, kExitBadScenario,
         "error: a quality fault on 'L.PV' cannot act: the host uses it as a PV's own tag "
         "(written only while the array path fails); on that only tag_status, write_refused act"},
        {"kind = \"tag_status\"\ntag = \"L.SP\"", nullptr, nullptr, 0, true, kExitBadScenario,
         "error: a tag_status fault on 'L.SP' cannot act: the host uses it as a list item (read "
         "every step); on that only quality, io_status act"},
        {"kind = \"quality\"\ntag = \"ARR\"", nullptr, nullptr, 0, false, kExitBadScenario,
         "on that only tag_status, write_refused act"},
        {"kind = \"write_refused\"\ntag = \"L.SPINIT\"", nullptr, nullptr, 0, false,
         kExitBadScenario,
         "(written at DCSInitialize only, before any fault window); no fault kind acts on that"},
        {"kind = \"list_read\"", nullptr, nullptr, 20, false, kExitBadScenario,
         "error: the list_read fault at 20 s starts at or after the end of the run (20 s): it "
         "would never act"},
        {"kind = \"write_refused\"\ntag = \"L.PV\"", nullptr, nullptr, 0, true, kExitBadScenario,
         "error: a write_refused fault on 'L.PV' cannot act: the host writes it (a PV's own tag) "
         "only while the PV array path fails, and no array_status, tag_status or write_refused "
         "fault of the PV array 'ARR' is open from 20 s until 30 s"},
        {"kind = \"tag_status\"\ntag = \"L.PV\"\n[[run.fault]]\nat = 25.0\nkind = "
         "\"array_status\"",
         nullptr, nullptr, 0, false, kExitNotClean,
         "fault: tag_status L.PV = 1 from 20 s until 30 s: acted on 5 calls"},
        {"kind = \"tag_status\"\ntag = \"L.MODE\"", nullptr, nullptr, 0, false, kExitBadScenario,
         "error: a tag_status fault on 'L.MODE' cannot act: the host writes it (a mode tag) at "
         "DCSStart and DCSStop only, and the window from 20 s until 30 s closes before DCSStop "
         "(after the last step, at 120 s); leave out 'until' to keep it open"},
        {"", nullptr, nullptr, 5, false, kExitBadScenario,
         "one.toml:6:1: error: the event at 10 s on 'L.SP' lies after the end of the run (5 s): it "
         "would never act"},
        {"kind = \"write_refused\"\ntag = \"ARR\"", nullptr, nullptr, 0, false, kExitNotClean,
         "fault: write_refused ARR = 254 from 20 s until 30 s: acted on 10 calls"},
        {"kind = \"quality\"\ntag = \"Q\"", nullptr, nullptr, 25, false, kExitNotClean,
         "fault: quality Q = 1 from 20 s until 30 s (cut at 25 s): acted on 5 calls"},
        {"kind = \"tag_status\"\ntag = \"L.MODE\"", "until = 30.0\n", "", 0, false, kExitNotClean,
         "fault: tag_status L.MODE = 1 from 20 s to the end: acted on 1 call"},
        {"", kArrayEl, "pv_tag = \"L.PV\"", 0, true, kExitClean,
         "warning: PID L: pv_tag 'L.PV' is a PV's own tag, which the host writes only while the "
         "PV array path fails (element 0 of 'ARR' is written every step)"},
        {"", "\"L.PV\", from", "\"L.PV\", active = false, from", 0, false, kExitNotClean,
         "warning: PID L: pv_tag 'ARR' element 0: its PV row LV is not active, so the host does "
         "not write it"},
        {"", "[plant]", kLateFreeze, 20, false, kExitBadScenario,
         "one.toml:23:1: error: the freeze malfunction at 20 s starts at or after the end of the "
         "run (20 s): it would act on the last step only"},
        {"", "[plant]", kBetweenSteps, 0, true, kExitBadScenario,
         "error: the disturbance from 20.2 s until 20.8 s holds no step of the run (one every 1 "
         "s): it would never act"},
        {"", "[plant]", kNearTheEnd, 20, false, kExitClean,
         "disturbance: tank + 1 from 19 s to the end: acted on 2 steps"},
        {"", "[plant]", kNearTheEnd, 0, true, kExitClean,
         "upset: disturbance: tank + 1 from 19 s to the end\n"},
        {"", "tag = \"Q\"\nvalue", "tag = \"L.SPINIT\"\nvalue", 0, false, kExitNotClean,
         "warning: PV import row 0 (Q) reads 'Q', which nothing writes (no PID block's op_tag or "
         "sp_tag, no host write, no operator event): it keeps its defined value"},
    };
    options_.trends = false;
    for (const Case& c : cases) {
        std::string text = OneLoop("", "L.MODE");
        if (*c.fault) text += kWindow + std::string(c.fault);
        if (c.from) text.replace(text.find(c.from), std::string(c.from).size(), c.to);
        const Scenario s = Parse(text);
        options_.duration = c.duration;
        ::testing::internal::CaptureStderr();
        int code = 0;
        if (c.check) {
            ::testing::internal::CaptureStdout();
            code = CheckScenario(s, CheckOptions{options_.driver_path, false});
            output_ = ::testing::internal::GetCapturedStdout();
        } else {
            code = RunCapturing(s);
        }
        std::string all = output_ + ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, c.code) << c.line << "\n" << all;
        EXPECT_NE(all.find(c.line), std::string::npos) << all;
    }
}

TEST_F(Run, sends_each_malfunction_and_disturbance_on_the_host_side_only_in_its_window)
{
    // The loop stays in manual, so the tank holds 50 and every PV below is
    // what an upset made of it.
    Scenario s = Parse(
        OneLoop("", "L.MODE") +
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"offset\"\nvalue = 2.0\nat = 10.0\nuntil = "
        "20.0\n"
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"drift\"\nrate = 0.5\nat = 20.0\nuntil = 30.0\n"
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"fixed\"\nvalue = 7.0\nat = 30.0\nuntil = 40.0\n"
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"fail_high\"\nhi = 100.0\nat = 40.0\nuntil = "
        "45.0\n"
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"fail_low\"\nlo = -5.0\nat = 45.0\nuntil = "
        "50.0\n"
        "[[run.malfunction]]\npv = \"LV\"\nkind = \"freeze\"\nat = 50.0\nuntil = 60.0\n"
        "[[run.disturbance]]\nblock = \"tank\"\nvalue = 4.0\nramp = 8.0\nat = 52.0\nuntil = 70.0\n"
        "[[run.disturbance]]\nblock = \"tank\"\nvalue = -3.0\nat = 80.0\n");
    s.controllers[0].active = false;
    options_.json = options_.out_dir + "/upsets.json";
    EXPECT_EQ(RunCapturing(s), kExitClean) << output_;
    EXPECT_TRUE(Printed("disturbance: tank + 4 over 8 s from 52 s until 70 s: acted on 18 steps"));
    std::ifstream json(options_.json);
    std::string text((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    for (const char* upset :
         {"{\"kind\": \"drift\", \"pv\": \"LV\", \"value\": null, \"rate\": 0.5, \"at_s\": 20, "
          "\"until_s\": 30, \"acted_steps\": 10, \"cut_at_s\": null}",
          "{\"block\": \"tank\", \"value\": -3, \"ramp_s\": null, \"at_s\": 80, \"until_s\": null, "
          "\"acted_steps\": 41, \"cut_at_s\": null}"})
        EXPECT_NE(text.find(upset), std::string::npos) << upset << "\n" << text;
    std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv", std::ios::binary);
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "time_s,L.PV,L.SP,L.OP,L.MODE,Q,upsets,coupling\r");
    std::map<double, std::pair<double, int>> rows;  // time: PV, upsets
    while (std::getline(csv, line)) {
        double time = 0, pv = 0;
        int upsets = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%*[^,],%*[^,],%*[^,],%*[^,],%d", &time, &pv,
                              &upsets),
                  3)
            << line;
        rows[time] = {pv, upsets};
    }
    const struct {
        double time, pv;
        int upsets;
    } expected[] = {
        {9, 50, 0},  {10, 52, 1}, {24, 52, 1},  {30, 7, 1},  {42, 100, 1},
        {45, -5, 1}, {49, -5, 1}, {56, 50, 2},  {60, 54, 1}, {56, 50, 2},
        {70, 50, 0}, {80, 47, 1}, {120, 47, 1}, {54, 50, 2}, {64, 54, 1},
    };
    for (const auto& e : expected) {
        EXPECT_NEAR(rows[e.time].first, e.pv, 1e-9) << "t = " << e.time;
        EXPECT_EQ(rows[e.time].second, e.upsets) << "t = " << e.time;
    }
}
