// dcshost calibrate around its fits: what it reads from a recording, which
// rows make a loop, what it refuses, its exit codes and the base it rewrites.
// Nothing here depends on how well a loop is fitted.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <zlib.h>

#include "dcshost/calibrate/calibrate.h"
#include "dcshost/calibrate/scenario_out.h"
#include "dcshost/commands/cli.h"
#include "dcshost/exit_codes.h"
#include "dcshost/run/run.h"
#include "recording/format/line_writer.h"
#include "recording/format/value_text.h"
#include "tests/support/module_path.h"

#if defined(_WIN32)
#  include <process.h>
#  define getpid _getpid
#else
#  include <unistd.h>
#endif
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

namespace {

// One flow loop; the operator moves its SP from 40 to 50 at 10 s.
const char* const kBase = R"(title = "one loop"
[run]
step = 1.0
duration = 40.0
[[run.event]]
at = 10.0
tag = "FIC1.SP"
value = 50.0
[system]
array = [{ name = "ARR", upper = 0 }]
tag = [
  { name = "FIC1.SP", value = 40 }, { name = "FIC1.OP", value = 40 },
  { name = "FIC1.MODE", type = "int" }, { name = "FIC1.SPI" }, { name = "FIC1.OPI" },
  { name = "FI1.PV", value = 40 },
]
# the flow controller
[[system.pid]]
name = "FIC1"
sp_tag = "FIC1.SP"
op_tag = "FIC1.OP"
mode_tag = "FIC1.MODE"
sp_init_tag = "FIC1.SPI"
op_init_tag = "FIC1.OPI"
pv_tag = "ARR"
pv_index = 0
kp = 0.5   # from the printout
ti = 4.0
[host]
pv_array_tag = "ARR"
controller = [{ name = "FIC1", sp_tag = "FIC1.SP", op_tag = "FIC1.OP", mode_tag = "FIC1.MODE", sp_init_tag = "FIC1.SPI", op_init_tag = "FIC1.OPI", sp = 40, op = 0.4, pv = "FI1" }]
pv = [{ name = "FI1", tag = "FI1.PV", from = "plant:flow" }]
[[plant.block]]
name = "flow"
kind = "first_order"
tau = 3.0
dead_time = 1.0
initial = 40.0
inputs = [{ from = "op:FIC1", gain = 1.0 }]
)";

// Each test runs in a process of its own and remakes the suite's files:
// the process id keeps two running side by side apart.
std::string Temp(const std::string& name)
{
    return ::testing::TempDir() + "calibrate_" + std::to_string(getpid()) + "_" + name;
}

void Write(const std::string& path, const std::string& text, bool gzip = false)
{
    if (gzip) {
        gzFile out = gzopen(path.c_str(), "wb");
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
        return;
    }
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string Num(double value)
{
    std::string text;
    AppendDouble(text, value);
    return text;
}

// A recording as the recorder writes one: DCSLoad's columns, the rows
// handed over at DCSConfigure (SP tags, PV tags), then one DCSSimulate per
// PV value, each with its SP and OP stored, a T line when `timed` and a
// wall-clock line every `wall_us` when that is not 0 (format 2).
std::string Recording(const std::vector<std::string>& sp_tags,
                      const std::vector<std::string>& pv_tags, const std::vector<double>& pv,
                      bool timed, int64_t wall_us = 0)
{
    std::string r =
        std::string(wall_us ? "# vornak recording 2" : "# vornak recording 1") +
        "\n@platform linux-i686\n@driver none\n"
        "@start 2026-12-08T09:20:00Z\n@by dcshost 1.0.0.12\n> DCSLoad\no n gd 1\no n cd 5\n"
        "o n pd 1\no n md 2\no d g 0 2\no d c 0 2\no d c 1 2\no d c 2 2\no d c 3 2\no d c 4 2\n"
        "o d p 0 2\no d m 0 2\no d m 1 3\n< 0\n> DCSConfigure\n";
    r += "i n c " + std::to_string(sp_tags.size()) + "\ni n p " + std::to_string(pv_tags.size()) +
         "\n";
    for (size_t c = 0; c < sp_tags.size(); ++c)
        for (int col = 0; col < CTRL_COLUMNS; ++col)
            r += (col ? "i c = k" : "i c " + std::to_string(c) + " a 1\ni c = k") +
                 std::to_string(col) + " \"" + sp_tags[c] + (col ? std::to_string(col) : "") +
                 "\"\n";
    for (size_t p = 0; p < pv_tags.size(); ++p)
        r += "i p " + std::to_string(p) + " a 1\ni p = k0 \"" + pv_tags[p] + "\"\n";
    r += "< 1\n";
    for (size_t k = 0; k < pv.size(); ++k) {
        if (timed) r += "T " + std::to_string(k + 1) + "\n";
        if (wall_us) r += "W " + std::to_string(static_cast<int64_t>(k) * wall_us) + "\n";
        r += "> DCSSimulate\n";
        for (size_t p = 0; p < pv_tags.size(); ++p)
            r += "i p " + std::to_string(p) + " v " + Num(p ? 7.0 : pv[k]) + "\n";
        // A P controller: OP = 50 % + 2 % per unit of error.
        const double sp = k < 5 ? 40 : 50;
        for (size_t c = 0; c < sp_tags.size(); ++c)
            r += "o c " + std::to_string(c) + " sp " + Num(sp) + "\no c = op " +
                 Num((50 + 2 * (sp - (c ? 7.0 : pv[k]))) / 100) + "\no c = su 1\no c = ou 1\n";
        r += "< 1\n";
    }
    return r + "end\n";
}

std::vector<double> Ramp(int steps)
{
    std::vector<double> pv;
    for (int k = 0; k < steps; ++k) pv.push_back(40.0 + (k % 20) * 0.5);  // a saw: excited
    return pv;
}

// The base scenario run through the driver with --record, once for the file.
class Calibrate : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
#if !defined(_WIN32)
        WinShimReset();
#endif
        Write(Temp("base.toml"), kBase);
        Scenario s;
        std::vector<ScenarioError> errors;
        ASSERT_TRUE(ParseScenario(kBase, "base.toml", s, errors));
        RunOptions o;
        o.driver_path = TestModulePath();
        o.settle_wait = false;
        o.trends = false;
        o.record = Temp("run.rec");
        o.force = true;
        ::testing::internal::CaptureStdout();
        ASSERT_EQ(RunScenario(s, o), kExitClean);
        ::testing::internal::GetCapturedStdout();
    }

    static int Command(std::vector<const char*> words, std::string* err = nullptr)
    {
        words.insert(words.begin(), {"dcshost", "calibrate"});
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        int code = RunCommandLine(static_cast<int>(words.size()), words.data());
        ::testing::internal::GetCapturedStdout();
        std::string e = ::testing::internal::GetCapturedStderr();
        if (err) *err = e;
        return code;
    }
};

