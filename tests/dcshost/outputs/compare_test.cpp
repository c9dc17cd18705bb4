// Comparing a run with a reference: the trend CSV read back exactly, and the
// first sample where a value leaves the band, or why the two cannot be compared.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/outputs/compare.h"
#include "dcshost/outputs/trend.h"

namespace {

CsvTable Table(const std::string& text)
{
    CsvTable table;
    std::string error;
    EXPECT_TRUE(ParseCsv(text, table, error)) << error;
    return table;
}

}  // namespace

TEST(Compare, reads_a_trend_back_to_the_same_doubles)
{
    Trend trend;
    trend.Setup({"A,\"1\""}, {"Q"});
    trend.Sample(0.1, {{0.1 + 0.2, 1.0 / 3.0, 1e-300, 1}}, {NAN});
    CsvTable table = Table(trend.Csv());
    ASSERT_EQ(table.header.size(), 7u);  // with coupling
    EXPECT_EQ(table.header[1], "A,\"1\".PV");
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0][1], 0.1 + 0.2);
    EXPECT_EQ(table.rows[0][2], 1.0 / 3.0);
    EXPECT_EQ(table.rows[0][3], 1e-300);
    EXPECT_TRUE(std::isnan(table.rows[0][5]));
}

TEST(Compare, refuses_what_is_not_a_trend_table)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"# The built-in scenario\n[run]\n",
         "its first line does not start with time_s: not a trend CSV of dcshost (--compare "
         "takes the NAME.trend.csv a run wrote)"},
        {"time_s,A.PV\n0,1,2\n", "line 2: 3 fields under a header of 2"},
        {"time_s,A.PV\n0,x\n", "line 2: 'x' in column A.PV is not a number"},
        {"time_s,\"A.PV\n0,1\n", "line 1: a quoted field is not closed"},
    };
    for (const Case& c : cases) {
        CsvTable table;
        std::string error;
        EXPECT_FALSE(ParseCsv(c.text, table, error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(Compare, finds_the_first_value_outside_the_band)
{
    CsvTable reference =
        Table("time_s,A.PV,A.SP,A.OP,A.MODE\r\n0,50,50,10,0\r\n1,50,50,10,1\r\n2,0.5,50,10,1\r\n");
    Deviation first;
    std::string error;
    // The mode is not compared; the band is relative above 1, absolute below.
    CsvTable run = Table(
        "time_s,A.PV,A.SP,A.OP,A.MODE\n0,50.0004,50,10,1\n1,50,50,10,0\n2,0.500005,50,10,1\n");
    EXPECT_TRUE(CompareTrends(run, reference, 1e-5, first, error)) << first.column;
    EXPECT_FALSE(CompareTrends(run, reference, 1e-6, first, error));
    EXPECT_EQ(first.column, "A.PV");
    EXPECT_EQ(first.time, 0.0);
    EXPECT_EQ(first.value, 50.0004);
    EXPECT_EQ(first.reference, 50.0);
    EXPECT_EQ(error, "");

    struct Case {
        const char* run;
        const char* error;
    } cases[] = {
        {"time_s,A.PV,A.SP\n0,50,50\n1,50,50\n2,0.5,50\n", "the run has no column A.OP"},
        {"time_s,A.PV,A.SP,A.OP\n0,50,50,10\n", "the reference has 3 samples, the run 1"},
        {"time_s,A.PV,A.SP,A.OP\n0,50,50,10\n1.5,50,50,10\n2,0.5,50,10\n",
         "sample 1 is at 1.5 s in the run and at 1 s in the reference"},
    };
    for (const Case& c : cases) {
        Deviation none;
        EXPECT_FALSE(CompareTrends(Table(c.run), reference, 1.0, none, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(none.column, "");
    }
}
