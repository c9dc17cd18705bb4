// The host's block: cells filled by the driver's captions and choice texts,
// whatever order the columns were declared in, and the host heap balanced
// after FreeDCSData.
#include <cstring>

#include <gtest/gtest.h>

#include "dcshost/host/host_block.h"
#include "standins/iface/iface_control.h"

namespace {

const char* const kMapping[] = {"1:1", "Controller Mode", nullptr};

// Declares columns the way the driver does, through the data-block code
// (dcshost never links the driver); the controller columns in the order given.
void Declare(DCSData* d, const std::vector<const char*>& ctrl_captions)
{
    AllocGenDefs(d, 1);
    SetGenDefType(d, 0, DCS_TYPE_TEXT);
    SetGenDefLabel(d, 0, "PV Array Tag");
    AllocCtrlDefs(d, static_cast<int32_t>(ctrl_captions.size()));
    for (size_t j = 0; j < ctrl_captions.size(); ++j) {
        SetCtrlDefType(d, static_cast<int32_t>(j), DCS_TYPE_TEXT);
        SetCtrlDefLabel(d, static_cast<int32_t>(j), ctrl_captions[j]);
    }
    AllocPVDefs(d, 1);
    SetPVDefType(d, 0, DCS_TYPE_TEXT);
    SetPVDefLabel(d, 0, "TAG");
    AllocPVImportDefs(d, 2);
    SetPVImportDefType(d, 0, DCS_TYPE_TEXT);
    SetPVImportDefLabel(d, 0, "TAG");
    SetPVImportDefType(d, 1, DCS_TYPE_CHOICE);
    SetPVImportDefLabel(d, 1, "Mapping");
    SetPVImportDefOptions(d, 1, kMapping);
    AllocCtrlDataDefault(d, static_cast<int32_t>(ctrl_captions.size()));
    AllocPVDataDefault(d, 1);
    AllocPVImportDataDefault(d, 2);
}

Scenario Unit()
{
    Scenario s;
    s.pv_array_tag = "UNIT.PVARR";
    CtrlRowDef loop;
    loop.name = "FIC102";
    loop.cells = {{"SP TAG", "F.SP"},
                  {"OP TAG", "F.OP"},
                  {"Mode TAG", ""},
                  {"SP Init TAG", "F.SPI"},
                  {"OP Init TAG", "F.OPI"}};
    loop.sp = 40.0;
    loop.op = 0.4;
    loop.active = false;
    s.controllers.push_back(loop);
    PVRowDef pv;
    pv.name = "FI102";
    pv.cells = {{"TAG", "FI102.PV"}};
    pv.value = 39.5;
    s.pvs.push_back(pv);
    ImportRowDef import;
    import.name = "P101";
    import.cells = {{ "TAG", "P101.STATUS" }};
    import.mapping = "Controller Mode";
    import.value = 1.0;
    s.imports.push_back(import);
    return s;
}

int32_t LiveBlocks()
{
    int32_t live = 0;
    for (int32_t family : {IFACE_FAMILY_MALLOC, IFACE_FAMILY_NEW}) {
        IFaceHeapStats stats{};
        IFaceHeapGetStats(family, &stats);
        live += stats.live_blocks;
    }
    return live;
}

}  // namespace

TEST(HostBlock, fills_cells_by_caption_whatever_the_column_order)
{
    HostBlock block;
    Declare(block.Data(), {"OP Init TAG", "Mode TAG", "SP TAG", "OP TAG", "SP Init TAG"});
    std::string error;
    ASSERT_TRUE(block.Fill(Unit(), error)) << error;
    DCSData* d = block.Data();
    ASSERT_EQ(d->CtrlCount, 1);
    EXPECT_STREQ(d->CtrlRows[0].Cells[0].Text, "F.OPI");
    EXPECT_STREQ(d->CtrlRows[0].Cells[1].Text, "");  // empty, not missing
    EXPECT_STREQ(d->CtrlRows[0].Cells[2].Text, "F.SP");
    EXPECT_STREQ(d->CtrlRows[0].Cells[3].Text, "F.OP");
    EXPECT_STREQ(d->CtrlRows[0].Cells[4].Text, "F.SPI");
    EXPECT_STREQ(GetGenDataText(d, 0), "UNIT.PVARR");
    EXPECT_STREQ(GetPVCellText(d, 0, 0), "FI102.PV");
    EXPECT_STREQ(GetPVImportCellText(d, 0, 0), "P101.STATUS");
    EXPECT_EQ(GetPVImportCellInt(d, 0, 1), 1);  // "Controller Mode"
}

TEST(HostBlock, starts_rows_from_the_default_rows_with_the_scenario_values)
{
    HostBlock block;
    Declare(block.Data(), {"SP TAG", "OP TAG", "Mode TAG", "SP Init TAG", "OP Init TAG"});
    std::string error;
    ASSERT_TRUE(block.Fill(Unit(), error));
    DCSData* d = block.Data();
    EXPECT_EQ(GetCtrlActive(d, 0), 0);
    EXPECT_DOUBLE_EQ(GetCtrlSP(d, 0), 40.0);
    EXPECT_DOUBLE_EQ(GetCtrlOP(d, 0), 0.4);
    EXPECT_DOUBLE_EQ(GetCtrlHostValue1(d, 0), 1.0);
    EXPECT_EQ(d->CtrlRows[0].SPUpdated, 0);
    EXPECT_EQ(GetPVActive(d, 0), 1);
    EXPECT_DOUBLE_EQ(GetPVValue(d, 0), 39.5);
    EXPECT_DOUBLE_EQ(GetPVImportValue(d, 0), 1.0);
}

TEST(HostBlock, leaves_columns_the_scenario_does_not_fill_null)
{
    HostBlock block;
    Declare(block.Data(), {"SP TAG", "Spare TAG"});
    std::string error;
    ASSERT_TRUE(block.Fill(Unit(), error));
    EXPECT_EQ(block.Data()->CtrlRows[0].Cells[1].Text, nullptr);
}

TEST(HostBlock, refuses_a_choice_the_driver_does_not_offer)
{
    HostBlock block;
    Declare(block.Data(), {"SP TAG"});
    Scenario s = Unit();
    s.imports[0].mapping = "Inverted";
    std::string error;
    EXPECT_FALSE(block.Fill(s, error));
    EXPECT_EQ(error, "import P101: the driver offers no choice \"Inverted\" in column \"Mapping\"");
}

TEST(HostBlock, balances_the_host_heap_after_free_dcs_data)
{
    int32_t before = LiveBlocks();
    {
        HostBlock block;
        Declare(block.Data(), {"SP TAG", "OP TAG", "Mode TAG", "SP Init TAG", "OP Init TAG"});
        std::string error;
        ASSERT_TRUE(block.Fill(Unit(), error));
        // Definition arrays, captions, default cells, then GenData and its text.
        EXPECT_EQ(LiveBlocks() - before, 4 + 9 + 3 + 2);
        block.Release();
        EXPECT_TRUE(block.Released());
        EXPECT_EQ(LiveBlocks(), before);
        EXPECT_EQ(block.Data()->GenData, nullptr);
        block.Release();  // once only
    }
    EXPECT_EQ(LiveBlocks(), before);
}
