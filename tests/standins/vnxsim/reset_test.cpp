// A reset forgets everything the simulated control system held.
#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Reset : public VnxSimTest {};

TEST_F(Reset, forgets_tags_handles_faults_trace_time_and_stops_the_api)
{
    VnxSimDefineFloat("A", 0.0f);
    Start();
    OpenTag("A");
    VnxSimInject(VNX_OP_ServiceEvents, nullptr, 5, 0, -1);
    VnxSimFailNthCall(10);
    VnxSimTraceEnable(1);
    VnxSimAdvance(3.0);
    VnxSimReset();
    EXPECT_EQ(VnxSimApiRunning(), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
    EXPECT_EQ(VnxSimTime(), 0.0);
    EXPECT_EQ(VnxSimSendCount("A"), -1);
    Start();
    EXPECT_EQ(ServiceEvents(), 0);
    EXPECT_EQ(VnxSimTraceCount(), 0);
    EXPECT_EQ(VnxSimCallsTotal(), 2);
    EXPECT_EQ(VnxSimDefineFloat("A", 0.0f), 0);
}

}  // namespace
