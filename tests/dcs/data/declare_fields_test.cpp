// DCSLoad: the driver's columns, its default rows, and the handle tables it clears.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/data/declare_fields.h"
#include "dcs/driver/entry_points.h"
#include "dcs/link/driver_state.h"
#include "tests/dcs/data/data_test_util.h"
#include "tests/support/sim_fixture.h"

namespace {

struct Column {
    int32_t type;
    const char* caption;
    const char* moniker;
};

// Read through member pointers, which know nothing of packing: the blocks
// these tests build are aligned.
struct Table {
    const char* name;
    int32_t DCSData::*count;
    DCSDataDef* DCSData::*defs;
    std::vector<Column> columns;
};

const Table kTables[] = {
    {"general", &DCSData::GenDefCnt, &DCSData::GenDefs, {{2, "PV Array Tag", ":ExtraData.310"}}},
    {"controller",
     &DCSData::CtrlDefCnt,
     &DCSData::CtrlDefs,
     {{2, "SP TAG", ":ExtraData.340.[]"},
      {2, "OP TAG", ":ExtraData.341.[]"},
      {2, "Mode TAG", ":ExtraData.342.[]"},
      {2, "SP Init TAG", ":ExtraData.343.[]"},
      {2, "OP Init TAG", ":ExtraData.344.[]"}}},
    {"PV", &DCSData::PVDefCnt, &DCSData::PVDefs, {{2, "TAG", ":ExtraData.375.[]"}}},
    {"PV import",
     &DCSData::PVImportDefCnt,
     &DCSData::PVImportDefs,
     {{2, "TAG", ":ExtraData.3075.[]"}, {3, "Mapping", ":ExtraData.3076.[]"}}},
};

// The sixteen buffers DCSLoad asks the host heap for, in the order it asks;
// each entry names the slot that holds the buffer.
std::vector<std::string> MissingBuffers(const DCSData& d)
{
    std::vector<std::string> missing;
    auto check = [&missing](const void* p, const std::string& name) {
        if (!p) missing.push_back(name);
    };
    auto labels = [&](const DCSDataDef* defs, int n, const std::string& table) {
        for (int j = 0; j < n; ++j) {
            if (defs) check(defs[j].Label, table + " label " + std::to_string(j));
        }
    };
    check(d.GenDefs, "GenDefs");
    labels(d.GenDefs, 1, "general");
    check(d.CtrlDefs, "CtrlDefs");
    labels(d.CtrlDefs, 5, "controller");
    check(d.PVDefs, "PVDefs");
    labels(d.PVDefs, 1, "PV");
    check(d.PVImportDefs, "PVImportDefs");
    labels(d.PVImportDefs, 2, "PV import");
    check(d.CtrlDataDefault.Cells, "CtrlDataDefault");
    check(d.PVDataDefault.Cells, "PVDataDefault");
    check(d.PVImportDataDefault.Cells, "PVImportDataDefault");
    return missing;
}

const char* const kAllocationOrder[] = {
    "GenDefs",
    "general label 0",
    "CtrlDefs",
    "controller label 0",
    "controller label 1",
    "controller label 2",
    "controller label 3",
    "controller label 4",
    "PVDefs",
    "PV label 0",
    "PVImportDefs",
    "PV import label 0",
    "PV import label 1",
    "CtrlDataDefault",
    "PVDataDefault",
    "PVImportDataDefault",
};

// The box each failed allocation shows; captions get none.
std::vector<std::string> BoxFor(const std::string& slot)
{
    if (slot == "GenDefs") return {"ZUDCSAPI: Could not allocate DCSDataDef(Gen)"};
    if (slot == "CtrlDefs") return {"ZUDCSAPI: Could not allocate DCSDataDef(Ctrl)"};
    if (slot == "PVDefs") return {"ZUDCSAPI: Could not allocate DCSDataDef(PV)"};
    if (slot == "PVImportDefs") return {"ZUDCSAPI: Could not allocate DCSDataDef(PVImport)"};
    if (slot.find("Default") != std::string::npos) {
        return {"ZUDCSAPI Error: Memory Allocation Error: " + slot};
    }
    return {};
}

class DeclareFields : public SimTest {};

}  // namespace

