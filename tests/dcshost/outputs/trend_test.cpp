// Trend files: the CSV a spreadsheet reads column by column, and an SVG with
// a panel per loop that a browser shows.
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "dcshost/outputs/output_plan.h"
#include "dcshost/outputs/trend.h"

namespace {

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

Trend TwoLoops()
{
    Trend trend;
    trend.Setup({"LIC101", "A&B<1>"}, {"P101"});
    trend.Sample(0.0, {{50.0, 50.0, 42.5, 0}, {1.0, 2.0, 3.0, 0}}, {1.0});
    trend.Sample(1.5, {{49.75, 55.0, 50.0, 1}, {1.5, 2.0, 3.0, 1}}, {2.0});
    trend.Sample(3.0, {{49.5, 55.0, 60.0, 1}, {1.5, 2.0, 3.0, 2}}, {2.0}, 0, false);
    return trend;
}

}  // namespace

TEST(Trend, writes_one_csv_column_per_loop_value_and_import)
{
    EXPECT_EQ(TwoLoops().Csv(),
              "time_s,LIC101.PV,LIC101.SP,LIC101.OP,LIC101.MODE,A&B<1>.PV,A&B<1>.SP,A&B<1>.OP,"
              "A&B<1>.MODE,P101,coupling\r\n"
              "0,50,50,42.5,0,1,2,3,0,1,1\r\n"
              "1.5,49.75,55,50,1,1.5,2,3,1,2,1\r\n"
              "3,49.5,55,60,1,1.5,2,3,2,2,0\r\n");
}

TEST(Trend, quotes_names_as_rfc_4180_and_keeps_every_digit)
{
    Trend trend;
    trend.Setup({"FIC,1"}, {"say \"hi\""});
    trend.Sample(12345678.9, {{0.1 + 0.2, 1.0 / 3.0, 1e-300, 1}}, {-2.5e17});
    trend.Sample(12345679.9, {{NAN, 0.0, 100.0, 0}}, {0.0});
    EXPECT_EQ(trend.Csv(),
              "time_s,\"FIC,1.PV\",\"FIC,1.SP\",\"FIC,1.OP\",\"FIC,1.MODE\",\"say \"\"hi\"\"\","
              "coupling\r\n"
              "12345678.9,0.30000000000000004,0.3333333333333333,1e-300,1,-2.5e+17,1\r\n"
              "12345679.9,nan,0,100,0,0,1\r\n");
}

// Every character as it is; only what XML cannot carry becomes U+FFFD.
TEST(Trend, writes_names_beyond_ascii_as_they_are)
{
    const std::string name = "F\xC3\xBCll \xE2\x80\x93 \xE2\x98\x83";  // "Füll – ☃"
    Trend trend;
    trend.Setup({name, "bad\xFF"}, {});
    trend.Sample(0.0, {{1.0, 1.0, 1.0, 1}, {1.0, 1.0, 1.0, 1}}, {});
    EXPECT_EQ(trend.Csv().rfind("time_s," + name + ".PV,", 0), 0u);
    std::string svg = trend.Svg(name, 12);
    EXPECT_EQ(Count(svg, ">" + name + "</text>"), 2u);
    EXPECT_NE(svg.find(">bad\xEF\xBF\xBD</text>"), std::string::npos);
}

