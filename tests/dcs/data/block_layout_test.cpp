// The accessors against plain byte buffers: every field lands at the offset
// the host reads, and nothing around it moves.
#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"
#include "tests/dcs/data/data_test_util.h"

namespace {

const unsigned char kFill = 0xA5;

struct DefAccess {
    const char* table;
    size_t defs_offset;  // where the block holds the table's definition array
    int32_t (*set_type)(DCSData*, int32_t, int32_t);
    int32_t (*get_type)(DCSData*, int32_t);
    const char* (*get_label)(DCSData*, int32_t);
    const char* (*get_moniker)(DCSData*, int32_t);
    int32_t (*set_options)(DCSData*, int32_t, const char* const*);
};

const DefAccess kDefAccess[] = {
    {"general", 4, SetGenDefType, GetGenDefType, GetGenDefLabel, GetGenDefMoniker,
     SetGenDefOptions},
    {"controller", 12, SetCtrlDefType, GetCtrlDefType, GetCtrlDefLabel, GetCtrlDefMoniker,
     SetCtrlDefOptions},
    {"PV", 20, SetPVDefType, GetPVDefType, GetPVDefLabel, GetPVDefMoniker, SetPVDefOptions},
    {"PV import", 28, SetPVImportDefType, GetPVImportDefType, GetPVImportDefLabel,
     GetPVImportDefMoniker, SetPVImportDefOptions},
};

struct DefaultAccess {
    const char* table;
    size_t cells_offset;  // the embedded default row's Cells in the block
    int32_t (*set_int)(DCSData*, int32_t, int32_t);
    int32_t (*set_double)(DCSData*, int32_t, double);
};

const DefaultAccess kDefaultAccess[] = {
    {"general", 32, SetGenDataInt, SetGenDataDouble},
    {"controller", 84, SetCtrlDefaultInt, SetCtrlDefaultDouble},
    {"PV", 114, SetPVDefaultInt, SetPVDefaultDouble},
    {"PV import", 142, SetPVImportDefaultInt, SetPVImportDefaultDouble},
};

}  // namespace

TEST(BlockLayout, counts_are_read_at_their_offsets)
{
    RawBytes<sizeof(DCSData)> block(0);
    block.Put<int32_t>(0, 3);
    block.Put<int32_t>(8, 5);
    block.Put<int32_t>(16, 7);
    block.Put<int32_t>(24, 9);
    block.Put<int32_t>(36, 11);
    block.Put<int32_t>(90, 13);
    block.Put<int32_t>(118, 15);
    DCSData* d = block.as<DCSData>();

    EXPECT_EQ(GetGenDefCnt(d), 3);
    EXPECT_EQ(GetCtrlDefCnt(d), 5);
    EXPECT_EQ(GetPVDefCnt(d), 7);
    EXPECT_EQ(GetPVImportDefCnt(d), 9);
    EXPECT_EQ(GetCtrlCount(d), 11);
    EXPECT_EQ(GetPVCount(d), 13);
    EXPECT_EQ(GetPVImportCount(d), 15);
}

TEST(BlockLayout, definition_fields_land_at_their_offsets_in_each_table)
{
    static const char* const options[] = {"a", "b", nullptr};
    static const char label[] = "caption";
    static const char moniker[] = ":ExtraData.1";
    for (const DefAccess& t : kDefAccess) {
        SCOPED_TRACE(t.table);
        RawBytes<sizeof(DCSData)> block(0);
        RawBytes<3 * 24> defs(kFill);
        block.Put<uint32_t>(t.defs_offset, Addr(defs.bytes));
        DCSData* d = block.as<DCSData>();

        EXPECT_EQ(t.set_type(d, 1, 0x01020304), 0);
        EXPECT_EQ(t.set_options(d, 1, options), 0);
        defs.Put<uint32_t>(24 + 4, Addr(label));
        defs.Put<uint32_t>(24 + 8, Addr(moniker));

        EXPECT_EQ(defs.Get<int32_t>(24 + 0), 0x01020304);
        EXPECT_EQ(defs.Get<uint32_t>(24 + 12), Addr(options));
        EXPECT_EQ(t.get_type(d, 1), 0x01020304);
        EXPECT_EQ(t.get_label(d, 1), label);
        EXPECT_EQ(t.get_moniker(d, 1), moniker);
        // Definitions 0 and 2 and the host buffers of definition 1 are untouched.
        EXPECT_TRUE(defs.Holds(0, 24, kFill));
        EXPECT_TRUE(defs.Holds(24 + 16, 3 * 24, kFill));
    }
}

