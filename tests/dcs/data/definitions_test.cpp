// The four definition allocators: bounds, monikers, and the boxes they show.
#include <string>

#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"
#include "tests/dcs/data/data_test_util.h"
#include "tests/support/heap_block.h"
#include "tests/support/sim_fixture.h"

namespace {

// Read through member pointers, which know nothing of packing: the blocks
// these tests build are aligned.
struct DefTable {
    const char* table;
    int32_t (*alloc)(DCSData*, int32_t);
    int32_t bound;
    int32_t DCSData::*count;
    DCSDataDef* DCSData::*defs;
    const char* const* monikers;
    const char* bound_box;
    const char* alloc_box;
};

const DefTable kTables[] = {
    {"general", AllocGenDefs, 20, &DCSData::GenDefCnt, &DCSData::GenDefs, GenMonikers,
     "ZUDCSAPI: 0 <= GenDefCnt <= MAXGENFIELDS", "ZUDCSAPI: Could not allocate DCSDataDef(Gen)"},
    {"controller", AllocCtrlDefs, 20, &DCSData::CtrlDefCnt, &DCSData::CtrlDefs, CtrlMonikers,
     "ZUDCSAPI: 0 <= CtrlDefCnt <= MAXCTRLFIELDS", "ZUDCSAPI: Could not allocate DCSDataDef(Ctrl)"},
    {"PV", AllocPVDefs, 25, &DCSData::PVDefCnt, &DCSData::PVDefs, PVMonikers,
     "ZUDCSAPI: 0 <= PVDefCnt <= MAXPVFIELDS", "ZUDCSAPI: Could not allocate DCSDataDef(PV)"},
    {"PV import", AllocPVImportDefs, 25, &DCSData::PVImportDefCnt, &DCSData::PVImportDefs,
     PVImportMonikers, "ZUDCSAPI: 0 <= PVImportDefCnt <= MAXPVIMPORTFIELDS",
     "ZUDCSAPI: Could not allocate DCSDataDef(PVImport)"},
};

class Definitions : public SimTest {};

}  // namespace

TEST_F(Definitions, refuses_a_count_outside_its_bound_and_leaves_the_block_alone)
{
    DCSDataDef sentinel[1] = {};
    for (const DefTable& t : kTables) {
        for (int32_t count : {t.bound + 1, -1}) {
            SCOPED_TRACE(std::string(t.table) + " with " + std::to_string(count));
            ForgetBoxes();
            alignas(8) DCSData d{};
            d.*t.count = 3;
            d.*t.defs = sentinel;
            int32_t allocations = HeapStats(IFACE_FAMILY_NEW).allocations;

            EXPECT_EQ(t.alloc(&d, count), 0);

            EXPECT_EQ(Value(d.*t.count), 3);
            EXPECT_EQ(Value(d.*t.defs), sentinel);
            EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).allocations, allocations);
            EXPECT_EQ(Boxes(), std::vector<std::string>{t.bound_box});
        }
    }
}

TEST_F(Definitions, fills_every_definition_up_to_the_bound)
{
    for (const DefTable& t : kTables) {
        SCOPED_TRACE(t.table);
        alignas(8) DCSData d{};

        ASSERT_EQ(t.alloc(&d, t.bound), 1);

        EXPECT_EQ(Value(d.*t.count), t.bound);
        DCSDataDef* defs = d.*t.defs;
        ASSERT_NE(defs, nullptr);
        ASSERT_TRUE(IsHeapBlock(defs, IFACE_FAMILY_NEW, static_cast<size_t>(t.bound) * 24));
        for (int32_t j = 0; j < t.bound; ++j) {
            EXPECT_EQ(defs[j].Label, nullptr);
            EXPECT_EQ(defs[j].Moniker, t.monikers[j]) << "definition " << j;
            EXPECT_EQ(defs[j].Options, nullptr);
            EXPECT_EQ(defs[j].HostBuffer1, nullptr);
            EXPECT_EQ(defs[j].HostBuffer2, nullptr);
        }
        IFace_delete(defs);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Definitions, accepts_an_empty_table)
{
    for (const DefTable& t : kTables) {
        SCOPED_TRACE(t.table);
        alignas(8) DCSData d{};
        d.*t.count = 7;

        EXPECT_EQ(t.alloc(&d, 0), 1);

        EXPECT_EQ(Value(d.*t.count), 0);
        ASSERT_NE(Value(d.*t.defs), nullptr);
        IFace_delete(d.*t.defs);
    }
}

TEST_F(Definitions, keeps_the_count_and_a_null_array_when_the_heap_refuses)
{
    DCSDataDef sentinel[1] = {};
    for (const DefTable& t : kTables) {
        SCOPED_TRACE(t.table);
        ForgetBoxes();
        alignas(8) DCSData d{};
        d.*t.defs = sentinel;
        IFaceHeapFailAllocation(1);

        EXPECT_EQ(t.alloc(&d, 4), 0);

        EXPECT_EQ(Value(d.*t.count), 4);
        EXPECT_EQ(Value(d.*t.defs), nullptr);
        EXPECT_EQ(Boxes(), std::vector<std::string>{t.alloc_box});
    }
}
