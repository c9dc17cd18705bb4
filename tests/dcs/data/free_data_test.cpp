// FreeDCSData: releases what the allocators hung into the block, through the
// matching family, and nothing of the host's rows.
#include <cstring>

#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"
#include "tests/dcs/data/data_test_util.h"
#include "tests/support/sim_fixture.h"

namespace {

struct HeapMark {
    IFaceHeapStats malloc_family;
    IFaceHeapStats new_family;
};

HeapMark Mark() { return {HeapStats(IFACE_FAMILY_MALLOC), HeapStats(IFACE_FAMILY_NEW)}; }

class FreeData : public SimTest {
protected:
    // Per row table: a text column and a choice column, captions, host buffers
    // on the text column, a default text in cell 0 and choice index 1 in cell 1.
    // The general table: one text field, with a host text in GenData.
    void Declare(DCSData* d)
    {
        ASSERT_EQ(AllocCtrlDefs(d, 2), 1);
        ASSERT_EQ(AllocPVDefs(d, 2), 1);
        ASSERT_EQ(AllocPVImportDefs(d, 2), 1);
        ASSERT_EQ(AllocGenDefs(d, 1), 1);
        for (DCSDataDef* defs : {d->CtrlDefs, d->PVDefs, d->PVImportDefs}) {
            defs[0].Type = DCS_TYPE_TEXT;
            defs[1].Type = DCS_TYPE_CHOICE;
            defs[0].HostBuffer1 = IFace_new(16);
            defs[0].HostBuffer2 = IFace_new(16);
        }
        d->GenDefs[0].Type = DCS_TYPE_TEXT;
        SetCtrlDefLabel(d, 0, "SP TAG");
        SetCtrlDefLabel(d, 1, "Choice");
        SetPVDefLabel(d, 0, "TAG");
        SetPVImportDefLabel(d, 0, "TAG");
        SetPVImportDefLabel(d, 1, "Mapping");
        SetGenDefLabel(d, 0, "PV Array Tag");

        ASSERT_EQ(AllocCtrlDataDefault(d, 2), 1);
        ASSERT_EQ(AllocPVDataDefault(d, 2), 1);
        ASSERT_EQ(AllocPVImportDataDefault(d, 2), 1);
        ASSERT_EQ(AllocGenData(d, 1), 1);
        SetCtrlDefaultText(d, 0, "FIC101.SP");
        SetPVDefaultText(d, 0, "TI100");
        SetPVImportDefaultText(d, 0, "LI200");
        SetCtrlDefaultInt(d, 1, 1);
        SetPVDefaultInt(d, 1, 1);
        SetPVImportDefaultInt(d, 1, 1);
        SetGenDataText(d, 0, "ARRAY1");
    }
};

}  // namespace

TEST_F(FreeData, releases_every_driver_buffer_through_its_family)
{
    DCSData d{};
    HeapMark before = Mark();
    Declare(&d);
    char* host_text = d.GenData[0].Text;
    HeapMark declared = Mark();

    EXPECT_EQ(FreeDCSData(&d), 0);

    HeapMark after = Mark();
    // 6 captions and 3 default texts; the general cell's text is the host's.
    EXPECT_EQ(after.malloc_family.releases - declared.malloc_family.releases, 9);
    EXPECT_EQ(after.malloc_family.live_blocks, before.malloc_family.live_blocks + 1);
    EXPECT_EQ(IFaceHeapBlockInfo(host_text, nullptr, nullptr), 1);
    // 4 definition arrays, 6 host buffers, 3 default cell arrays and GenData.
    EXPECT_EQ(after.new_family.releases - declared.new_family.releases, 14);
    EXPECT_EQ(after.new_family.live_blocks, before.new_family.live_blocks);
    EXPECT_EQ(after.malloc_family.bad_releases, before.malloc_family.bad_releases)
        << "a choice index went to IFace_free";
    EXPECT_EQ(after.new_family.bad_releases, before.new_family.bad_releases);
    IFace_free(host_text);
}

