// FitPid against the simulated control system's own block: the truth is
// the block's law, not a copy of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/dcshost/calibrate/loop_sim.h"

namespace {

double Off(const Fitted& f, double truth) { return std::fabs(f.value / truth - 1.0); }

struct LawCase {
    const char* what;
    SimLoop loop;
    double tolerance;  // relative, on kp, ti and td
};

SimLoop With(SimLoop s, void (*edit)(SimLoop&))
{
    edit(s);
    return s;
}

const LawCase kLawCases[] = {
    {"PI", {}, 0.005},
    {"PID with noise", With({}, [](SimLoop& s) { s.td = 4.0, s.noise = 0.3, s.seed = 7; }), 0.005},
    {"PID, other seed", With({}, [](SimLoop& s) { s.td = 2.0, s.noise = 0.5, s.seed = 11; }),
     0.005},
    {"reverse action", With({}, [](SimLoop& s) { s.kp = -1.5, s.gain = -0.8, s.noise = 0.2; }),
     0.005},
    {"slow scan", With({}, [](SimLoop& s) { s.scan = 3.0, s.kp = 1.0, s.noise = 0.2; }), 0.005},
    {"scan on its own clock", With({}, [](SimLoop& s) { s.scan = 2.5, s.phase = 0.7; }), 0.005},
    {"late reads", With({}, [](SimLoop& s) { s.phase = 0.02, s.jitter = 0.05, s.noise = 0.2; }),
     0.02},
    {"clamped", With({}, [](SimLoop& s) { s.op_hi = 62.0, s.op_lo = 45.0, s.noise = 0.1; }), 0.005},
    {"manual and writes",
     With({},
          [](SimLoop& s) {
              s.manual = {{300, 340}, {700, 760}};
              s.writes = {{320, 45.0}, {500, 58.0}, {720, 40.0}};
          }),
     0.005},
    // Every other step: not a one-step grid with every other scan read early.
    {"two-step scan", With({}, [](SimLoop& s) { s.scan = 2.0, s.td = 2.0, s.noise = 0.03; }),
     0.005},
    {"slow scan, written before its next scan",
     With({},
          [](SimLoop& s) {
              s.scan = 5.0, s.kp = 1.0, s.noise = 0.2;
              s.manual = {{300, 340}}, s.writes = {{303, 45.0}};
          }),
     0.005},
    // One or two scans between reads on the same PV: not one scan per step.
    {"faster than the step, late reads",
     With({}, [](SimLoop& s) { s.scan = 0.73, s.phase = 0.07, s.jitter = 0.05, s.noise = 0.03; }),
     0.02},
    {"own clock, late reads",
     With({}, [](SimLoop& s) { s.scan = 1.61, s.phase = 0.64, s.jitter = 0.05, s.td = 1.5; }),
     0.02},
};

// Faster than the step, near a whole or half number of scans per step,
// reads late: a grid scanning once more per step, its integral scaled,
// explains every read it is sure of where the integral acts little.
const LawCase kOwnClockCases[] = {
    {"nearly two scans per step, slow integral",
     With({}, [](SimLoop& s) { s.scan = 0.53, s.phase = 0.16, s.ti = 32, s.jitter = 0.05; }), 0.02},
    {"nearly one scan per step",
     With({}, [](SimLoop& s) { s.scan = 0.95, s.phase = 0.155, s.td = 0.9, s.jitter = 0.05; }),
     0.02},
    {"0.86 s", With({}, [](SimLoop& s) { s.scan = 0.86, s.phase = 0.08, s.jitter = 0.05; }), 0.02},
};

template <size_t N>
void ExpectLaws(const LawCase (&cases)[N])
{
    for (const LawCase& c : cases) {
        SCOPED_TRACE(c.what);
        const SimLoop& s = c.loop;
        PidFit fit = FitPid(RecordLoop(s));
        ASSERT_EQ(fit.not_identifiable, nullptr);
        EXPECT_EQ(fit.action, s.kp > 0 ? 1 : -1);
        EXPECT_LT(Off(fit.kp, s.kp), c.tolerance);
        EXPECT_LT(Off(fit.ti, s.ti), c.tolerance);
        EXPECT_LT(s.td > 0 ? Off(fit.td, s.td) : fit.td.value, c.tolerance);
        EXPECT_LT(s.scan > s.step ? Off(fit.scan, s.scan) : 0.0, 0.01);
        EXPECT_TRUE(fit.scan_below_step || s.scan >= s.step);
        EXPECT_LT(s.op_hi < 100 ? Off(fit.op_hi, s.op_hi) : 0.0, 1e-4);
        EXPECT_LT(s.op_lo > 0 ? Off(fit.op_lo, s.op_lo) : 0.0, 1e-4);
        EXPECT_TRUE(std::isfinite(fit.kp.rel_error));
        EXPECT_GE(fit.one_step_percent, s.jitter == 0 ? 99.0 : 98.5);
        EXPECT_GE(fit.fit_percent, s.jitter == 0 ? 99.0 : 95.0);
        EXPECT_LE(fit.free_run_rms, 0.5);
    }
}

TEST(FitPid, finds_the_law_of_the_simulated_block) { ExpectLaws(kLawCases); }

TEST(FitPid, finds_the_law_of_a_block_on_its_own_clock) { ExpectLaws(kOwnClockCases); }

TEST(FitPid, finds_manual_spans_and_writes_within_two_steps)
{
    const std::pair<int, std::vector<std::pair<int, int>>> cases[] = {
        {8, {{300, 340}, {500, 500}, {700, 760}}}, {10, {{300, 340}}}};
    for (const auto& [index, want] : cases) {
        SCOPED_TRACE(kLawCases[index].what);
        PidFit fit = FitPid(RecordLoop(kLawCases[index].loop));
        ASSERT_EQ(fit.manual.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(fit.manual[i].first, want[i].first, 2);
            EXPECT_NEAR(fit.manual[i].second, want[i].second, 2);
        }
    }
}

// Its integral held as the output would pass a limit may leave the OP short of it.
TEST(FitPid, finds_a_limit_only_where_the_op_was_held_at_it)
{
    const LawCase cases[] = {
        {"held short of op_lo", With({}, [](SimLoop& s) { s.kp = 2, s.ti = 4, s.op_lo = 34; }), 0},
        {"often at op_hi", With({}, [](SimLoop& s) { s.kp = 3, s.ti = 2, s.td = 3, s.op_hi = 66; }),
         0},
        {"kicked onto op_hi",
         With({}, [](SimLoop& s) { s.kp = 1, s.ti = 2, s.td = 3, s.op_hi = 66; }), 0},
        {"slow scan, often at op_lo",
         With({}, [](SimLoop& s) { s.scan = 2, s.kp = -1, s.gain = -0.8, s.ti = 8, s.op_lo = 38; }),
         0},
    };
    for (const LawCase& c : cases) {
        SCOPED_TRACE(c.what);
        SimLoop s = c.loop;
        s.tau = 8.0, s.noise = 0.05;
        const LoopData d = RecordLoop(s);
        const PidFit fit = FitPid(d);
        EXPECT_LT(std::max(Off(fit.kp, s.kp), Off(fit.ti, s.ti)), 0.005);
        EXPECT_GE(fit.fit_percent, 99.0);
        for (auto [reached, limit] :
             {std::pair(fit.op_lo_reached, s.op_lo), std::pair(fit.op_hi_reached, s.op_hi)})
            EXPECT_EQ(reached, std::count(d.op.begin(), d.op.end(), float(limit)) > 0);
    }
}

// Scans on their own clock, read up to 50 ms late, an SP move every 100 s and
// an upset that kicks the OP onto op_lo: a grid settled hundredths of a step
// off puts scans next to a step, or to the SP's move, on its other side.
TEST(FitPid, scores_a_block_on_its_own_clock_to_its_reads)
{
    struct {
        double scan, phase;
        int kind;  // 0: PI, 1: reverse PI, 2: PID
        uint64_t seed;
        int upset;  // the step the PV moves by 60 at, until step 770
    } const cases[] = {
        {1.23, 1.03, 1, 11, 703}, {1.32, 1.11, 0, 17, 706}, {2.09, 0.79, 1, 46, 718},
        {2.26, 0.70, 0, 52, 721}, {2.59, 1.69, 2, 68, 727},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scan " << c.scan << ", phase " << c.phase);
        SimLoop s;
        s.scan = c.scan, s.phase = c.phase, s.seed = c.seed, s.ti = 6.0 + 4 * c.kind;
        s.kp = c.kind == 1 ? -0.6 : 0.7, s.gain = c.kind == 1 ? -0.8 : 0.8;
        s.td = c.kind == 2 ? 1.0 : 0.0, s.op_lo = 12.0;
        const double upset = c.kind == 1 ? -60.0 : 60.0;
        s.upsets = {{c.upset, upset}, {770, -upset}};
        s.jitter = 0.05, s.noise = 0.03, s.steps = 1800, s.sp_every = 100;
        const LoopData d = RecordLoop(s);
        const PidFit fit = FitPid(d);
        EXPECT_LT(std::max(Off(fit.kp, s.kp), Off(fit.ti, s.ti)), 0.001);
        EXPECT_GE(fit.one_step_percent, 99.0);
        EXPECT_LE(fit.free_run_rms, 0.5);
        EXPECT_EQ(fit.op_lo_reached, std::count(d.op.begin(), d.op.end(), float(s.op_lo)) > 0);
    }
}

TEST(FitPid, refuses_a_loop_it_cannot_tell_with_its_reason)
{
    LoopData nan = RecordLoop({});
    for (double& v : nan.pv) v = NAN;
    LoopData flat = RecordLoop(With({}, [](SimLoop& s) { s.sp_every = 0; }));
    LoopData blip = flat;
    blip.pv[400] += 1.0;
    struct {
        LoopData data;
        const char* reason;
    } cases[] = {
        {RecordLoop(With({}, [](SimLoop& s) { s.steps = 40; })), kTooShort},
        {nan, kTooShort},
        {flat, kPvConstant},
        {blip, kNeverExcited},
        {RecordLoop(With({},
                         [](SimLoop& s) {
                             s.manual = {{0, 1199}}, s.noise = 0.2;
                         })),
         kAlwaysManual},
        {RecordLoop(With({},
                         [](SimLoop& s) {
                             s.sp_offset = 30.0, s.sp_every = 0, s.noise = 0.2, s.op_hi = 50.0;
                         })),
         kAlwaysAtLimit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        PidFit fit = FitPid(c.data);
        ASSERT_NE(fit.not_identifiable, nullptr);
        EXPECT_STREQ(fit.not_identifiable, c.reason);
        EXPECT_TRUE(std::isfinite(fit.fit_percent) && std::isfinite(fit.kp.value));
    }
}

}  // namespace
