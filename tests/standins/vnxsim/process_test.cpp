// The PID blocks of the simulated control system against a first-order plant.
#include <cmath>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

// A first-order process: PV follows gain * OP with time constant tau.
class FirstOrder {
public:
    FirstOrder(double gain, double tau) : gain_(gain), tau_(tau) {}
    double Step(double op, double dt)
    {
        pv_ += (1.0 - std::exp(-dt / tau_)) * (gain_ * op - pv_);
        return pv_;
    }
    double pv_ = 0.0;

private:
    double gain_, tau_;
};

class Process : public VnxSimTest {
protected:
    void SetUp() override
    {
        VnxSimTest::SetUp();
        VnxSimDefineFloat("PV", 0.0f);
        VnxSimDefineFloat("SP", 0.0f);
        VnxSimDefineFloat("OP", 0.0f);
        VnxSimDefineInt("MODE", 0);
        VnxSimDefineFloat("SPINIT", 0.0f);
        VnxSimDefineFloat("OPINIT", 0.0f);
        VnxSimPid pid{"FIC101", "SP", "OP", "MODE", "SPINIT", "OPINIT", "PV",
                      -1,       1.0,  10.0, 0.0,    0.0,      100.0,    1.0};
        ASSERT_EQ(VnxSimDefinePid(&pid), 0);
        ASSERT_EQ(VnxSimDefinePid(&pid), VNX_ST_INVALID_PARAMETER);  // name taken
        Start();
    }

    void Send(const char* name, float v)
    {
        VnxHandle h = OpenTag(name);
        WriteFloat(h, v);
        SendTag(h);
        CloseTag(h);
    }

    void SetMode(int32_t mode)
    {
        VnxHandle h = OpenTag("MODE");
        WriteInt(h, mode);
        SendTag(h);
        CloseTag(h);
    }

    // One second of plant, then one second of control system.
    void Run(FirstOrder& plant, int seconds)
    {
        for (int s = 0; s < seconds; ++s) {
            VnxSimSetFloat("PV", 0, static_cast<float>(plant.Step(Committed("OP"), 1.0)));
            VnxSimAdvance(1.0);
        }
    }
};

TEST_F(Process, init_tags_load_sp_and_clamped_op_on_send_only)
{
    VnxSimSetFloat("SPINIT", 0, 12.0f);
    EXPECT_EQ(Committed("SP"), 0.0f);
    Send("SPINIT", 50.0f);
    Send("OPINIT", 150.0f);
    EXPECT_EQ(Committed("SP"), 50.0f);
    EXPECT_EQ(Committed("OP"), 100.0f);
}

TEST_F(Process, settles_a_first_order_process_on_its_setpoint)
{
    FirstOrder plant(2.0, 10.0);
    Send("SPINIT", 50.0f);
    Send("OPINIT", 10.0f);
    SetMode(1);
    Run(plant, 200);
    EXPECT_NEAR(plant.pv_, 50.0, 0.5);
    EXPECT_NEAR(Committed("OP"), 25.0f, 0.5f);
    EXPECT_DOUBLE_EQ(VnxSimTime(), 200.0);

    VnxSimSetFloat("SP", 0, 80.0f);  // an operator's setpoint change
    Run(plant, 200);
    EXPECT_NEAR(plant.pv_, 80.0, 0.8);
}

TEST_F(Process, holds_op_in_manual_and_takes_over_without_a_bump)
{
    FirstOrder plant(2.0, 10.0);
    Send("SPINIT", 50.0f);
    Send("OPINIT", 40.0f);
    Run(plant, 20);
    EXPECT_EQ(Committed("OP"), 40.0f);  // manual: held while PV moves

    SetMode(1);
    VnxSimAdvance(0.5);  // no scan due yet
    VnxSimAdvance(0.5);
    EXPECT_EQ(Committed("OP"), 40.0f);
    Run(plant, 1);
    EXPECT_NE(Committed("OP"), 40.0f);

    Send("OPINIT", 20.0f);  // loaded while automatic: the block continues from it
    VnxSimAdvance(1.0);
    EXPECT_EQ(Committed("OP"), 20.0f);
}

TEST_F(Process, leaves_its_limit_at_once_when_the_error_reverses)
{
    Send("SPINIT", 50.0f);
    SetMode(1);
    VnxSimAdvance(1.0);
    VnxSimAdvance(300.0);  // PV stuck at 0: OP pinned at its limit
    EXPECT_EQ(Committed("OP"), 100.0f);
    VnxSimSetFloat("PV", 0, 60.0f);
    VnxSimAdvance(1.0);
    EXPECT_LT(Committed("OP"), 100.0f);
}

}  // namespace
