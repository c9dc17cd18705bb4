// Faults scripted into the simulated control system's answers.
#include <utility>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Faults : public VnxSimTest {};

TEST_F(Faults, inject_answers_matching_calls_after_skip_for_count_without_effect)
{
    VnxSimDefineFloat("A", 0.0f);
    VnxSimDefineFloat("B", 0.0f);
    Start();
    VnxHandle a = OpenTag("A");
    VnxHandle b = OpenTag("B");
    int32_t rule = VnxSimInject(VNX_OP_GetTagStatus, "A", 7, 1, 2);
    EXPECT_GT(rule, 0);
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        seen.push_back(GetTagStatus(a));
        seen.push_back(GetTagStatus(b));
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 7, 0, 7, 0, 0, 0}));
    EXPECT_EQ(VnxSimAnswered(rule), 2);  // seen four times, answered two
    EXPECT_EQ(VnxSimAnswered(rule + 1), -1);

    VnxSimInject(VNX_OP_OpenTag, "B", 0, 0, 1);
    VnxSimInject(VNX_OP_CloseTag, nullptr, 254, 0, 1);
    VnxSimInject(VNX_OP_SendTag, "A", 3, 0, -1);
    EXPECT_EQ(OpenTag("B"), nullptr);
    EXPECT_EQ(CloseTag(a), 254);
    float v = 9.0f;
    WriteFloat(a, v);
    EXPECT_EQ(SendTag(a), 3);
    EXPECT_EQ(SendTag(a), 3);
    EXPECT_EQ(Committed("A"), 0.0f);
    EXPECT_EQ(VnxSimSendCount("A"), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 2);
    EXPECT_EQ(CloseTag(a), 0);

    VnxSimClearFaults();
    EXPECT_NE(OpenTag("B"), nullptr);
}

TEST_F(Faults, inject_list_selects_one_list)
{
    VnxSimDefineFloat("A", 0.0f);
    Start();
    VnxHandle one = CreateTagList();
    VnxHandle two = CreateTagList();
    AddTagToList(one, "A");
    AddTagToList(two, "A");
    VnxSimInjectList(VNX_OP_ReadTagList, two, 254, 0, -1);
    VnxSimInjectList(VNX_OP_ListFirst, two, 0, 0, -1);
    EXPECT_EQ(ReadTagList(one), 0);
    EXPECT_EQ(ReadTagList(two), 254);
    EXPECT_NE(ListFirst(one), nullptr);
    EXPECT_EQ(ListFirst(two), nullptr);
    EXPECT_EQ(VnxSimInjectList(VNX_OP_SendTag, two, 1, 0, 1), 0);  // not a list operation
}

TEST_F(Faults, countdown_fails_the_nth_call_the_way_its_operation_fails)
{
    VnxSimDefineArray("ARR", 0, 3, 0.0f);
    Start();
    VnxHandle arr = OpenTag("ARR");
    VnxHandle list = CreateTagList();
    VnxHandle item = AddTagToList(list, "ARR");
    ReadTagList(list);

    VnxSimFailNthCall(3);
    EXPECT_EQ(GetTagStatus(arr), 0);
    EXPECT_EQ(GetTagStatus(arr), 0);
    EXPECT_EQ(VnxSimFaultFired(), 0);
    EXPECT_EQ(GetTagStatus(arr), VNX_ST_FAILURE);
    EXPECT_EQ(VnxSimFaultFired(), 1);
    EXPECT_EQ(GetTagStatus(arr), 0);  // fires once

    const std::vector<std::pair<int32_t (*)(VnxHandle, VnxHandle), int32_t>> ops = {
        {[](VnxHandle, VnxHandle) { return int32_t{ServiceEvents()}; }, -1},
        {[](VnxHandle, VnxHandle i) { return GetIOStatus(i, 0); }, 0},
        {[](VnxHandle, VnxHandle i) { return GetDataQuality(i, 0); }, 1},
        {[](VnxHandle, VnxHandle i) { return GetTagDataType(i); }, 129},
        {[](VnxHandle t, VnxHandle) { return int32_t{GetArrayDims(t)}; }, 2},
        {[](VnxHandle t, VnxHandle) { return int32_t{GetArrayLowerBound(t, 1)}; }, 1},
        {[](VnxHandle t, VnxHandle) { return int32_t{GetArrayUpperBound(t, 1)}; }, -1},
        {[](VnxHandle, VnxHandle) { return int32_t{OpenTag("ARR") != nullptr}; }, 0},
        {[](VnxHandle t, VnxHandle) { return int32_t{SendTag(t)}; }, VNX_ST_FAILURE},
    };
    for (size_t k = 0; k < ops.size(); ++k) {
        VnxSimFailNthCall(1);
        EXPECT_EQ(ops[k].first(arr, item), ops[k].second) << "case " << k;
    }
    // A failed close closes nothing: the handle is still open and usable.
    VnxSimFailNthCall(1);
    EXPECT_EQ(CloseTag(item), VNX_ST_FAILURE);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 1);
    EXPECT_EQ(ListFirst(list), item);
}

}  // namespace
