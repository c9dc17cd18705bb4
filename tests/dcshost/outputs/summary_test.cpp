// The judgement of a run: a loop's error against its setpoint, and the
// summary table that stays compact at scale.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/control/modes.h"
#include "dcshost/host/coupling.h"
#include "dcshost/host/value_watch.h"
#include "dcshost/outputs/summary.h"
#include "standins/vnxsim/utf8.h"

TEST(Summary, judges_a_loop_by_its_error_against_the_setpoint)
{
    EXPECT_DOUBLE_EQ(ErrorPercent(49.5, 50.0), 1.0);
    EXPECT_DOUBLE_EQ(ErrorPercent(0.005, 0.0), 0.5);  // of 1 when the setpoint is 0
    LoopResult loop;
    loop.has_pv = true;
    loop.error_percent = 1.0;
    EXPECT_TRUE(LoopSettled(loop, 1.0));
    loop.error_percent = 1.01;
    EXPECT_FALSE(LoopSettled(loop, 1.0));
    loop.error_percent = NAN;
    EXPECT_FALSE(LoopSettled(loop, 1.0));
    loop.active = false;  // loops that take no part are not judged
    EXPECT_TRUE(LoopSettled(loop, 1.0));
}

TEST(Summary, keeps_the_summary_compact_with_the_worst_loops_first)
{
    std::vector<LoopResult> loops(25);
    for (size_t i = 0; i < loops.size(); ++i) {
        loops[i].name = "L" + std::to_string(i);
        loops[i].has_pv = true;
        loops[i].sp = 50.0;
        loops[i].pv = 50.0;
        loops[i].mode = 1;
    }
    loops[17].pv = 45.0;
    loops[17].error_percent = 10.0;
    loops[0].mode = 2;
    loops[1].stale = true;
    std::string table = FormatLoopTable(loops, 3);
    EXPECT_EQ(table,
              "  25 loops; the 3 farthest from their setpoints:\n"
              "  loop      mode                            SP            PV      error     OP %\n"
              "  L17       1 (automatic)                   50            45   10.000 %     0.00\n"
              "  L0        2 (manual: not 1)               50            50    0.000 %     0.00\n"
              "  L1        stale: 1 (automatic)            50            50    0.000 %     0.00\n");
    // Up to the limit every loop is shown, in table order.
    EXPECT_EQ(FormatLoopTable(std::vector<LoopResult>(loops.begin(), loops.begin() + 3), 3)
                  .find("farthest"),
              std::string::npos);
    // A runaway loop reads the same on every platform, never "-nan".
    loops[2].pv = loops[2].error_percent = std::nan("");
    std::string runaway = FormatLoopTable({loops[2]}, 3);
    EXPECT_EQ(runaway.substr(runaway.find('\n') + 1),
              "  L2        1 (automatic)            50           NaN      NaN %     0.00\n");
    // A value that ran away but stayed finite keeps its magnitude, never a cut digit string.
    loops[2].pv = 2.17203e+201;
    loops[2].error_percent = 4.34406e+202;
    runaway = FormatLoopTable({loops[2]}, 3);
    EXPECT_EQ(runaway.substr(runaway.find('\n') + 1),
              "  L2        1 (automatic)            50  2.17203e+201  4.34406e+202 %     0.00\n");
}

// Columns count characters: a long name is cut, a name beyond ASCII padded
// by its characters, so every line of the table is as wide as its header.
TEST(Summary, cuts_a_long_name_in_its_column_and_pads_by_characters)
{
    std::vector<LoopResult> loops(2);
    loops[0].name = std::string(100000, 'x');
    loops[1].name = "F\xC3\xBCll \xE2\x80\x93 \xE2\x98\x83";  // "Füll – ☃"
    std::string table = FormatLoopTable(loops, 3);
    EXPECT_NE(table.find("\n  " + std::string(29, 'x') + "...  "), std::string::npos) << table;
    EXPECT_NE(table.find("\n  F\xC3\xBCll \xE2\x80\x93 \xE2\x98\x83" + std::string(24, ' ') + "  "),
              std::string::npos);
    const size_t width = table.find('\n');
    EXPECT_LT(width, 100u);
    for (size_t at = 0, end = 0; at < table.size(); at = end + 1) {
        end = table.find('\n', at);
        EXPECT_EQ(utf8::Count(table.substr(at, end - at)), width) << table;
    }
}