TEST_F(Calibrate, reads_each_step_of_a_run_recording)
{
    Recorded r;
    std::string error;
    ASSERT_TRUE(LoadRecorded(Temp("run.rec"), 0.0, r, error)) << error;
    EXPECT_EQ(r.steps, 40);
    EXPECT_EQ(r.step, 1.0);
    EXPECT_EQ(r.timing, StepTiming::TLines);
    EXPECT_EQ(r.time[39], 39.0);
    ASSERT_EQ(r.tables.controllers.size(), 1u);
    EXPECT_EQ(r.tables.controllers[0].tags[CTRL_COL_OP], "FIC1.OP");
    EXPECT_EQ(r.tables.array_tag, "ARR");
    // The SP the driver read before and after the operator's move at 10 s;
    // OP in % as the control system holds it, the PV moving with it.
    EXPECT_EQ(r.sp[0][0], 40.0);
    EXPECT_EQ(r.sp[0][39], 50.0);
    EXPECT_NEAR(r.op[0][0], 40.0, 1e-9);
    EXPECT_GT(r.pv[0][39], 45.0);
}

TEST_F(Calibrate, reads_a_cut_recording_up_to_its_cut)
{
    // As the recorder leaves a session that ends after a sync point.
    std::string text = Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(6), true);
    text.erase(text.rfind("end\n"));
    LineWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(Temp("cut.part"), error));
    writer.Write(text);
    writer.Sync();
    Write(Temp("cut.rec"), Read(Temp("cut.part")));
    writer.Close(error);
    Recorded r;
    ASSERT_TRUE(LoadRecorded(Temp("cut.rec"), 0.0, r, error)) << error;
    EXPECT_EQ(r.steps, 6);
    EXPECT_EQ(r.cut.rfind("line ", 0), 0u) << r.cut;
    EXPECT_NE(r.cut.find("(after DCSSimulate #6)"), std::string::npos) << r.cut;
}

