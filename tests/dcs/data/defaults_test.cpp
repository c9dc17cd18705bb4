// Default allocators: zero cells and the default row values, at the block's
// byte offsets, with the host's bytes left as they were.
#include <string>

#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"
#include "tests/dcs/data/data_test_util.h"
#include "tests/support/heap_block.h"
#include "tests/support/sim_fixture.h"

namespace {

const unsigned char kFill = 0xA5;
const size_t kBlockBytes = 160;  // the 146 defined bytes and some of the host's behind them

class Defaults : public SimTest {
protected:
    RawBytes<kBlockBytes> block_{kFill};
    DCSData* d() { return block_.as<DCSData>(); }

    // The cell array the block points to at offset: n zero cells from IFace_new.
    void ExpectZeroCells(size_t offset, int32_t n)
    {
        const unsigned char* cells =
            reinterpret_cast<const unsigned char*>(block_.Get<uint32_t>(offset));
        ASSERT_NE(cells, nullptr);
        const size_t size = static_cast<size_t>(n) * 8;
        ASSERT_TRUE(IsHeapBlock(cells, IFACE_FAMILY_NEW, size));
        for (size_t i = 0; i < size; ++i) EXPECT_EQ(cells[i], 0) << "byte " << i;
    }

    void Release(size_t offset)
    {
        IFace_delete(reinterpret_cast<void*>(block_.Get<uint32_t>(offset)));
    }
};

}  // namespace

TEST_F(Defaults, controller_row_gets_its_defaults_and_keeps_the_host_bytes)
{
    ASSERT_EQ(AllocCtrlDataDefault(d(), 5), 1);

    EXPECT_TRUE(block_.Holds(0, 44, kFill));
    EXPECT_TRUE(block_.Holds(44, 52, kFill)) << "host bytes and Active";
    EXPECT_EQ(block_.Get<double>(52), 1.0);
    EXPECT_EQ(block_.Get<double>(60), 0.0);
    EXPECT_EQ(block_.Get<double>(68), 0.0);
    EXPECT_EQ(block_.Get<double>(76), 0.0);
    ExpectZeroCells(84, 5);
    EXPECT_EQ(block_.bytes[88], 0);
    EXPECT_EQ(block_.bytes[89], 0);
    EXPECT_TRUE(block_.Holds(90, kBlockBytes, kFill));
    Release(84);
}

// The value rows: a zero value at value_at, then the cell pointer; the host's
// word and active flag (PV) or bytes (import) behind it stay.
TEST_F(Defaults, value_rows_get_a_zero_value_and_keep_the_host_bytes)
{
    struct Case {
        const char* name;
        int32_t (*alloc)(DCSData*, int32_t);
        int32_t count;
        size_t value_at;
    };
    const Case cases[] = {
        {"pv", AllocPVDataDefault, 1, 106},
        {"import", AllocPVImportDataDefault, 2, 134},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        block_ = RawBytes<kBlockBytes>{kFill};
        ASSERT_EQ(c.alloc(d(), c.count), 1);

        EXPECT_TRUE(block_.Holds(0, c.value_at, kFill));
        EXPECT_EQ(block_.Get<double>(c.value_at), 0.0);
        ExpectZeroCells(c.value_at + 8, c.count);
        EXPECT_TRUE(block_.Holds(c.value_at + 12, kBlockBytes, kFill));
        Release(c.value_at + 8);
    }
}

TEST_F(Defaults, general_cells_change_nothing_but_their_pointer)
{
    ASSERT_EQ(AllocGenData(d(), 3), 1);

    EXPECT_TRUE(block_.Holds(0, 32, kFill));
    ExpectZeroCells(32, 3);
    EXPECT_TRUE(block_.Holds(36, kBlockBytes, kFill));
    Release(32);
}

TEST_F(Defaults, failed_allocation_shows_its_box_and_sets_nothing_else)
{
    struct Case {
        int32_t (*alloc)(DCSData*, int32_t);
        size_t cells_offset;
        const char* box;
    };
    const Case cases[] = {
        {AllocCtrlDataDefault, 84, "ZUDCSAPI Error: Memory Allocation Error: CtrlDataDefault"},
        {AllocPVDataDefault, 114, "ZUDCSAPI Error: Memory Allocation Error: PVDataDefault"},
        {AllocPVImportDataDefault, 142,
         "ZUDCSAPI Error: Memory Allocation Error: PVImportDataDefault"},
        {AllocGenData, 32, "ZUDCSAPI Error: Memory Allocation Error: GenData"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        ForgetBoxes();
        RawBytes<kBlockBytes> block(kFill);
        IFaceHeapFailAllocation(1);

        EXPECT_EQ(c.alloc(block.as<DCSData>(), 2), 0);

        EXPECT_EQ(block.Get<uint32_t>(c.cells_offset), 0u);
        EXPECT_TRUE(block.Holds(0, c.cells_offset, kFill));
        EXPECT_TRUE(block.Holds(c.cells_offset + 4, kBlockBytes, kFill));
        EXPECT_EQ(Boxes(), std::vector<std::string>{c.box});
    }
}

TEST_F(Defaults, negative_count_fails_like_a_refused_allocation)
{
    int32_t allocations = HeapStats(IFACE_FAMILY_NEW).allocations;

    EXPECT_EQ(AllocCtrlDataDefault(d(), -1), 0);

    EXPECT_EQ(block_.Get<uint32_t>(84), 0u);
    EXPECT_TRUE(block_.Holds(44, 84, kFill)) << "the row's values are left as they were";
    EXPECT_EQ(HeapStats(IFACE_FAMILY_NEW).allocations, allocations);
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"ZUDCSAPI Error: Memory Allocation Error: CtrlDataDefault"});
}
