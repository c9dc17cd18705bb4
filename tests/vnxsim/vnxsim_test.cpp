// The simulated control system: the contracts the driver's tests lean on.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "standins/vnxsim/vnxsim.h"

namespace {

class VnxSimTest : public ::testing::Test {
protected:
    void SetUp() override { VnxSimReset(); }
    void TearDown() override { VnxSimReset(); }

    void Start() { ASSERT_EQ(ApiStartup(), 0); }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        char buf[256];
        for (int i = 0; i < VnxSimTraceCount(); ++i) {
            VnxSimTraceLine(i, buf, sizeof buf);
            lines.emplace_back(buf);
        }
        return lines;
    }

    static float Committed(const char* name, int index = 0)
    {
        float f = -999.0f;
        EXPECT_EQ(VnxSimGetFloat(name, index, &f), 0);
        return f;
    }

    static int16_t WriteFloat(VnxHandle tag, float v)
    {
        return SetTagValue(tag, 1, &v, VNX_CONV_FLOAT);
    }
    static int16_t WriteInt(VnxHandle tag, int32_t v)
    {
        return SetTagValue(tag, 1, &v, VNX_CONV_INT);
    }
};

class ApiRun : public VnxSimTest {};
class Handles : public VnxSimTest {};
class Lists : public VnxSimTest {};
class Writes : public VnxSimTest {};
class Reads : public VnxSimTest {};
class Faults : public VnxSimTest {};
class Trace : public VnxSimTest {};
class Reset : public VnxSimTest {};

