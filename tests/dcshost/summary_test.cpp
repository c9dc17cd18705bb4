// The judgement of a run: a loop's error against its setpoint, and the
// summary table that stays compact at scale.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/outputs/summary.h"

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
    std::string table = FormatLoopTable(loops, 3);
    EXPECT_EQ(table,
              "  25 loops; the 3 farthest from their setpoints:\n"
              "  loop      mode              SP            PV      error     OP %\n"
              "  L17       auto              50            45   10.000 %     0.00\n"
              "  L0        auto              50            50    0.000 %     0.00\n"
              "  L1        auto              50            50    0.000 %     0.00\n");
    // Up to the limit every loop is shown, in table order.
    EXPECT_EQ(FormatLoopTable(std::vector<LoopResult>(loops.begin(), loops.begin() + 3), 3)
                  .find("farthest"),
              std::string::npos);
}
