// Progress during the settle, counted from the control system's call hook
// (one ServiceEvents call per second of the ten), and the pacing's schedule.
#include <gtest/gtest.h>

#include "dcshost/host/pacing.h"
#include "dcshost/host/progress.h"
#include "standins/vnxsim/vnxsim.h"

TEST(Progress, counts_the_ten_settle_calls_and_nothing_else)
{
    Progress progress(false);
    progress.BeginConfigure("configure");
    progress.OnCall(VNX_OP_ApiStartup);
    progress.OnCall(VNX_OP_DataServicesStartup);
    for (int i = 0; i < 3; ++i) progress.OnCall(VNX_OP_ServiceEvents);
    EXPECT_EQ(progress.SettleSeconds(), 3);
    // The calls after the settle (array wait, validators) are not seconds.
    for (int i = 0; i < 20; ++i) progress.OnCall(VNX_OP_ServiceEvents);
    EXPECT_EQ(progress.SettleSeconds(), 10);
    progress.EndConfigure();
}

TEST(Progress, follows_the_client_library_through_its_hook)
{
    VnxSimReset();
    Progress progress(false);
    progress.BeginConfigure("configure");
    ApiStartup();
    ServiceEvents();
    ServiceEvents();
    EXPECT_EQ(progress.SettleSeconds(), 2);
    progress.EndConfigure();
    // Unhooked after the configuration: later calls count for nothing.
    ServiceEvents();
    EXPECT_EQ(progress.SettleSeconds(), 2);
    ApiShutdown();
}

TEST(Progress, ignores_calls_outside_a_configuration)
{
    Progress progress(false);
    progress.OnCall(VNX_OP_ServiceEvents);
    EXPECT_EQ(progress.SettleSeconds(), 0);
}

TEST(Progress, counts_percent_past_32_bit_products)
{
    Progress progress(false);
    progress.BeginRun(30000000, 1.0, 30000000);
    ::testing::internal::CaptureStdout();
    progress.RunStep(30000000, 12.34);
    EXPECT_EQ(
        ::testing::internal::GetCapturedStdout(),
        "run: t = 3e+07 s of 3e+07 s, wall clock 12.3 s, step 30000000 of 30000000 (100 %)\n");
}

// Time moves only when the pacer sleeps (a little long, as a real sleep
// does) or a step works.
class FakeClock : public PaceClock {
public:
    double Now() override { return now; }
    void Sleep(double seconds) override { now += seconds + oversleep; }
    double now = 1000.0;
    double oversleep = 0.0;
};

TEST(Pacing, keeps_an_absolute_schedule_and_counts_overruns)
{
    const struct {
        const char* name;
        double speed, oversleep;
        int steps, every;                // every `every`-th step takes 1.5 slots
        int overruns;                    // expected
        double wall, worst, p99, drift;  // expected
    } cases[] = {
        // 0.05 s of work and 1 ms of oversleep a step, over 8 hours: a schedule
        // of summed sleeps would end 1,468 s late.
        {"eight hours realtime", 1.0, 0.001, 28800, 0, 0, 28800.051, 5.1, 5.1, 0.001},
        {"ten times faster", 10.0, 0.0, 100, 0, 0, 10.05, 50.0, 50.1, 0.0},
        // The step after an overrun starts late and runs 0.5 s into its slot.
        {"one step in a hundred overruns", 1.0, 0.0, 1000, 100, 10, 1001.5, 150.0, 55.0, 0.0},
        {"as fast as it can", kSpeedMax, 0.0, 100, 0, 0, 5.0, 0.0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        clock.oversleep = c.oversleep;
        Pacer pacer(clock, 1.0, c.speed);
        pacer.Begin();
        for (int k = 1; k <= c.steps; ++k) {
            pacer.WaitFor(k);
            clock.now += c.every && k % c.every == 0 ? 1.5 : 0.05;
            pacer.Done(k);
        }
        PaceFigures f = pacer.Figures();
        EXPECT_EQ(f.steps, c.steps);
        EXPECT_EQ(f.overruns, c.overruns);
        EXPECT_NEAR(f.wall, c.wall, 1e-6);
        EXPECT_NEAR(f.worst, c.worst, 1e-6);
        EXPECT_NEAR(f.p99, c.p99, 0.11);  // to a tenth of a percent
        EXPECT_NEAR(f.drift, c.drift, 1e-6);
    }
}

TEST(Pacing, starts_the_schedule_again_after_a_stall_instead_of_bursting)
{
    const struct {
        const char* name;
        double speed;
        double stall;  // s, after step 5's work (a reconfigure) or in it
        bool in_step;  // the step itself hung
        int overruns;  // expected
        int resyncs;   // expected
        double stalled, wall, worst;
    } cases[] = {
        {"a reconfigure's settle", 1.0, 10.0, false, 0, 1, 9.05, 29.1, 5.0},
        {"the same at four times the speed", 4.0, 10.0, false, 0, 1, 9.8, 14.85, 20.0},
        // 2.5 slots behind: the few steps are caught up, as before.
        {"a short hiccup", 1.0, 3.45, false, 2, 0, 0.0, 20.05, 255.0},
        // The hung step is one overrun; the steps it held up are not.
        {"a step that hangs", 1.0, 5.0, true, 1, 1, 4.05, 24.1, 505.0},
        {"as fast as it can", kSpeedMax, 10.0, false, 0, 0, 0.0, 11.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        Pacer pacer(clock, 1.0, c.speed);
        pacer.Begin();
        for (int k = 1; k <= 20; ++k) {
            pacer.WaitFor(k);
            clock.now += 0.05 + (c.in_step && k == 5 ? c.stall : 0.0);
            pacer.Done(k);
            if (!c.in_step && k == 5) clock.now += c.stall;
        }
        PaceFigures f = pacer.Figures();
        EXPECT_EQ(f.overruns, c.overruns);
        EXPECT_EQ(f.resyncs, c.resyncs);
        EXPECT_NEAR(f.stalled, c.stalled, 1e-6);
        EXPECT_NEAR(f.wall, c.wall, 1e-6);
        EXPECT_NEAR(f.worst, c.worst, 1e-6);
        EXPECT_EQ(FormatPacing(f).find("resynchronisation") != std::string::npos, c.resyncs > 0);
    }
}

TEST(Pacing, takes_a_speed_from_0_1_to_100_or_max)
{
    const struct {
        const char* text;
        double speed;  // 0: refused
    } cases[] = {{"max", kSpeedMax}, {"0.1", 0.1}, {"100", 100.0}, {"0.09", 0},
                 {"101", 0},         {"nan", 0},   {"1x", 0},      {"", 0}};
    for (const auto& c : cases) {
        double speed = 0;
        EXPECT_EQ(ParseSpeed(c.text, speed).empty(), c.speed != 0) << c.text;
        EXPECT_EQ(speed, c.speed) << c.text;
    }
    EXPECT_EQ(ChooseSpeed(0, true), 1.0);
    EXPECT_EQ(ChooseSpeed(0, false), kSpeedMax);
    EXPECT_EQ(ChooseSpeed(5, true), 5.0);
}
