// The run command in process, against the real driver module loaded by path.
// On Linux the message-box/sleep double takes the shim's place: the settle's
// ten sleeps are recorded, not waited for. Under Wine the module's Sleep
// import is skipped, as dcshost --no-settle-wait does.
#include "tests/dcshost/run/run_fixture.h"

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