TEST_F(FreeData, leaves_a_released_block_with_null_pointers_and_zero_counts)
{
    DCSData d{};
    Declare(&d);
    DCSCtrlRow rows[1] = {};
    d.CtrlCount = 1;
    d.CtrlRows = rows;
    d.PVCount = 4;
    d.PVImportCount = 5;
    d.CtrlDataDefault.Active = 1;
    char* host_text = d.GenData[0].Text;

    FreeDCSData(&d);

    EXPECT_EQ(Value(d.GenDefCnt), 0);
    EXPECT_EQ(Value(d.CtrlDefCnt), 0);
    EXPECT_EQ(Value(d.PVDefCnt), 0);
    EXPECT_EQ(Value(d.PVImportDefCnt), 0);
    EXPECT_EQ(Value(d.GenDefs), nullptr);
    EXPECT_EQ(Value(d.CtrlDefs), nullptr);
    EXPECT_EQ(Value(d.PVDefs), nullptr);
    EXPECT_EQ(Value(d.PVImportDefs), nullptr);
    EXPECT_EQ(Value(d.GenData), nullptr);
    EXPECT_EQ(Value(d.CtrlDataDefault.Cells), nullptr);
    EXPECT_EQ(Value(d.PVDataDefault.Cells), nullptr);
    EXPECT_EQ(Value(d.PVImportDataDefault.Cells), nullptr);
    // The rows and the default rows' values stay as the host and the allocators left them.
    EXPECT_EQ(Value(d.CtrlCount), 1);
    EXPECT_EQ(Value(d.CtrlRows), rows);
    EXPECT_EQ(Value(d.PVCount), 4);
    EXPECT_EQ(Value(d.PVImportCount), 5);
    EXPECT_EQ(Value(d.CtrlDataDefault.Active), 1);
    EXPECT_EQ(Value(d.CtrlDataDefault.HostValue1), 1.0);
    IFace_free(host_text);
}

TEST_F(FreeData, second_call_releases_nothing)
{
    DCSData d{};
    Declare(&d);
    IFace_free(d.GenData[0].Text);
    FreeDCSData(&d);
    HeapMark first = Mark();
    d.CtrlDefCnt = 5;  // a count without its array is zeroed again

    EXPECT_EQ(FreeDCSData(&d), 0);

    HeapMark second = Mark();
    EXPECT_EQ(second.malloc_family.releases, first.malloc_family.releases);
    EXPECT_EQ(second.new_family.releases, first.new_family.releases);
    EXPECT_EQ(second.malloc_family.bad_releases, first.malloc_family.bad_releases);
    EXPECT_EQ(second.new_family.bad_releases, first.new_family.bad_releases);
    EXPECT_EQ(Value(d.CtrlDefCnt), 0);
}

TEST_F(FreeData, block_of_null_pointers_only_has_its_counts_zeroed)
{
    const unsigned char fill = 0xA5;
    RawBytes<sizeof(DCSData)> block(fill);
    for (size_t offset : {4, 12, 20, 28, 32, 84, 114, 142}) block.Put<uint32_t>(offset, 0);
    for (size_t offset : {0, 8, 16, 24}) block.Put<int32_t>(offset, 5);
    RawBytes<sizeof(DCSData)> expected(0);
    std::memcpy(expected.bytes, block.bytes, sizeof(DCSData));
    for (size_t offset : {0, 8, 16, 24}) expected.Put<int32_t>(offset, 0);
    HeapMark before = Mark();

    EXPECT_EQ(FreeDCSData(block.as<DCSData>()), 0);

    EXPECT_EQ(std::memcmp(block.bytes, expected.bytes, sizeof(DCSData)), 0);
    HeapMark after = Mark();
    EXPECT_EQ(after.malloc_family.releases, before.malloc_family.releases);
    EXPECT_EQ(after.new_family.releases, before.new_family.releases);
    EXPECT_EQ(after.malloc_family.bad_releases, before.malloc_family.bad_releases);
    EXPECT_EQ(after.new_family.bad_releases, before.new_family.bad_releases);
}

TEST_F(FreeData, releases_default_cells_without_their_texts_when_definitions_are_missing)
{
    DCSData d{};
    ASSERT_EQ(AllocCtrlDataDefault(&d, 2), 1);
    SetCtrlDefaultText(&d, 0, "FIC101.SP");
    char* text = d.CtrlDataDefault.Cells[0].Text;
    d.CtrlDefCnt = 2;  // as after a failed AllocCtrlDefs: count set, array null
    HeapMark before = Mark();

    FreeDCSData(&d);

    EXPECT_EQ(Value(d.CtrlDataDefault.Cells), nullptr);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).releases, before.new_family.releases + 1);
    EXPECT_EQ(IFaceHeapBlockInfo(text, nullptr, nullptr), 1) << "no definition says it is a text";
    IFace_free(text);
}