TEST_F(ApiRun, refuses_every_operation_until_started)
{
    VnxSimDefineFloat("A", 1.0f);
    uint32_t slot = 0;
    float v = 1.0f;
    EXPECT_EQ(ValidateTagName("A"), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(OpenTag("A"), nullptr);
    EXPECT_EQ(CreateTagList(), nullptr);
    EXPECT_EQ(DataServicesStartup(&slot), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(ServiceEvents(), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(SetTagValue(nullptr, 1, &v, 9), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(ApiShutdown(), VNX_ST_API_NOT_INITIALIZED);

    EXPECT_EQ(ApiStartup(), 0);
    EXPECT_EQ(ApiStartup(), 0);
    EXPECT_EQ(VnxSimApiRunning(), 1);
    EXPECT_EQ(DataServicesStartup(nullptr), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(DataServicesStartup(&slot), 0);
    EXPECT_NE(slot, 0u);
    EXPECT_EQ(ServiceEvents(), 0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), 2);
    EXPECT_EQ(VnxSimCallsTotal(), 12);
}

TEST_F(ApiRun, shutdown_stales_lists_and_leaves_unclosed_tags_and_items_open)
{
    VnxSimDefineFloat("A", 1.0f);
    Start();
    VnxHandle tag = OpenTag("A");
    VnxHandle list = CreateTagList();
    VnxHandle item = AddTagToList(list, "A");
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(ApiShutdown(), 0);

    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 1);
    EXPECT_EQ(CloseTag(tag), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);

    Start();
    EXPECT_EQ(ListRewind(list), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(ListFirst(list), nullptr);
    EXPECT_EQ(ReadTagList(list), VNX_ST_INVALID_HANDLE);
    // The leaked item outlived its list and can still be closed.
    EXPECT_EQ(CloseTag(item), 0);
    EXPECT_EQ(CloseTag(tag), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM), 0);
}

TEST_F(ApiRun, restart_stales_every_handle_and_keeps_tags_and_the_api)
{
    VnxSimDefineFloat("A", 1.0f);
    Start();
    VnxHandle tag = OpenTag("A");
    VnxHandle list = CreateTagList();
    VnxHandle item = AddTagToList(list, "A");
    ASSERT_NE(item, nullptr);
    VnxSimRestart();

    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM) +
                  VnxSimOpenCount(VNX_KIND_LIST),
              0);
    EXPECT_EQ(GetTagStatus(tag), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(ReadTagList(list), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(CloseTag(item), VNX_ST_INVALID_HANDLE);
    // The API is still up and the tag still there: it opens again.
    VnxHandle again = OpenTag("A");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, tag);
    EXPECT_EQ(CloseTag(again), 0);
}

TEST_F(ApiRun, validates_syntax_without_looking_names_up)
{
    Start();
    EXPECT_EQ(ValidateTagName("NOT.DEFINED:X[1]_a-b"), 0);
    EXPECT_EQ(ValidateTagName(std::string(64, 'A').c_str()), 0);
    for (const char* bad : {"", "   ", "A B", "A\"", "A/B"}) {
        EXPECT_EQ(ValidateTagName(bad), VNX_ST_TAG_NAME_INVALID) << '"' << bad << '"';
    }
    EXPECT_EQ(ValidateTagName(std::string(65, 'A').c_str()), VNX_ST_TAG_NAME_INVALID);
    EXPECT_EQ(ValidateTagName(nullptr), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(VnxSimDefineFloat("A B", 0.0f), VNX_ST_TAG_NAME_INVALID);
    EXPECT_EQ(OpenTag("NOT.DEFINED"), nullptr);
}

TEST_F(Handles, are_distinct_per_open_and_counted_until_closed)
{
    VnxSimDefineFloat("A", 1.0f);
    Start();
    VnxHandle a1 = OpenTag("A");
    VnxHandle a2 = OpenTag("A");
    ASSERT_NE(a1, nullptr);
    ASSERT_NE(a2, nullptr);
    EXPECT_NE(a1, a2);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 2);
    EXPECT_EQ(CloseTag(a1), 0);
    EXPECT_EQ(CloseTag(a1), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);
    EXPECT_EQ(GetTagStatus(a2), 0);
}

TEST_F(Handles, rejects_closed_made_up_and_wrong_kind_handles)
{
    VnxSimDefineFloat("A", 1.0f);
    Start();
    VnxHandle old = OpenTag("A");
    CloseTag(old);
    VnxHandle reused = OpenTag("A");  // may take the same slot
    VnxHandle list = CreateTagList();
    VnxHandle made_up = reinterpret_cast<VnxHandle>(uintptr_t{0x1234});
    float v = 1.0f;
    for (VnxHandle bad : {old, made_up, list}) {
        EXPECT_EQ(GetTagStatus(bad), VNX_ST_INVALID_HANDLE);
        EXPECT_EQ(SetTagValue(bad, 1, &v, 9), VNX_ST_INVALID_HANDLE);
        EXPECT_EQ(SendTag(bad), VNX_ST_INVALID_HANDLE);
        EXPECT_EQ(CloseTag(bad), VNX_ST_INVALID_HANDLE);
        EXPECT_EQ(GetTagValue(bad, 0, &v, 9, 0, 0), VNX_ST_INVALID_HANDLE);
        EXPECT_EQ(GetIOStatus(bad, 0), -1);
        EXPECT_EQ(GetDataQuality(bad, 0), -1);
        EXPECT_EQ(GetTagDataType(bad), -1);
        EXPECT_EQ(GetArrayDims(bad), -1);
    }
    EXPECT_EQ(ListFirst(reused), nullptr);
    EXPECT_EQ(ListRewind(reused), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(AddTagToList(reused, "A"), nullptr);
    EXPECT_EQ(GetTagStatus(reused), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 1);
}

// Binding a full table opens thousands of tags by name; each must reach its own.
TEST_F(Handles, open_each_of_thousands_of_names_to_its_own_tag)
{
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) names.push_back("T" + std::to_string(i));
    names.push_back("AREA1.UNIT2.FIC-1001.PIDA.SP");  // longer than a short-string buffer
    names.push_back("AREA1.UNIT2.FIC-1001.PIDA.SQ");
    for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(VnxSimDefineFloat(names[i].c_str(), 0.0f), 0) << names[i];
    }
    EXPECT_EQ(VnxSimDefineFloat("T4999", 0.0f), VNX_ST_INVALID_PARAMETER);
    Start();
    for (size_t i = 0; i < names.size(); ++i) {
        VnxHandle tag = OpenTag(names[i].c_str());
        ASSERT_NE(tag, nullptr) << names[i];
        float v = static_cast<float>(i);
        SetTagValue(tag, 1, &v, VNX_CONV_FLOAT);
        SendTag(tag);
    }
    for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(Committed(names[i].c_str()), static_cast<float>(i)) << names[i];
    }
    for (const char* unknown : {"T", "T50000", "t1", "AREA1.UNIT2.FIC-1001.PIDA.S", ""}) {
        EXPECT_EQ(OpenTag(unknown), nullptr) << unknown;
    }
    VnxSimReset();
    Start();
    EXPECT_EQ(OpenTag("T1"), nullptr);
    EXPECT_EQ(VnxSimDefineFloat("T1", 0.0f), 0);
    EXPECT_NE(OpenTag("T1"), nullptr);
}