TEST(Summary, names_a_mode_by_the_control_systems_value)
{
    const std::pair<int, const char*> cases[] = {{0, "0 (manual)"},
                                                 {1, "1 (automatic)"},
                                                 {2, "2 (manual: not 1)"},
                                                 {-1, "-1 (manual: not 1)"}};
    for (const auto& [mode, text] : cases) EXPECT_EQ(ModeText(mode), text);
}

TEST(Summary, loses_the_coupling_only_on_a_step_whose_every_list_read_failed)
{
    ReceivedMessage ctrl, sp, import, array;
    for (auto [m, context] : {std::pair{&ctrl, "for Controller Output Tag List"},
                              {&sp, "for Controller Setpoint Tag List"},
                              {&import, "for PV Import Tag List"},
                              {&array, "for PV Export Array"}}) {
        m->key = "DCSGeneralVendorMsg2";
        m->argc = 2;
        m->kinds[0] = m->kinds[1] = 's';
        m->texts[1] = context;
    }
    // Per step the reports; with an import list unless said.
    struct Case {
        bool import_list;
        std::vector<std::vector<const ReceivedMessage*>> steps;
        std::vector<std::string> lines;
    } cases[] = {
        {true, {{&ctrl}, {&import, &array}}, {}},
        {true,
         {{}, {&ctrl, &import}, {&sp, &import}, {}},
         {"coupling lost at 2 s, restored at 4 s (2 steps)"}},
        {false, {{&ctrl}, {&ctrl}}, {"coupling lost at 1 s, for 2 steps (to the end)"}},
        {true,
         {{&ctrl, &import}, {}, {&ctrl, &import}},
         {"coupling lost at 1 s, restored at 2 s (1 step)",
          "coupling lost at 3 s, for 1 step (to the end)"}},
    };
    for (const Case& c : cases) {
        CouplingWatch watch(c.import_list);
        watch.Note(ctrl);  // outside a step: not the step's
        for (size_t k = 0; k < c.steps.size(); ++k) {
            watch.BeginStep();
            for (const ReceivedMessage* m : c.steps[k]) watch.Note(*m);
            watch.EndStep(k + 1.0);
        }
        std::vector<std::string> lines;
        for (const CouplingLoss& loss : watch.Losses()) lines.push_back(FormatCouplingLoss(loss));
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(Summary, counts_each_unsound_value_by_row_and_kind_where_it_was_written)
{
    Scenario s;
    s.pv_array_tag = "ARR";
    s.controllers.resize(1);
    s.controllers[0].name = "FIC1";
    s.controllers[0].cells = {{"OP Init TAG", "F.OPI"}, {"SP Init TAG", "F.SPI"}};
    s.pvs.resize(2);
    for (int i : {0, 1}) {
        s.pvs[i].name = "PI" + std::to_string(i);
        s.pvs[i].cells = {{"TAG", "P" + std::to_string(i)}};
    }
    ValueWatch watch;
    watch.Setup(s);
    const struct {
        double time;
        const char* tag;
        int index;
        double value;
    } writes[] = {{0, "F.OPI", 0, INFINITY}, {0, "F.SPI", 0, 3.4e38},
                  {1, "ARR", 1, NAN},        {1, "ARR", 2, NAN},
                  {2, "ARR", 1, NAN},        {2, "P0", 0, -3.4028234663852886e38},
                  {3, "Q", 0, NAN},          {3, "ARR", 0, 1e38}};
    for (const auto& w : writes) {
        watch.SetTime(w.time);
        watch.Written(w.tag, w.index, w.value);
    }
    std::vector<std::string> lines;
    for (const UnsoundSent& sent : watch.Found()) lines.push_back(FormatUnsoundSent(sent));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "controller row 0 (FIC1) OP Init: infinity sent at 0 s, 1 time",
                  "PV export row 1 (PI1): NaN sent at 1 s, 2 times",
                  "PV export row 0 (PI0): beyond float range (saturated) sent at 2 s, 1 time"}));
}
