// Chosen views: loops by name or glob, and the chart's choice of panels.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/outputs/views.h"

TEST(Views, match_names_by_glob)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"FIC102", "FIC102", true}, {"FIC102", "FIC1020", false},
        {"FIC*", "FIC102", true},   {"*102", "FIC102", true},
        {"F?C102", "FIC102", true}, {"F?C102", "FC102", false},
        {"*I*0*", "FIC102", true},  {"*", "", true},
        {"?", "", false},           {"L*9", "L0099", true},
        {"L*9", "L0090", false},    {"a*b*c", "aXbYbZc", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GlobMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(Views, select_loops_in_table_order_and_name_a_pattern_that_matches_none)
{
    const std::vector<std::string> names = {"LIC101", "FIC102", "TIC103", "FIC104"};
    std::vector<size_t> chosen;
    std::string error;
    ASSERT_TRUE(SelectLoops("FIC*,LIC101,FIC102", names, chosen, error));
    EXPECT_EQ(chosen, (std::vector<size_t>{0, 1, 3}));
    EXPECT_FALSE(SelectLoops("TIC*,PIC*", names, chosen, error));
    EXPECT_EQ(error, "'PIC*' matches no loop");
}

TEST(Views, chart_the_first_or_the_worst_loops)
{
    ChartChoice choice;
    std::string error;
    ASSERT_TRUE(ParseChartChoice("worst:8", choice, error));
    EXPECT_TRUE(choice.worst);
    EXPECT_EQ(choice.count, 8);
    ASSERT_TRUE(ParseChartChoice("first:0", choice, error));
    EXPECT_FALSE(choice.worst);
    EXPECT_EQ(choice.count, 0);
    for (const char* bad : {"worst:", "worst:51", "best:3", "-1", "3x"})
        EXPECT_FALSE(ParseChartChoice(bad, choice, error)) << bad;
    // NaN first (a loop that diverged), not judged (-1) last, ties in table order.
    EXPECT_EQ(WorstLoops({0.5, -1.0, 7.0, NAN, 0.5, 2.0}, 4), (std::vector<size_t>{3, 2, 5, 0}));
}
