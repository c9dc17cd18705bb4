// The run command's faults, malfunctions and disturbances, in process, against
// the real driver module loaded by path.
#include "tests/dcshost/run/run_fixture.h"

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