TEST(Trend, draws_a_panel_per_loop_and_per_import_with_escaped_names)
{
    std::string svg = TwoLoops().Svg("Unit & co", 12);
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_NE(svg.find(">Unit &amp; co</text>"), std::string::npos);
    EXPECT_NE(svg.find(">A&amp;B&lt;1&gt;</text>"), std::string::npos);
    EXPECT_NE(svg.find(">P101 (imported)</text>"), std::string::npos);
    // PV, SP and OP per loop, one value line per import.
    EXPECT_EQ(Count(svg, "<polyline class=\"pv\""), 2u);
    EXPECT_EQ(Count(svg, "<polyline class=\"sp\""), 2u);
    EXPECT_EQ(Count(svg, "<polyline class=\"out\""), 2u);
    EXPECT_EQ(Count(svg, "<polyline class=\"value\""), 1u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(Trend, shades_only_the_spans_in_automatic)
{
    std::string svg = TwoLoops().Svg("t", 12);
    // Both loops are automatic from 1.5 s until the step at 3 s, which lost
    // the coupling (and put loop 2 in mode 2); the four legends show one band each.
    EXPECT_EQ(Count(svg, "class=\"auto\"/>"), 2u + 2u);
    // The step without coupling is grey on every panel, and in each legend.
    EXPECT_EQ(Count(svg, "class=\"lost\"/>"), 2u * 3u);
    EXPECT_EQ(Count(svg, "<rect x=\"896.0\" y=\""), 3u);  // the band at 3 s
}

TEST(Trend, says_which_loops_the_chart_leaves_out)
{
    std::string svg = TwoLoops().Svg("Scale", 1);
    EXPECT_NE(svg.find(">Scale (first 1 of 2 loops; every loop is in the CSV)</text>"),
              std::string::npos);
    EXPECT_EQ(Count(svg, "<polyline class=\"pv\""), 1u);
}

TEST(Trend, makes_its_folder_and_reports_a_file_it_cannot_write)
{
    std::string error;
    const std::string dir = ::testing::TempDir() + "dcshost_trend_folder";
    std::remove((dir + "/t.csv").c_str());
    EXPECT_TRUE(TwoLoops().WriteCsv(dir + "/t.csv", error)) << error;
    // A folder whose place a file already holds cannot be made.
    const std::string blocked = dir + "/t.csv/inner.csv";
    EXPECT_FALSE(TwoLoops().WriteCsv(blocked, error));
    // With the system's reason, in its words on each platform.
    EXPECT_EQ(error.rfind("cannot write " + blocked + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), ("cannot write " + blocked + ": ").size()) << error;
}

TEST(Trend, draws_an_upset_only_on_the_panel_of_the_loop_it_acts_on)
{
    const struct {
        std::vector<unsigned char> hit;  // per loop, at 1.5 s
        size_t first, second;            // upset rectangles per panel (legend and band)
    } cases[] = {{{1, 0}, 2, 0}, {{0, 1}, 0, 2}, {{1, 1}, 2, 2}, {{0, 0}, 0, 0}};
    for (const auto& c : cases) {
        Trend trend;
        trend.Setup({"LIC101", "FIC102"}, {}, false, true);
        trend.Sample(0.0, {{50.0, 50.0, 42.5, 1}, {1.0, 2.0, 3.0, 1}}, {}, 0, true, 0, {0, 0});
        trend.Sample(1.5, {{49.75, 55.0, 50.0, 1}, {1.5, 2.0, 3.0, 1}}, {}, 0, true, 1, c.hit);
        trend.Sample(3.0, {{49.5, 55.0, 60.0, 1}, {1.5, 2.0, 3.0, 1}}, {}, 0, true, 0, {0, 0});
        std::string svg = trend.Svg("t", 12);
        size_t second = svg.find(">FIC102</text>");
        EXPECT_EQ(Count(svg.substr(0, second), "class=\"upset\"/>"), c.first);
        EXPECT_EQ(Count(svg.substr(second), "class=\"upset\"/>"), c.second);
        // The CSV counts every upset acting, whichever loop it hit.
        EXPECT_NE(trend.Csv().find("\r\n1.5,49.75,55,50,1,1.5,2,3,1,1,1\r\n"), std::string::npos);
    }
}

// The trend files' name, for run (the scenario's stem) and replay (the
// recording's, without .gz and .rec, then .replay).
TEST(TrendName, FromTheNameGivenOrTheSource)
{
    const std::vector<std::string> recording = {".gz", ".rec"};
    struct Case {
        std::string given, source;
        bool replay;
        std::string name;
    } cases[] = {
        {"", "plant/unit.toml", false, "unit"},   {"", "default", false, "default"},
        {"", "C:\\a\\.hidden", false, ".hidden"}, {"mine", "plant/unit.toml", false, "mine"},
        {"", "out/s.rec.gz", true, "s.replay"},   {"", "s.toml.gz", true, "s.toml.replay"},
        {"", ".rec", true, ".rec.replay"},        {"mine", "s.rec", true, "mine.replay"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.replay ? TrendName(c.given, c.source, recording, ".replay")
                           : TrendName(c.given, c.source),
                  c.name)
            << c.source;
}
