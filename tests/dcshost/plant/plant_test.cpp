// Plant models: exact first-order steps, dead time to the step, integration
// with limits, and blocks that see each other's outputs from before the step.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/plant/plant.h"

namespace {

PlantBlockDef FirstOrder(const std::string& name, const std::string& from, double gain, double tau,
                         double dead_time, double initial, double bias = 0.0)
{
    PlantBlockDef def;
    def.name = name;
    def.kind = BlockKind::FirstOrder;
    def.inputs = {PlantInput{from, gain, {}}};
    def.tau = tau;
    def.dead_time = dead_time;
    def.initial = initial;
    def.bias = bias;
    return def;
}

PlantBlockDef Tank(const std::string& name, std::vector<PlantInput> inputs, double initial,
                   double lo, double hi)
{
    PlantBlockDef def;
    def.name = name;
    def.kind = BlockKind::Integrating;
    def.inputs = std::move(inputs);
    def.initial = initial;
    def.lo = lo;
    def.hi = hi;
    return def;
}

}  // namespace

TEST(Plant, first_order_closes_the_exact_share_of_the_gap_each_step)
{
    Plant plant;
    std::string error;
    ASSERT_TRUE(plant.Build({FirstOrder("f", "op:L", 2.0, 10.0, 0.0, 0.0, 5.0)}, {"L"}, {}, error));
    PlantSignals signals{{0.0}, {}};
    plant.Start(2.0, signals);
    signals.op_percent[0] = 10.0;  // target 5 + 2 * 10 = 25
    plant.Advance(signals);
    double alpha = 1.0 - std::exp(-0.2);
    EXPECT_DOUBLE_EQ(plant.Output(0), alpha * 25.0);
    plant.Advance(signals);
    EXPECT_DOUBLE_EQ(plant.Output(0), alpha * 25.0 + alpha * (25.0 - alpha * 25.0));
}

TEST(Plant, dead_time_holds_the_input_back_by_whole_steps)
{
    Plant plant;
    std::string error;
    // 3 s of dead time at 1 s steps: an input acts on the fourth step after it.
    ASSERT_TRUE(plant.Build({FirstOrder("f", "op:L", 1.0, 1e-9, 3.0, 7.0)}, {"L"}, {}, error));
    PlantSignals signals{{7.0}, {}};
    plant.Start(1.0, signals);
    signals.op_percent[0] = 9.0;
    for (int step = 1; step <= 3; ++step) {
        plant.Advance(signals);
        EXPECT_DOUBLE_EQ(plant.Output(0), 7.0) << "step " << step;
    }
    plant.Advance(signals);
    EXPECT_DOUBLE_EQ(plant.Output(0), 9.0);
}

TEST(Plant, starts_at_rest_on_its_present_inputs)
{
    Plant plant;
    std::string error;
    ASSERT_TRUE(
        plant.Build({FirstOrder("f", "import:V", 0.5, 4.0, 2.0, 20.0, 0.0)}, {}, {"V"}, error));
    PlantSignals signals{{}, {40.0}};
    plant.Start(1.0, signals);
    for (int step = 0; step < 10; ++step) plant.Advance(signals);
    EXPECT_DOUBLE_EQ(plant.Output(0), 20.0);
}

TEST(Plant, integrates_its_inputs_and_stops_at_its_limits)
{
    Plant plant;
    std::string error;
    ASSERT_TRUE(
        plant.Build({Tank("t", {{"op:In", 0.5, {}}, {"op:Out", -0.25, {}}}, 50.0, 0.0, 60.0)},
                    {"In", "Out"}, {}, error));
    PlantSignals signals{{4.0, 4.0}, {}};
    plant.Start(2.0, signals);
    plant.Advance(signals);  // 50 + 2 s * (2 - 1) per s
    EXPECT_DOUBLE_EQ(plant.Output(0), 52.0);
    signals.op_percent = {0.0, 400.0};
    plant.Advance(signals);
    EXPECT_DOUBLE_EQ(plant.Output(0), 0.0);
    signals.op_percent = {400.0, 0.0};
    plant.Advance(signals);
    EXPECT_DOUBLE_EQ(plant.Output(0), 60.0);
}

TEST(Plant, blocks_see_outputs_from_before_the_step_in_any_order)
{
    std::string error;
    PlantBlockDef source = FirstOrder("a", "op:L", 1.0, 1.0, 0.0, 0.0);
    PlantBlockDef follower = FirstOrder("b", "plant:a", 1.0, 1.0, 0.0, 0.0);
    Plant forward, backward;
    ASSERT_TRUE(forward.Build({source, follower}, {"L"}, {}, error));
    ASSERT_TRUE(backward.Build({follower, source}, {"L"}, {}, error));
    PlantSignals signals{{10.0}, {}};
    forward.Start(1.0, {{0.0}, {}});
    backward.Start(1.0, {{0.0}, {}});
    forward.Advance(signals);
    backward.Advance(signals);
    // After one step the follower has only seen a's output of before the step: 0.
    EXPECT_DOUBLE_EQ(forward.Output(1), 0.0);
    EXPECT_DOUBLE_EQ(backward.Output(0), 0.0);
    forward.Advance(signals);
    backward.Advance(signals);
    EXPECT_DOUBLE_EQ(forward.Output(1), backward.Output(0));
    EXPECT_GT(forward.Output(1), 0.0);
}

TEST(Plant, refuses_inputs_that_name_nothing)
{
    Plant plant;
    std::string error;
    EXPECT_FALSE(plant.Build({FirstOrder("f", "op:NOPE", 1.0, 1.0, 0.0, 0.0)}, {"L"}, {}, error));
    EXPECT_EQ(error, "block f: nothing named by 'op:NOPE'");
    PlantSource source;
    EXPECT_FALSE(plant.Resolve("tank", source));
    EXPECT_FALSE(plant.Resolve("plant:", source));
}

TEST(Plant, marks_every_block_upstream_through_loops_of_blocks)
{
    Plant plant;
    std::string error;
    // a -> b -> c -> b (a recycle), d from a loop's output only.
    ASSERT_TRUE(plant.Build({FirstOrder("a", "op:L", 1.0, 1.0, 0.0, 0.0),
                             Tank("b", {{"plant:a", 1.0, {}}, {"plant:c", 1.0, {}}}, 0, 0, 1),
                             FirstOrder("c", "plant:b", 1.0, 1.0, 0.0, 0.0),
                             FirstOrder("d", "op:L", 1.0, 1.0, 0.0, 0.0)},
                            {"L"}, {}, error))
        << error;
    const struct {
        int to;
        std::vector<unsigned char> upstream;
    } cases[] = {{0, {1, 0, 0, 0}}, {1, {1, 1, 1, 0}}, {2, {1, 1, 1, 0}}, {3, {0, 0, 0, 1}}};
    for (const auto& c : cases) {
        std::vector<unsigned char> upstream(4, 0);
        plant.MarkUpstream(c.to, upstream);
        EXPECT_EQ(upstream, c.upstream) << "to " << c.to;
    }
}
