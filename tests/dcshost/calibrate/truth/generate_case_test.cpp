// Calibration cases: drawn the same by the same seed, and what each tier
// promises holds in every case drawn (stable loops, scans against the step).
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <toml++/toml.h>

#include "dcshost/commands/generate_calibration.h"

namespace {

TEST(CalibrationCase, is_the_same_for_the_same_seed_and_differs_between_seeds)
{
    CalibrationCase c;
    c.seed = 7;
    const std::string first = GenerateCalibrationScenario(c);
    EXPECT_EQ(first, GenerateCalibrationScenario(c));
    c.seed = 8;
    EXPECT_NE(first, GenerateCalibrationScenario(c));
}

TEST(CalibrationCase, keeps_each_tier_s_promises_over_many_seeds)
{
    struct Tier {
        char tier;
        bool noiseless;
    } tiers[] = {{'A', false}, {'B', false}, {'C', true}, {'C', false}};
    for (const Tier& t : tiers)
        for (int seed = 0; seed < 50; ++seed) {
            CalibrationCase c{seed, t.tier, t.noiseless, 6, 600.0};
            toml::parse_result parsed = toml::parse(GenerateCalibrationScenario(c));
            ASSERT_TRUE(parsed) << t.tier << seed;
            const toml::table& root = parsed.table();
            EXPECT_EQ(root["run"]["seed"].value<int>(), seed);
            EXPECT_EQ(root["system"]["read_jitter_ms"].value<int>().has_value(), t.tier == 'B');
            for (int i = 0; i < c.loops; ++i) {
                const auto pid = root["system"]["pid"][static_cast<size_t>(i)];
                const auto block = root["plant"]["block"][static_cast<size_t>(i)];
                const double kp = *pid["kp"].value<double>();
                const double scan = *pid["scan"].value<double>();
                const double gain = *block["inputs"][0]["gain"].value<double>();
                const double whole = scan - std::round(scan);
                EXPECT_GT(kp * gain, 0.0) << "a loop that runs away: seed " << seed;
                EXPECT_EQ(std::fabs(whole) < 1e-12, t.tier != 'B') << "scan " << scan;
                EXPECT_EQ(pid["phase"].value<double>().value_or(-1.0) >= 0.0, t.tier == 'B');
                EXPECT_LT(pid["phase"].value<double>().value_or(-1.0), scan);
                EXPECT_EQ(*block["noise"].value<double>() == 0.0, t.noiseless);
            }
        }
}

}  // namespace