TEST(BlockLayout, controller_row_fields_land_at_their_offsets)
{
    RawBytes<sizeof(DCSData)> block(0);
    RawBytes<2 * 46> rows(kFill);
    block.Put<int32_t>(36, 2);
    block.Put<uint32_t>(40, Addr(rows.bytes));
    DCSData* d = block.as<DCSData>();
    const size_t r1 = 46;

    EXPECT_EQ(SetCtrlHostValue1(d, 1, 1.5), 0);
    EXPECT_EQ(SetCtrlHostValue2(d, 1, -2.5), 0);
    EXPECT_EQ(SetCtrlSP(d, 1, 12.25), 0);
    EXPECT_EQ(SetCtrlOP(d, 1, 0.75), 0);

    EXPECT_EQ(rows.Get<double>(r1 + 8), 1.5);
    EXPECT_EQ(rows.Get<double>(r1 + 16), -2.5);
    EXPECT_EQ(rows.Get<double>(r1 + 24), 12.25);
    EXPECT_EQ(rows.Get<double>(r1 + 32), 0.75);
    EXPECT_EQ(rows.bytes[r1 + 44], 1);
    EXPECT_EQ(rows.bytes[r1 + 45], 1);
    EXPECT_EQ(GetCtrlHostValue1(d, 1), 1.5);
    EXPECT_EQ(GetCtrlHostValue2(d, 1), -2.5);
    EXPECT_EQ(GetCtrlSP(d, 1), 12.25);
    EXPECT_EQ(GetCtrlOP(d, 1), 0.75);
    // Row 0, the host bytes and Active of row 1, and its Cells are the host's.
    EXPECT_TRUE(rows.Holds(0, r1 + 8, kFill));
    EXPECT_TRUE(rows.Holds(r1 + 40, r1 + 44, kFill));

    rows.Put<int16_t>(r1 + 4, 1);
    EXPECT_EQ(GetCtrlActive(d, 1), 1);
    rows.Put<uint16_t>(r1 + 4, 0xFFFF);
    EXPECT_EQ(GetCtrlActive(d, 1), -1);
}

TEST(BlockLayout, setpoint_and_output_each_raise_only_their_own_flag)
{
    RawBytes<sizeof(DCSData)> block(0);
    RawBytes<46> row(0);
    block.Put<int32_t>(36, 1);
    block.Put<uint32_t>(40, Addr(row.bytes));
    DCSData* d = block.as<DCSData>();

    SetCtrlSP(d, 0, 4.0);
    SetCtrlSP(d, 0, 4.0);
    EXPECT_EQ(row.bytes[44], 1);
    EXPECT_EQ(row.bytes[45], 0);

    row.bytes[44] = 0;  // the host took the value
    SetCtrlSP(d, 0, 4.0);
    EXPECT_EQ(row.bytes[44], 1) << "an unchanged value raises the flag all the same";

    row.bytes[44] = 0;
    SetCtrlOP(d, 0, 0.5);
    EXPECT_EQ(row.bytes[44], 0);
    EXPECT_EQ(row.bytes[45], 1);
}