TEST_F(Calibrate, refuses_what_it_cannot_fit_with_the_reason)
{
    Write(Temp("plain.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(8), true));
    Write(Temp("damaged.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(8), true));  // not gzip
    Write(Temp("empty.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, {}, true), true);
    Write(Temp("untimed.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(80), false), true);
    Write(Temp("twice.rec"), Recording({"FIC1.SP"}, {"FI1.PV", "FT1.PV"}, Ramp(8), true), true);
    Write(Temp("other.toml"),
          std::string(kBase).replace(std::string(kBase).find("FI1.PV\", from"), 6, "FX1.PV"));
    const std::string run = Temp("run.rec"), damaged = Temp("damaged.rec"),
                      empty = Temp("empty.rec"), untimed = Temp("untimed.rec"),
                      twice = Temp("twice.rec"), other = Temp("other.toml"),
                      base = Temp("base.toml");
    struct {
        std::vector<const char*> words;
        const char* says;
    } cases[] = {
        {{damaged.c_str()}, "not gzip"},
        {{empty.c_str()}, "nothing to fit: the recording holds no DCSSimulate"},
        {{untimed.c_str()}, "neither T nor wall-clock lines: give the step with --step"},
        {{twice.c_str()}, "PV rows 0 (FI1.PV) and 1 (FT1.PV) both carry loop number 1"},
        {{run.c_str(), "--scenario", other.c_str()},
         "does not match the recording's tables: PV row 0 (FI1): TAG is 'FX1.PV' in the base, "
         "'FI1.PV' in the recording"},
        {{run.c_str(), "--step", "0"}, "--step"},
        {{run.c_str(), "--step", "nan"}, "--step"},
        {{run.c_str(), "--out", run.c_str()}, "an output never replaces an input"},
        {{run.c_str(), "--out", base.c_str(), "--scenario", base.c_str()},
         "an output never replaces an input"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Command(c.words, &err), kExitBadScenario) << c.says;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
    std::string err;
    EXPECT_EQ(Command({Temp("untimed.rec").c_str(), "--step", "2"}, &err), kExitClean) << err;
}

TEST_F(Calibrate, times_steps_by_t_lines_then_by_step_then_by_wall_clock)
{
    // The host paced a step of 1 s at one every 2 s.
    Write(Temp("both.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(20), true, 2000000), true);
    Write(Temp("walled.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, Ramp(20), false, 2000000), true);
    struct {
        const char* file;
        double given;
        StepTiming timing;
        double step;
    } const cases[] = {
        {"both.rec", 0.0, StepTiming::TLines, 1.0},
        {"both.rec", 5.0, StepTiming::TLines, 1.0},
        {"walled.rec", 0.0, StepTiming::WallClock, 2.0},
        {"walled.rec", 0.5, StepTiming::Given, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " --step " << c.given);
        Recorded r;
        std::string error;
        ASSERT_TRUE(LoadRecorded(Temp(c.file), c.given, r, error)) << error;
        EXPECT_EQ(r.timing, c.timing);
        EXPECT_DOUBLE_EQ(r.step, c.step);
        EXPECT_DOUBLE_EQ(r.time.back(), 19 * c.step);
    }
}

TEST_F(Calibrate, finds_loops_by_base_or_by_loop_number)
{
    RecordedTables t;
    t.array_tag = "ARR";
    for (const char* sp : {"LIC101.SP", "FIC102.SP", "PIC7.SP"})
        t.controllers.push_back({{sp, std::string(sp) + "OP"}, true, 0, 0});
    for (const char* pv : {"FI102.PV", "LI101.PV", "TI103.PV"}) t.pvs.push_back({pv, true, 0, 0});
    std::vector<LoopRef> loops;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(FindLoops(t, nullptr, loops, notes, error));
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[0].name + "/" + std::to_string(loops[0].pv), "LIC101/1");
    EXPECT_EQ(loops[1].name + "/" + std::to_string(loops[1].pv), "FIC102/0");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0],
              "controller row 2 (SP tag PIC7.SP): no PV row's tag carries loop number 7; "
              "not fitted");
    t.controllers[2].tags[CTRL_COL_SP] = "LY101.SP";
    EXPECT_FALSE(FindLoops(t, nullptr, loops, notes, error));
    EXPECT_EQ(error,
              "controller rows 0 and 2 both carry loop number 101 of PV row 1 (LI101.PV); "
              "give the loops with --scenario");

    Scenario base;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(ParseScenario(kBase, "base.toml", base, errors));
    RecordedTables one;
    one.array_tag = "ARR";
    one.controllers.push_back({{"FIC1.SP", "FIC1.OP"}, true, 0, 0});
    one.pvs.push_back({"ANY", true, 0, 0});
    ASSERT_TRUE(FindLoops(one, &base, loops, notes, error));
    ASSERT_EQ(loops.size(), 1u);  // through pv_tag ARR[0], whatever the row's own tag
    EXPECT_EQ(loops[0].pid, 0);
    base.controllers[0].pv = "FI9";
    EXPECT_FALSE(FindLoops(one, &base, loops, notes, error));
    EXPECT_EQ(error,
              "PID FIC1: its pv_tag is PV row 0 (FI1), but controller FIC1 names PV row "
              "FI9 as its pv");
    one.controllers.push_back(one.controllers[0]);
    EXPECT_FALSE(FindLoops(one, &base, loops, notes, error));
    EXPECT_EQ(error, "PID FIC1: controller rows 0 and 1 both read its SP and OP tags");
    one.controllers.pop_back();
    base.controllers[0].pv = "FI1";
    base.pids.push_back(base.pids[0]);
    base.pids[1].name = "FIC1B";
    EXPECT_FALSE(FindLoops(one, &base, loops, notes, error));
    EXPECT_EQ(error, "PIDs FIC1 and FIC1B both act on controller row 0 (FIC1.SP, FIC1.OP)");
}

TEST_F(Calibrate, rewrites_the_base_in_place_and_keeps_the_rest)
{
    Scenario base;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(ParseScenario(kBase, "base.toml", base, errors));
    Calibration c{"run.rec", 40, 1.0, {}, 0};
    CalibratedLoop& loop = c.loops.emplace_back();
    loop.ref = LoopRef{"FIC1", 0, 0, 0};
    loop.pid.kp = {-0.75, 0.002};
    loop.pid.ti = {2e7, 0.01};  // past the reader's limit: said, not written
    loop.pid.td = {1.5, NAN};
    loop.pid.scan_below_step = true;
    loop.plant_fitted = true;
    loop.plant.gain = {2.5, 0.01};
    loop.plant.tau = {6.0, 0.01};
    loop.plant.dead_steps = 3;
    std::vector<std::string> unwritten;
    const std::string plant = EditedBase(kBase, base, c, true, unwritten);
    EXPECT_NE(plant.find("\n# fitted: gain +-1 % (was 1.0)\n"
                         "inputs = [{ from = \"op:FIC1\", gain = 2.5 }]\nbias = 0 # fitted"),
              std::string::npos)
        << plant;
    EXPECT_NE(plant.find("\ndead_time = 3 # fitted, in whole steps; was 1.0\n"), std::string::npos);
    unwritten.clear();
    const std::string text = EditedBase(kBase, base, c, false, unwritten);
    EXPECT_NE(text.find("\nkp = -0.75 # fitted, +-0.2 %; was 0.5 # from the printout\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nti = 4.0\ntd = 1.5 # fitted, confidence unknown\n[host]"),
              std::string::npos)
        << text;
    ASSERT_EQ(unwritten.size(), 1u);
    EXPECT_EQ(unwritten[0].rfind("PID FIC1: ti is 20000000 s; it must lie between", 0), 0u)
        << unwritten[0];
    // Every other line as the user wrote it.
    std::string rest = text;
    for (const char* fitted : {"kp", "td"}) {
        size_t at = rest.find(std::string("\n") + fitted + " = ");
        rest.erase(at, rest.find('\n', at + 1) - at);
    }
    std::string was = kBase;
    was.erase(was.find("\nkp = "), was.find('\n', was.find("\nkp = ") + 1) - was.find("\nkp = "));
    EXPECT_EQ(rest, was);
}

TEST_F(Calibrate, exit_code_and_json_say_which_loops_were_not_identifiable)
{
    // FIC1's PV moves; FIC2's never changes.
    std::vector<double> pv = Ramp(120);
    Write(Temp("two.rec"), Recording({"FIC1.SP", "FIC2.SP"}, {"FI1.PV", "FI2.PV"}, pv, true), true);
    const std::string json = Temp("two.json"), two = Temp("two.rec"), one = Temp("one.rec");
    std::remove(json.c_str());
    EXPECT_EQ(Command({two.c_str(), "--json", json.c_str()}), kExitNotIdentifiable);
    const std::string text = Read(json);
    EXPECT_NE(text.find("{\"name\": \"FIC2\",\n      \"sp_tag\": \"FIC2.SP\",\n      \"op_tag\": "
                        "\"FIC2.SP1\",\n      \"pv_tag\": \"FI2.PV\",\n      "
                        "\"not_identifiable\": \"PV never changing\"}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"exit_code\": 11\n}"), std::string::npos);
    // An existing --json is replaced only with --force.
    EXPECT_EQ(Command({two.c_str(), "--json", json.c_str()}), kExitBadScenario);
    // Without a base: a whole scenario that run reads.
    Write(Temp("one.rec"), Recording({"FIC1.SP"}, {"FI1.PV"}, pv, true), true);
    const std::string out = Temp("one.toml");
    std::remove(out.c_str());
    EXPECT_EQ(
        Command({one.c_str(), "--json", json.c_str(), "--force", "--out", out.c_str(), "--plant"}),
        kExitClean);
    Scenario fitted;
    std::vector<ScenarioError> errors;
    EXPECT_TRUE(ParseScenario(Read(out), out, fitted, errors)) << Read(out);
    ASSERT_EQ(fitted.pids.size(), 1u);
    EXPECT_EQ(fitted.pids[0].pv_tag, "FI1.PV");
    EXPECT_EQ(fitted.run.events.size(), 1u);  // the SP move
}

}  // namespace