TEST_F(Lists, iterate_in_order_through_removal_and_close_of_the_current_item)
{
    for (const char* n : {"A", "B", "C"}) VnxSimDefineFloat(n, 0.0f);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle a = AddTagToList(list, "A");
    VnxHandle b = AddTagToList(list, "B");
    VnxHandle c = AddTagToList(list, "C");
    EXPECT_EQ(AddTagToList(list, "UNKNOWN"), nullptr);
    EXPECT_EQ(ListFirst(list), a);
    EXPECT_EQ(ListNext(list), b);
    EXPECT_EQ(ListNext(list), c);
    EXPECT_EQ(ListNext(list), nullptr);

    // The driver's release loop: remove, close, then ask for the next.
    std::vector<VnxHandle> seen;
    ASSERT_EQ(ListRewind(list), 0);
    for (VnxHandle it = ListFirst(list); it; it = ListNext(list)) {
        seen.push_back(it);
        EXPECT_EQ(RemoveTagFromList(list, it), 0);
        EXPECT_EQ(CloseTag(it), 0);
    }
    EXPECT_EQ(seen, (std::vector<VnxHandle>{a, b, c}));
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
    EXPECT_EQ(ListFirst(list), nullptr);
}

TEST_F(Lists, close_of_a_listed_item_unlinks_it_and_remove_only_detaches)
{
    for (const char* n : {"A", "B", "C"}) VnxSimDefineFloat(n, 0.0f);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle other = CreateTagList();
    VnxHandle a = AddTagToList(list, "A");
    VnxHandle b = AddTagToList(list, "B");
    VnxHandle c = AddTagToList(list, "C");
    VnxHandle foreign = AddTagToList(other, "A");

    EXPECT_EQ(ListFirst(list), a);
    EXPECT_EQ(CloseTag(a), 0);  // the current item, still in the list
    EXPECT_EQ(ListNext(list), b);
    EXPECT_EQ(CloseTag(c), 0);  // the next one
    EXPECT_EQ(ListNext(list), nullptr);

    EXPECT_EQ(RemoveTagFromList(list, foreign), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(RemoveTagFromList(list, b), 0);
    EXPECT_EQ(RemoveTagFromList(list, b), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(ListFirst(list), nullptr);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 2);  // b detached, foreign listed
    EXPECT_EQ(GetTagStatus(b), 0);
}

TEST_F(Writes, stage_until_send_commits_them)
{
    VnxSimDefineFloat("F", 1.0f);
    VnxSimDefineArray("ARR", 0, 2, 0.0f);
    Start();
    VnxHandle f = OpenTag("F");
    VnxHandle arr = OpenTag("ARR");
    EXPECT_EQ(WriteFloat(f, 42.5f), 0);
    EXPECT_EQ(Committed("F"), 1.0f);
    float e1 = 7.0f, e2 = 8.0f;
    EXPECT_EQ(SetArrayElement(arr, 1, 1, &e1, 9), 0);
    EXPECT_EQ(SetArrayElement(arr, 2, 1, &e2, 9), 0);
    EXPECT_EQ(SendTag(f), 0);
    EXPECT_EQ(SendTag(arr), 0);
    EXPECT_EQ(SendTag(arr), 0);  // nothing staged: a send, no change
    EXPECT_EQ(Committed("F"), 42.5f);
    EXPECT_EQ(Committed("ARR", 0), 0.0f);
    EXPECT_EQ(Committed("ARR", 1), 7.0f);
    EXPECT_EQ(Committed("ARR", 2), 8.0f);
    EXPECT_EQ(VnxSimSendCount("F"), 1);
    EXPECT_EQ(VnxSimSendCount("ARR"), 2);
}

TEST_F(Writes, refuse_bad_arguments_without_staging)
{
    VnxSimDefineFloat("F", 1.0f);
    VnxSimDefineArray("ARR", 0, 2, 0.0f);
    Start();
    VnxHandle f = OpenTag("F");
    VnxHandle arr = OpenTag("ARR");
    float v = 5.0f;
    EXPECT_EQ(SetTagValue(f, 1, &v, 7), VNX_ST_INVALID_CONVERSION);
    EXPECT_EQ(SetTagValue(f, 2, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetTagValue(f, 1, nullptr, 9), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(SetArrayElement(f, 0, 1, &v, 9), VNX_ST_NOT_ARRAY);
    EXPECT_EQ(SetArrayElement(arr, 3, 1, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetArrayElement(arr, -1, 1, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetArrayElement(arr, 0, 0, &v, 9), VNX_ST_INVALID_PARAMETER);
    SendTag(f);
    SendTag(arr);
    EXPECT_EQ(Committed("F"), 1.0f);
    EXPECT_EQ(Committed("ARR", 0), 0.0f);
}

TEST_F(Writes, convert_between_float_and_int_safely)
{
    VnxSimDefineInt("I", 0);
    VnxSimDefineFloat("F", 0.0f);
    Start();
    VnxHandle i = OpenTag("I");
    VnxHandle f = OpenTag("F");
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int32_t> cases[] = {{2.5f, 3},
                                               {-2.5f, -3},
                                               {1e10f, INT32_MAX},
                                               {-inf, INT32_MIN},
                                               {std::numeric_limits<float>::quiet_NaN(), 0},
                                               {65535.0f, 65535}};
    for (const auto& [in, out] : cases) {
        WriteFloat(i, in);
        SendTag(i);
        int32_t got = -1;
        VnxSimGetInt("I", 0, &got);
        EXPECT_EQ(got, out) << in;
    }
    WriteInt(f, 16777217);  // not a float: rounds to the nearest one
    SendTag(f);
    EXPECT_EQ(Committed("F"), 16777216.0f);
    int32_t as_int = 0;
    EXPECT_EQ(GetTagValue(f, 0, &as_int, VNX_CONV_INT, 0, 0), 0);
    EXPECT_EQ(as_int, 16777216);
}

TEST_F(Reads, answer_the_snapshot_of_the_last_list_read)
{
    VnxSimDefineFloat("OP", 35.0f);
    VnxSimDefineInt("PUMP", 70000);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle op = AddTagToList(list, "OP");
    VnxHandle pump = AddTagToList(list, "PUMP");
    float f = 0.0f;
    EXPECT_EQ(GetIOStatus(op, 0), 0);  // nothing read yet
    EXPECT_EQ(GetDataQuality(op, 0), 3);

    ASSERT_EQ(ReadTagList(list), 0);
    VnxSimSetFloat("OP", 0, 50.0f);
    VnxSimSetIOStatus("OP", 11);
    VnxSimSetQuality("OP", 2);
    EXPECT_EQ(GetIOStatus(op, 0), 1);
    EXPECT_EQ(GetDataQuality(op, 0), 0);
    EXPECT_EQ(GetTagValue(op, 0, &f, 9, 0, 0), 0);
    EXPECT_EQ(f, 35.0f);
    int32_t n = 0;
    EXPECT_EQ(GetTagValue(pump, 0, &n, 12, 0, 0), 0);
    EXPECT_EQ(n, 70000);
    EXPECT_EQ(GetTagDataType(pump), VNX_TYPE_INT);
    EXPECT_EQ(GetTagValue(op, 0, &f, 3, 0, 0), VNX_ST_INVALID_CONVERSION);
    EXPECT_EQ(GetTagValue(op, 1, &f, 9, 0, 0), VNX_ST_INVALID_PARAMETER);

    ASSERT_EQ(ReadTagList(list), 0);
    EXPECT_EQ(GetIOStatus(op, 0), 11);
    EXPECT_EQ(GetDataQuality(op, 0), 2);
    GetTagValue(op, 0, &f, 9, 0, 0);
    EXPECT_EQ(f, 50.0f);
}

TEST_F(Reads, answer_every_element_of_an_array_item_from_its_snapshot)
{
    VnxSimDefineArray("ARR", 0, 4, 1.5f);
    VnxSimDefineArray("EMPTY", 0, -1, 0.0f);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle arr = AddTagToList(list, "ARR");
    VnxHandle empty = AddTagToList(list, "EMPTY");
    for (int i = 0; i < 5; ++i) VnxSimSetFloat("ARR", i, 10.0f * i);
    ASSERT_EQ(ReadTagList(list), 0);
    VnxSimSetFloat("ARR", 3, -7.0f);  // after the read: not seen until the next one
    float f = 0.0f;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(GetIOStatus(arr, i), 1);
        ASSERT_EQ(GetTagValue(arr, i, &f, VNX_CONV_FLOAT, 0, 0), 0);
        EXPECT_EQ(f, 10.0f * i);
    }
    EXPECT_EQ(GetIOStatus(arr, 5), -1);
    EXPECT_EQ(GetTagValue(arr, 5, &f, VNX_CONV_FLOAT, 0, 0), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(GetIOStatus(empty, 0), -1);
    EXPECT_EQ(GetTagValue(empty, 0, &f, VNX_CONV_FLOAT, 0, 0), VNX_ST_INVALID_PARAMETER);

    ASSERT_EQ(ReadTagList(list), 0);
    GetTagValue(arr, 3, &f, VNX_CONV_FLOAT, 0, 0);
    EXPECT_EQ(f, -7.0f);
    GetTagValue(arr, 4, &f, VNX_CONV_FLOAT, 0, 0);
    EXPECT_EQ(f, 40.0f);
}

TEST_F(Reads, report_tag_shape_status_and_data_type)
{
    VnxSimDefineArray("ARR", 0, 9, 0.0f);
    VnxSimDefineArray("EMPTY", 0, -1, 0.0f);
    VnxSimDefineFloat("F", 0.0f);
    VnxSimSetTagStatus("F", 46);
    VnxSimSetDataType("F", 129);
    Start();
    VnxHandle arr = OpenTag("ARR");
    VnxHandle empty = OpenTag("EMPTY");
    VnxHandle f = OpenTag("F");
    EXPECT_EQ(GetArrayDims(arr), 1);
    EXPECT_EQ(GetArrayLowerBound(arr, 1), 0);
    EXPECT_EQ(GetArrayUpperBound(arr, 1), 9);
    EXPECT_EQ(GetArrayUpperBound(arr, 2), 0);
    EXPECT_EQ(GetArrayUpperBound(empty, 1), -1);
    EXPECT_EQ(GetArrayDims(f), 0);
    EXPECT_EQ(GetArrayUpperBound(f, 1), 0);
    EXPECT_EQ(GetTagStatus(f), 46);
    EXPECT_EQ(GetTagDataType(f), 129);
    VnxSimSetArrayDims("ARR", 2);
    EXPECT_EQ(GetArrayDims(arr), 2);
}

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

TEST_F(Trace, writes_one_line_per_call_in_the_documented_form)
{
    VnxSimDefineInt("FIC101.MODE", 0);
    VnxSimDefineArray("PVARR", 0, 3, 0.0f);
    VnxSimDefineFloat("FIC101.OP", 35.0f);
    VnxSimDefineFloat("FIC101.SP", 0.0f);
    Start();
    VnxHandle mode = OpenTag("FIC101.MODE");
    VnxHandle arr = OpenTag("PVARR");
    VnxHandle l1 = CreateTagList();
    VnxHandle l2 = CreateTagList();
    VnxSimTraceEnable(1);
    OpenTag("FIC101.SP");
    int32_t one = 1;
    SetTagValue(mode, 1, &one, 12);
    float f = 42.5f;
    SetArrayElement(arr, 3, 1, &f, 9);
    SetTagValue(mode, 1, &one, 5);
    VnxHandle item = AddTagToList(l2, "FIC101.OP");
    ReadTagList(l2);
    GetTagValue(item, 0, &f, 9, 0, 0);
    GetTagValue(item, 0, &f, 4, 0, 0);
    VnxSimSetFloat("FIC101.OP", 0, 0.35f);
    ReadTagList(l2);
    GetTagValue(item, 0, &f, 9, 0, 0);
    ReadTagList(l1);
    CloseTag(item);
    CloseTag(item);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "OpenTag(\"FIC101.SP\") = tag:FIC101.SP",
                           "SetTagValue(tag:FIC101.MODE, 1, int 1, 12) = 0",
                           "SetArrayElement(tag:PVARR, 3, 1, float 42.5, 9) = 0",
                           "SetTagValue(tag:FIC101.MODE, 1, hex 01000000, 5) = 17",
                           "AddTagToList(list:2, \"FIC101.OP\") = item:FIC101.OP",
                           "ReadTagList(list:2) = 0",
                           "GetTagValue(item:FIC101.OP, 0, float 35, 9, 0, 0) = 0",
                           "GetTagValue(item:FIC101.OP, 0, -, 4, 0, 0) = 17",
                           "ReadTagList(list:2) = 0",
                           "GetTagValue(item:FIC101.OP, 0, float 0.35, 9, 0, 0) = 0",
                           "ReadTagList(list:1) = 0",
                           "CloseTag(item:FIC101.OP) = 0",
                           "CloseTag(stale:0x" +
                               [&] {
                                   char buf[16];
                                   std::snprintf(buf, sizeof buf, "%lx",
                                                 static_cast<unsigned long>(
                                                     reinterpret_cast<uintptr_t>(item)));
                                   return std::string(buf);
                               }() +
                               ") = 42",
                       }));

    VnxSimTraceEnable(0);
    VnxSimTraceClear();
    int32_t before = VnxSimCallCount(VNX_OP_ServiceEvents);
    ServiceEvents();
    EXPECT_EQ(VnxSimTraceCount(), 0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), before + 1);
    char small[8];
    VnxSimTraceEnable(1);
    ServiceEvents();
    EXPECT_EQ(VnxSimTraceLine(0, small, sizeof small), 19);  // "ServiceEvents() = 0"
    EXPECT_STREQ(small, "Service");
    EXPECT_EQ(VnxSimTraceLine(1, small, sizeof small), -1);
}

TEST_F(Trace, hook_runs_after_each_call_with_its_number)
{
    std::vector<std::pair<int32_t, int32_t>> calls;
    VnxSimSetCallHook(
        [](int32_t op, int32_t n, void* user) {
            static_cast<std::vector<std::pair<int32_t, int32_t>>*>(user)->emplace_back(op, n);
            ServiceEvents();  // a hook may call the library without recursing
        },
        &calls);
    ApiStartup();
    ServiceEvents();
    EXPECT_EQ(calls, (std::vector<std::pair<int32_t, int32_t>>{{VNX_OP_ApiStartup, 1},
                                                               {VNX_OP_ServiceEvents, 3}}));
    VnxSimReset();
    ApiStartup();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(VnxSimCallsTotal(), 1);
}

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
