// Writes staged and sent, reads from the last list read, and the conversions.
#include <limits>
#include <utility>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Writes : public VnxSimTest {
protected:
    // Started, with float F at 1 and array ARR[0..2] at 0 open.
    void OpenFloatAndArray()
    {
        VnxSimDefineFloat("F", 1.0f);
        VnxSimDefineArray("ARR", 0, 2, 0.0f);
        Start();
        f_ = OpenTag("F");
        arr_ = OpenTag("ARR");
    }

    VnxHandle f_ = nullptr;
    VnxHandle arr_ = nullptr;
};
class Reads : public VnxSimTest {};

TEST_F(Writes, stage_until_send_commits_them)
{
    OpenFloatAndArray();
    EXPECT_EQ(WriteFloat(f_, 42.5f), 0);
    EXPECT_EQ(Committed("F"), 1.0f);
    float e1 = 7.0f, e2 = 8.0f;
    EXPECT_EQ(SetArrayElement(arr_, 1, 1, &e1, 9), 0);
    EXPECT_EQ(SetArrayElement(arr_, 2, 1, &e2, 9), 0);
    EXPECT_EQ(SendTag(f_), 0);
    EXPECT_EQ(SendTag(arr_), 0);
    EXPECT_EQ(SendTag(arr_), 0);  // nothing staged: a send, no change
    EXPECT_EQ(Committed("F"), 42.5f);
    EXPECT_EQ(Committed("ARR", 0), 0.0f);
    EXPECT_EQ(Committed("ARR", 1), 7.0f);
    EXPECT_EQ(Committed("ARR", 2), 8.0f);
    EXPECT_EQ(VnxSimSendCount("F"), 1);
    EXPECT_EQ(VnxSimSendCount("ARR"), 2);
}

TEST_F(Writes, refuse_bad_arguments_without_staging)
{
    OpenFloatAndArray();
    float v = 5.0f;
    EXPECT_EQ(SetTagValue(f_, 1, &v, 7), VNX_ST_INVALID_CONVERSION);
    EXPECT_EQ(SetTagValue(f_, 2, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetTagValue(f_, 1, nullptr, 9), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(SetArrayElement(f_, 0, 1, &v, 9), VNX_ST_NOT_ARRAY);
    EXPECT_EQ(SetArrayElement(arr_, 3, 1, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetArrayElement(arr_, -1, 1, &v, 9), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(SetArrayElement(arr_, 0, 0, &v, 9), VNX_ST_INVALID_PARAMETER);
    SendTag(f_);
    SendTag(arr_);
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

}  // namespace
