// Handles of the simulated control system: one per open, checked before use.
#include <cstring>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Handles : public VnxSimTest {};

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

}  // namespace
