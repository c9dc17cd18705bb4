// What a site's control system has and the simulated one can be given: scans
// on their own clock, late reads, seeded measurement noise. Each repeats
// exactly for its seed; a scenario without them runs as before.
#include "tests/dcshost/run_fixture.h"

namespace {

// The one-loop scenario with keys added where `at` stands.
std::string With(const std::vector<std::pair<std::string, std::string>>& added)
{
    std::string text = OneLoop("", "L.MODE");
    for (const auto& [at, keys] : added) {
        const size_t where = text.find(at);
        EXPECT_NE(where, std::string::npos) << at;
        if (where != std::string::npos) text.insert(where + at.size(), keys);
    }
    return text;
}

const char kRun[] = "[run]\n";
const char kSystem[] = "[system]\n";
const char kPid[] = "ti = 50.0";
const char kTank[] = "kind = \"integrating\"";

std::vector<std::string> ScenarioErrors(const std::string& text)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    ParseScenario(text, "one.toml", s, errors);
    std::vector<std::string> messages;
    for (const ScenarioError& error : errors) messages.push_back(error.message);
    return messages;
}

}  // namespace

TEST(SiteTiming, refuses_each_value_out_of_its_range_saying_the_range)
{
    const struct {
        const char* at;
        const char* keys;
        const char* error;
    } cases[] = {
        {kRun, "seed = -1\n", "'seed' in [run] must lie between 0 and 2147483647"},
        {kRun, "seed = 2147483648\n", "'seed' in [run] must lie between 0 and 2147483647"},
        {kPid, ", phase = -0.5",
         "'phase' in [[system.pid]] is -0.5 s; it must lie between 0 and 3600 s"},
        {kPid, ", scan = 2.0, phase = 2.0",
         "'phase' of PID L is 2 s; it must lie from 0 to below its 'scan' (2 s)"},
        {kSystem, "read_jitter_ms = 1001\n",
         "'read_jitter_ms' in [system] is 1001 ms; it must lie between 0 and 1000 ms"},
        {kSystem, "read_jitter_ms = 1000\n",
         "'read_jitter_ms' in [system] is 1000 ms; it must lie from 0 to below the step (1000 ms)"},
        {kTank, ", noise = -1", "'noise' in [[plant.block]] is -1; it must lie between 0 and 3.4"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> errors = ScenarioErrors(With({{c.at, c.keys}}));
        ASSERT_EQ(errors.size(), 1u) << c.keys;
        EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << errors[0];
    }
    EXPECT_TRUE(ScenarioErrors(With({{kRun, "seed = 0\n"},
                                     {kSystem, "read_jitter_ms = 999.5\n"},
                                     {kPid, ", scan = 0.5, phase = 0.499"},
                                     {kTank, ", noise = 0"}}))
                    .empty());
}

class SiteRun : public Run {
protected:
    // The trend of a run, its rows after the header.
    std::string Trend(const std::string& text)
    {
        EXPECT_EQ(RunCapturing(Parse(text)), kExitClean) << output_;
        std::ifstream csv(options_.out_dir + "/" + options_.out_name + ".trend.csv");
        std::string rows((std::istreambuf_iterator<char>(csv)), std::istreambuf_iterator<char>());
        return rows.substr(rows.find('\n') + 1);
    }
};

TEST_F(SiteRun, late_reads_see_a_scan_only_when_it_fell_due_before_them)
{
    options_.settle_tolerance = 100.0;
    const std::string plain = Trend(With({}));
    // One scan a step either way: between two exchanges, wherever in the step.
    const struct {
        const char* pid;
        const char* jitter;
        bool same;
    } cases[] = {
        {", phase = 0.5", "", true},
        {"", "read_jitter_ms = 999\n", true},               // scans with the steps: none between
        {", phase = 0.5", "read_jitter_ms = 400\n", true},  // never as late as the scan
        {", phase = 0.5", "read_jitter_ms = 999\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Trend(With({{kPid, c.pid}, {kSystem, c.jitter}})) == plain, c.same)
            << c.pid << c.jitter;
}

TEST_F(SiteRun, noise_repeats_for_its_seed_and_none_is_no_noise)
{
    options_.settle_tolerance = 100.0;
    const std::string plain = Trend(With({}));
    const std::string seven = Trend(With({{kRun, "seed = 7\n"}, {kTank, ", noise = 0.5"}}));
    EXPECT_TRUE(seven != plain);
    const struct {
        std::vector<std::pair<std::string, std::string>> keys;
        const std::string& same_as;
        bool same;
    } cases[] = {
        {{{kRun, "seed = 7\n"}, {kTank, ", noise = 0.5"}}, seven, true},
        {{{kRun, "seed = 8\n"}, {kTank, ", noise = 0.5"}}, seven, false},
        {{{kRun, "seed = 7\n"}, {kTank, ", noise = 0"}}, plain, true},
        {{{kRun, "seed = 8\n"}}, plain, true},
    };
    for (const auto& c : cases) EXPECT_EQ(Trend(With(c.keys)) == c.same_as, c.same);
}
