// Progress during the settle: counted from the control system's call hook,
// one ServiceEvents call per second of the ten.
#include <gtest/gtest.h>

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
    progress.RunStep(30000000);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "run: t = 3e+07 s of 3e+07 s, step 30000000 of 30000000 (100 %)\n");
}
