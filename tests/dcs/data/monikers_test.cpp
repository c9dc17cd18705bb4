// The static moniker lists: ":ExtraData." and base + j, ".[]" on row tables.
#include <string>

#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"

namespace {

void ExpectList(const char* const* list, int count, int base, const char* suffix)
{
    for (int j = 0; j < count; ++j) {
        EXPECT_EQ(std::string(list[j]), ":ExtraData." + std::to_string(base + j) + suffix)
            << "entry " << j;
    }
}

}  // namespace

TEST(Monikers, every_list_runs_from_its_base_without_a_gap)
{
    ExpectList(GenMonikers, MAXGENFIELDS, 310, "");
    ExpectList(CtrlMonikers, MAXCTRLFIELDS, 340, ".[]");
    ExpectList(PVMonikers, MAXPVFIELDS, 375, ".[]");
    ExpectList(PVImportMonikers, MAXPVIMPORTFIELDS, 3075, ".[]");
}

TEST(Monikers, lists_end_where_the_host_expects)
{
    EXPECT_STREQ(GenMonikers[0], ":ExtraData.310");
    EXPECT_STREQ(GenMonikers[19], ":ExtraData.329");
    EXPECT_STREQ(CtrlMonikers[0], ":ExtraData.340.[]");
    EXPECT_STREQ(CtrlMonikers[19], ":ExtraData.359.[]");
    EXPECT_STREQ(PVMonikers[0], ":ExtraData.375.[]");
    EXPECT_STREQ(PVMonikers[24], ":ExtraData.399.[]");
    EXPECT_STREQ(PVImportMonikers[0], ":ExtraData.3075.[]");
    EXPECT_STREQ(PVImportMonikers[24], ":ExtraData.3099.[]");
}