TEST_F(DeclareFields, declares_every_column_with_type_caption_and_moniker)
{
    alignas(8) DCSData d{};

    EXPECT_EQ(DCSLoad(&d), 0);

    for (const Table& t : kTables) {
        SCOPED_TRACE(t.name);
        ASSERT_EQ(Value(d.*t.count), static_cast<int32_t>(t.columns.size()));
        const DCSDataDef* defs = d.*t.defs;
        ASSERT_NE(defs, nullptr);
        for (size_t j = 0; j < t.columns.size(); ++j) {
            SCOPED_TRACE("column " + std::to_string(j));
            EXPECT_EQ(defs[j].Type, t.columns[j].type);
            ASSERT_NE(defs[j].Label, nullptr);
            EXPECT_STREQ(defs[j].Label, t.columns[j].caption);
            EXPECT_STREQ(defs[j].Moniker, t.columns[j].moniker);
            EXPECT_EQ(defs[j].HostBuffer1, nullptr);
            EXPECT_EQ(defs[j].HostBuffer2, nullptr);
            if (t.columns[j].type != DCS_TYPE_CHOICE) {
                EXPECT_EQ(defs[j].Options, nullptr);
            }
        }
    }
    const char* const* mapping = d.PVImportDefs[IMPORT_COL_MAPPING].Options;
    ASSERT_NE(mapping, nullptr);
    EXPECT_STREQ(mapping[MAPPING_ONE_TO_ONE], "1:1");
    EXPECT_STREQ(mapping[MAPPING_CONTROLLER_MODE], "Controller Mode");
    EXPECT_EQ(mapping[2], nullptr);
    EXPECT_TRUE(Boxes().empty());
    FreeDCSData(&d);
}

TEST_F(DeclareFields, gives_each_row_table_zero_default_cells_and_leaves_the_host_bytes)
{
    const unsigned char fill = 0xA5;
    RawBytes<160> block(fill);
    DCSData* d = block.as<DCSData>();

    DCSLoad(d);

    EXPECT_TRUE(block.Holds(32, 36, fill)) << "GenData is the host's";
    EXPECT_TRUE(block.Holds(36, 52, fill));
    EXPECT_EQ(block.Get<double>(52), 1.0);
    for (size_t offset : {60, 68, 76}) EXPECT_EQ(block.Get<double>(offset), 0.0);
    EXPECT_EQ(block.bytes[88], 0);
    EXPECT_EQ(block.bytes[89], 0);
    EXPECT_TRUE(block.Holds(90, 106, fill));
    EXPECT_EQ(block.Get<double>(106), 0.0);
    EXPECT_TRUE(block.Holds(118, 134, fill));
    EXPECT_EQ(block.Get<double>(134), 0.0);
    EXPECT_TRUE(block.Holds(146, 160, fill));

    struct Cells {
        const DCSCell* cells;
        int n;
    };
    for (Cells c : {Cells{d->CtrlDataDefault.Cells, 5}, Cells{d->PVDataDefault.Cells, 1},
                    Cells{d->PVImportDataDefault.Cells, 2}}) {
        ASSERT_NE(c.cells, nullptr);
        size_t size = 0;
        ASSERT_EQ(IFaceHeapBlockInfo(c.cells, nullptr, &size), 1);
        EXPECT_EQ(size, static_cast<size_t>(c.n) * 8);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(c.cells);
        for (size_t i = 0; i < size; ++i) EXPECT_EQ(bytes[i], 0);
    }
    d->GenData = nullptr;
    FreeDCSData(d);
}