TEST(BlockLayout, pv_and_import_row_fields_land_at_their_offsets)
{
    RawBytes<sizeof(DCSData)> block(0);
    RawBytes<2 * 20> pv(kFill);
    RawBytes<2 * 20> imp(kFill);
    block.Put<int32_t>(90, 2);
    block.Put<uint32_t>(94, Addr(pv.bytes));
    block.Put<int32_t>(118, 2);
    block.Put<uint32_t>(122, Addr(imp.bytes));
    DCSData* d = block.as<DCSData>();

    pv.Put<int16_t>(20 + 2, -32768);
    pv.Put<uint16_t>(20 + 4, 0xFFFF);
    pv.Put<double>(20 + 8, 3.5);
    EXPECT_EQ(GetPVHostWord(d, 1), -32768);
    EXPECT_EQ(GetPVActive(d, 1), -1);
    EXPECT_EQ(GetPVValue(d, 1), 3.5);

    imp.Put<uint16_t>(20 + 4, 0xFFFF);
    EXPECT_EQ(GetPVImportActive(d, 1), -1);
    EXPECT_EQ(SetPVImportValue(d, 1, -6.25), 0);
    EXPECT_EQ(imp.Get<double>(20 + 8), -6.25);
    EXPECT_EQ(GetPVImportValue(d, 1), -6.25);
    EXPECT_TRUE(imp.Holds(0, 20 + 4, kFill));
    EXPECT_TRUE(imp.Holds(20 + 6, 20 + 8, kFill));
    EXPECT_TRUE(imp.Holds(20 + 16, 40, kFill));
}

TEST(BlockLayout, cells_are_read_by_row_and_column)
{
    static const char tag[] = "FIC101.PV";
    RawBytes<sizeof(DCSData)> block(0);
    RawBytes<2 * 46> ctrl(0);
    RawBytes<2 * 20> pv(0);
    RawBytes<2 * 20> imp(0);
    RawBytes<3 * 8> cells(0);  // one cell array shared by row 1 of every table
    cells.Put<uint32_t>(0, Addr(tag));
    cells.Put<int32_t>(8, 1);
    cells.Put<double>(16, 42.5);
    ctrl.Put<uint32_t>(46 + 40, Addr(cells.bytes));
    pv.Put<uint32_t>(20 + 16, Addr(cells.bytes));
    imp.Put<uint32_t>(20 + 16, Addr(cells.bytes));
    block.Put<uint32_t>(32, Addr(cells.bytes));
    block.Put<uint32_t>(40, Addr(ctrl.bytes));
    block.Put<uint32_t>(94, Addr(pv.bytes));
    block.Put<uint32_t>(122, Addr(imp.bytes));
    DCSData* d = block.as<DCSData>();

    EXPECT_EQ(GetGenDataText(d, 0), tag);
    EXPECT_EQ(GetCtrlCellText(d, 1, 0), tag);
    EXPECT_EQ(GetPVCellText(d, 1, 0), tag);
    EXPECT_EQ(GetPVImportCellText(d, 1, 0), tag);

    EXPECT_EQ(GetGenDataInt(d, 1), 1);
    EXPECT_EQ(GetCtrlCellInt(d, 1, 1), 1);
    EXPECT_EQ(GetPVCellInt(d, 1, 1), 1);
    EXPECT_EQ(GetPVImportCellInt(d, 1, 1), 1);  // "Controller Mode"

    EXPECT_EQ(GetGenDataDouble(d, 2), 42.5);
    EXPECT_EQ(GetCtrlCellDouble(d, 1, 2), 42.5);
    EXPECT_EQ(GetPVCellDouble(d, 1, 2), 42.5);
    EXPECT_EQ(GetPVImportCellDouble(d, 1, 2), 42.5);
}

TEST(BlockLayout, default_cell_setters_write_the_cell_of_their_column)
{
    for (const DefaultAccess& t : kDefaultAccess) {
        SCOPED_TRACE(t.table);
        RawBytes<sizeof(DCSData)> block(0);
        RawBytes<3 * 8> cells(kFill);
        block.Put<uint32_t>(t.cells_offset, Addr(cells.bytes));
        DCSData* d = block.as<DCSData>();

        EXPECT_EQ(t.set_int(d, 0, -7), 0);
        EXPECT_EQ(t.set_double(d, 2, 2.5), 0);

        EXPECT_EQ(cells.Get<int32_t>(0), -7);
        EXPECT_TRUE(cells.Holds(4, 16, kFill));
        EXPECT_EQ(cells.Get<double>(16), 2.5);
    }
}
