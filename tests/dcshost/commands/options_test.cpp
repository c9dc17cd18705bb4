// Option rows on a command of their own: each value lands, typed, where its
// row says, and a rule CLI11 cannot check itself refuses the command line
// before the command runs.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <CLI/CLI.hpp>

#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"

namespace {

enum class Side { Left, Right };

std::string ReadSide(const std::string& text, Side& side)
{
    if (text != "left" && text != "right") return "'" + text + "': left or right";
    side = text == "left" ? Side::Left : Side::Right;
    return "";
}

const char* SideName(Side side) { return side == Side::Left ? "left" : "right"; }

struct Values {
    Side side = Side::Right;
    double every = 0.0;
    double speed = 0.0;
    bool trends = true;
};

struct Case {
    std::vector<std::string> args;
    std::string refusal;  // in part; empty: the command runs
    Values want;
};

}  // namespace

TEST(Options, rows_land_typed_values_and_keep_their_rules)
{
    const Case cases[] = {
        {{}, "", {}},
        // The other option's default counts as given.
        {{"--every", "5"}, "", {Side::Right, 5.0}},
        {{"--side", "left", "--every", "5"}, "dcshost: --every acts only with --side right\n", {}},
        {{"--side", "up"}, "--side: 'up': left or right", {}},
        {{"--side", "left", "--fast", "--no-trends"}, "", {Side::Left, 0.0, 9.0, false}},
    };
    for (const Case& c : cases) {
        Values got;
        bool ran = false;
        CLI::App app;
        CommandBody body =
            AddOptions(app,
                       {
                           {"--side",
                            "",
                            Choice(&got.side, "left|right", ReadSide, SideName),
                            {ShowDefault()}},
                           {"--every", "", Number(&got.every), {Needs("--side", "right")}},
                           {"--fast", "", Sets(&got.speed, 9.0)},
                           {"--no-trends", "", Unset(&got.trends)},
                       },
                       [&ran] {
                           ran = true;
                           return 0;
                       });
        std::vector<std::string> args(c.args.rbegin(),
                                      c.args.rend());  // CLI11 takes them last first
        std::string said;
        int code = kExitBadScenario;
        ::testing::internal::CaptureStderr();
        try {
            app.parse(args);
            code = body();
        } catch (const CLI::ParseError& error) {
            said = error.what();
        }
        said += ::testing::internal::GetCapturedStderr();
        if (!c.refusal.empty()) {
            EXPECT_EQ(code, kExitBadScenario) << c.refusal;
            EXPECT_FALSE(ran) << c.refusal;
            EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
            continue;
        }
        EXPECT_TRUE(ran) << said;
        EXPECT_EQ(got.side, c.want.side);
        EXPECT_EQ(got.every, c.want.every);
        EXPECT_EQ(got.speed, c.want.speed);
        EXPECT_EQ(got.trends, c.want.trends);
    }
}