TEST_F(DeclareFields, clears_seven_handle_tables_and_the_array_tag_and_keeps_the_rest)
{
    VnxHandle mark = reinterpret_cast<VnxHandle>(0x1234);
    VnxHandle* cleared[] = {Driver.CtrlOPItems, Driver.CtrlSPItems,  Driver.CtrlOPTags,
                            Driver.CtrlSPTags,  Driver.PVExportTags, Driver.PVImportItems,
                            Driver.PVImportTags};
    VnxHandle* kept[] = {Driver.CtrlModeTags, Driver.CtrlSPInitTags, Driver.CtrlOPInitTags};
    for (VnxHandle* table : cleared) table[0] = table[MAXDCSROWS - 1] = mark;
    for (VnxHandle* table : kept) table[0] = table[MAXDCSROWS - 1] = mark;
    Driver.PVExportArrayTag = Driver.SPTagList = Driver.OPTagList = Driver.PVImportTagList = mark;
    Driver.DataServicesContext = 77;
    alignas(8) DCSData d{};

    DCSLoad(&d);

    for (VnxHandle* table : cleared) {
        EXPECT_EQ(table[0], nullptr);
        EXPECT_EQ(table[MAXDCSROWS - 1], nullptr);
    }
    for (VnxHandle* table : kept) {
        EXPECT_EQ(table[0], mark);
        EXPECT_EQ(table[MAXDCSROWS - 1], mark);
    }
    EXPECT_EQ(Driver.PVExportArrayTag, nullptr);
    EXPECT_EQ(Driver.SPTagList, mark);
    EXPECT_EQ(Driver.OPTagList, mark);
    EXPECT_EQ(Driver.PVImportTagList, mark);
    EXPECT_EQ(Driver.DataServicesContext, 77u);
    FreeDCSData(&d);
}

TEST_F(DeclareFields, each_failed_allocation_skips_only_what_depends_on_it)
{
    for (int n = 1; n <= 16; ++n) {
        const std::string slot = kAllocationOrder[n - 1];
        SCOPED_TRACE("allocation " + std::to_string(n) + ": " + slot);
        ForgetBoxes();
        int32_t live = LiveBlocks();
        alignas(8) DCSData d{};
        IFaceHeapFailAllocation(n);

        EXPECT_EQ(DCSLoad(&d), 0);

        IFaceHeapFailAllocation(0);
        EXPECT_EQ(MissingBuffers(d), std::vector<std::string>{slot});
        EXPECT_EQ(Boxes(), BoxFor(slot));
        EXPECT_EQ(Value(d.GenDefCnt), 1);
        EXPECT_EQ(Value(d.CtrlDefCnt), 5);
        EXPECT_EQ(Value(d.PVDefCnt), 1);
        EXPECT_EQ(Value(d.PVImportDefCnt), 2);
        FreeDCSData(&d);
        EXPECT_EQ(LiveBlocks(), live);
    }
}

TEST_F(DeclareFields, asks_the_host_heap_for_sixteen_buffers_that_free_data_returns)
{
    IFaceHeapStats malloc_before = HeapStats(IFACE_FAMILY_MALLOC);
    IFaceHeapStats new_before = HeapStats(IFACE_FAMILY_NEW);
    alignas(8) DCSData d{};

    DCSLoad(&d);

    EXPECT_EQ(HeapStats(IFACE_FAMILY_MALLOC).allocations - malloc_before.allocations, 9);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).allocations - new_before.allocations, 7);
    FreeDCSData(&d);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_MALLOC).live_blocks, malloc_before.live_blocks);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).live_blocks, new_before.live_blocks);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_MALLOC).bad_releases, malloc_before.bad_releases);
    EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).bad_releases, new_before.bad_releases);
}

TEST_F(DeclareFields, works_on_a_block_at_an_odd_address)
{
    RawBytes<1 + sizeof(DCSData)> buffer(0);
    DCSData* d = reinterpret_cast<DCSData*>(buffer.bytes + 1);  // packed: any address will do
    int32_t live = LiveBlocks();

    EXPECT_EQ(DCSLoad(d), 0);

    EXPECT_EQ(GetCtrlDefCnt(d), 5);
    EXPECT_STREQ(GetPVImportDefLabel(d, IMPORT_COL_MAPPING), "Mapping");
    EXPECT_EQ(GetPVImportDefType(d, IMPORT_COL_MAPPING), DCS_TYPE_CHOICE);
    EXPECT_EQ(buffer.Get<double>(1 + 52), 1.0);
    FreeDCSData(d);
    EXPECT_EQ(LiveBlocks(), live);
}
