// Scans on their own clock, late reads, seeded noise: each repeats for its
// seed, and a scenario without them runs as before.
#include <array>
#include <cstring>

#include "tests/dcshost/run/run_fixture.h"

namespace {

// The one-loop scenario with keys added to [run], [system], the PID and the tank.
using Keys = std::array<std::string, 4>;
std::string With(const Keys& keys)
{
    std::string text = OneLoop("", "L.MODE");
    const char* const at[] = {"[run]\n", "[system]\n", "ti = 50.0", "kind = \"integrating\""};
    for (size_t i = 0; i < keys.size(); ++i)
        text.insert(text.find(at[i]) + std::strlen(at[i]), keys[i]);
    return text;
}

}  // namespace

TEST(SiteTiming, refuses_each_value_out_of_its_range_saying_the_range)
{
    for (const auto& [keys, error] : std::vector<std::pair<Keys, std::string>>{
             {{"", "", ", scan = 2.0, phase = 2", ""},
              "'phase' of PID L is 2 s; it must lie from 0 to below its 'scan' (2 s)"},
             {{"", "read_jitter_ms = 1000\n", "", ""},
              "'read_jitter_ms' in [system] is 1000 ms; it must lie from 0 to below the step (1000 "
              "ms)"},
             {{"", "", "", ", noise = -1"},
              "'noise' in [[plant.block]] is -1; it must lie between 0 and"},
         }) {
        Scenario s;
        std::vector<ScenarioError> errors;
        EXPECT_FALSE(ParseScenario(With(keys), "one.toml", s, errors));
        EXPECT_EQ(errors.empty() ? "" : errors[0].message.substr(0, error.size()), error);
    }
}

TEST_F(Run, late_reads_and_noise_change_a_run_only_as_their_keys_and_seed_say)
{
    options_.settle_tolerance = 100.0;
    auto trend = [this](const Keys& keys) {
        EXPECT_EQ(RunCapturing(Parse(With(keys))), kExitClean) << output_;
        std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv");
        return std::string(std::istreambuf_iterator<char>(csv), {});
    };
    const std::string plain = trend({}), noisy = trend({"seed = 7\n", "", "", ", noise = 0.5"});
    EXPECT_FALSE(noisy == plain);
    // One scan a step lies between two exchanges wherever in the step, until a read comes after it.
    const struct {
        Keys keys;
        const std::string& like;
        bool same;
    } cases[] = {
        {{"", "", ", phase = 0.5", ""}, plain, true},
        {{"", "read_jitter_ms = 999\n", "", ""}, plain, true},
        {{"", "read_jitter_ms = 400\n", ", phase = 0.5", ""}, plain, true},
        {{"", "read_jitter_ms = 999\n", ", phase = 0.5", ""}, plain, false},
        {{"seed = 7\n", "", "", ", noise = 0"}, plain, true},
        {{"seed = 8\n", "", "", ", noise = 0.5"}, noisy, false},
        {{"seed = 7\n", "", "", ", noise = 0.5"}, noisy, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trend(c.keys) == c.like, c.same)
            << c.keys[0] << c.keys[1] << c.keys[2] << c.keys[3];
}
