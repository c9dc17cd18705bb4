// Caption copiers and default-text setters: a fresh 64-byte host text each,
// never written past its end.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"
#include "tests/dcs/data/data_test_util.h"
#include "tests/support/heap_block.h"
#include "tests/support/sim_fixture.h"

namespace {

class Labels : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        std::memset(&d_, 0, sizeof d_);
        d_.GenDefs = defs_;
        d_.CtrlDefs = defs_;
        d_.PVDefs = defs_;
        d_.PVImportDefs = defs_;
        d_.GenData = cells_;
        d_.CtrlDataDefault.Cells = cells_;
        d_.PVDataDefault.Cells = cells_;
        d_.PVImportDataDefault.Cells = cells_;
    }

    // The text the copier left in the slot of definition or cell 1.
    char* Slot(bool label) { return label ? defs_[1].Label : cells_[1].Text; }

    DCSData d_;
    DCSDataDef defs_[2] = {};
    DCSCell cells_[2] = {};
};

struct Copier {
    const char* name;
    bool label;  // Label of a definition, else the text of a default cell
    int32_t (*copy)(DCSData*, int32_t, const char*);
};

const Copier kCopiers[] = {
    {"SetGenDefLabel", true, SetGenDefLabel},
    {"SetCtrlDefLabel", true, SetCtrlDefLabel},
    {"SetPVDefLabel", true, SetPVDefLabel},
    {"SetPVImportDefLabel", true, SetPVImportDefLabel},
    {"SetGenDataText", false, SetGenDataText},
    {"SetCtrlDefaultText", false, SetCtrlDefaultText},
    {"SetPVDefaultText", false, SetPVDefaultText},
    {"SetPVImportDefaultText", false, SetPVImportDefaultText},
};

}  // namespace

TEST_F(Labels, copy_the_text_into_a_64_byte_host_text)
{
    for (const Copier& c : kCopiers) {
        SCOPED_TRACE(c.name);
        char source[] = "SP TAG";

        EXPECT_EQ(c.copy(&d_, 1, source), 0);

        char* text = Slot(c.label);
        ASSERT_NE(text, nullptr);
        EXPECT_NE(text, source);
        EXPECT_STREQ(text, "SP TAG");
        ASSERT_TRUE(IsHeapBlock(text, IFACE_FAMILY_MALLOC, 64));
        IFace_free(text);
    }
}

TEST_F(Labels, cut_a_long_text_to_63_characters)
{
    const std::string fits(63, 'x');
    const std::string too_long = std::string(63, 'y') + "zzzz";
    for (const Copier& c : kCopiers) {
        SCOPED_TRACE(c.name);

        EXPECT_EQ(c.copy(&d_, 1, fits.c_str()), 0);
        EXPECT_EQ(std::string(Slot(c.label)), fits);
        IFace_free(Slot(c.label));

        EXPECT_EQ(c.copy(&d_, 1, too_long.c_str()), 0);
        EXPECT_EQ(std::string(Slot(c.label)), std::string(63, 'y'));
        IFace_free(Slot(c.label));
    }
    EXPECT_EQ(HeapStats(IFACE_FAMILY_MALLOC).bad_releases, 0);
}

TEST_F(Labels, store_an_empty_text_for_a_null_one)
{
    for (const Copier& c : kCopiers) {
        SCOPED_TRACE(c.name);

        EXPECT_EQ(c.copy(&d_, 1, nullptr), 0);

        ASSERT_NE(Slot(c.label), nullptr);
        EXPECT_STREQ(Slot(c.label), "");
        IFace_free(Slot(c.label));
    }
}

TEST_F(Labels, leave_the_slot_null_without_a_box_when_the_heap_refuses)
{
    static char previous[] = "old";
    for (const Copier& c : kCopiers) {
        SCOPED_TRACE(c.name);
        defs_[1].Label = previous;
        cells_[1].Text = previous;
        IFaceHeapFailAllocation(1);

        EXPECT_EQ(c.copy(&d_, 1, "TAG"), 1);

        EXPECT_EQ(Slot(c.label), nullptr);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Labels, fail_without_allocating_when_the_block_has_no_array)
{
    DCSData empty{};
    int32_t allocations = HeapStats(IFACE_FAMILY_MALLOC).allocations;
    for (const Copier& c : kCopiers) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.copy(&empty, 0, "TAG"), 1);
    }
    EXPECT_EQ(HeapStats(IFACE_FAMILY_MALLOC).allocations, allocations);
}
