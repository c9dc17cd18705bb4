// The block as a recorded host handed it over: `i` lines laid into dcshost's
// host block, or refused when a replay cannot lay them.
#include <cstring>

#include <gtest/gtest.h>

#include "dcshost/replay/block_apply.h"

namespace {

bool ApplyAll(BlockApplier& applier, std::initializer_list<const char*> lines, std::string& error)
{
    for (const char* text : lines) {
        BlockLine line;
        if (!ParseBlockLine(text, line, error) || !applier.Apply(line, error)) return false;
    }
    return true;
}

TEST(BlockApplier, lays_the_rows_cells_and_fields_a_recording_gives)
{
    HostBlock block;
    BlockApplier applier(block);
    std::string error;
    ASSERT_TRUE(
        ApplyAll(applier,
                 {"n c 2", "n m 1", "g 0 \"UNIT.ARR\"", "c 1 a -1", "c 1 sp 42.5", "c 1 ou 1",
                  "c 1 k0 \"FIC.SP\"", "m 0 k1 1", "m 0 v x7ff8000000000001", "n c 1", "n p 3"},
                 error))
        << error;
    DCSData& d = *block.Data();  // packed: each field read through a copy (+)
    // A table that shrank stays so when another one grows.
    EXPECT_EQ(+d.CtrlCount, 1);
    EXPECT_EQ(+d.PVCount, 3);
    EXPECT_EQ(+d.PVImportCount, 1);
    EXPECT_STREQ(d.GenData[0].Text, "UNIT.ARR");
    EXPECT_EQ(+d.CtrlRows[1].Active, -1);
    EXPECT_EQ(+d.CtrlRows[1].SP, 42.5);
    EXPECT_EQ(+d.CtrlRows[1].OPUpdated, 1);
    EXPECT_STREQ(d.CtrlRows[1].Cells[0].Text, "FIC.SP");
    EXPECT_EQ(+d.PVImportRows[0].Cells[1].Int, 1);
    uint64_t bits = 0;
    std::memcpy(&bits, &d.PVImportRows[0].Value, sizeof bits);
    EXPECT_EQ(bits, 0x7ff8000000000001u);  // a NaN keeps its payload
}

// A host that restored a saved model hands its definitions over before any
// DCSLoad; one that changes a count later keeps the types it had.
TEST(BlockApplier, lays_the_definitions_a_restored_model_gives)
{
    HostBlock block;
    BlockApplier applier(block);
    std::string error;
    ASSERT_TRUE(ApplyAll(applier,
                         {"n gd 1", "n cd 5", "n md 2", "d g 0 2", "d c 0 2", "d c 4 2", "d m 1 3",
                          "n c 1", "c 0 k4 \"FIC.OPINIT\"", "n cd 6", "d c 5 3"},
                         error))
        << error;
    DCSData& d = *block.Data();
    EXPECT_EQ(+d.CtrlDefCnt, 6);
    EXPECT_EQ(+d.CtrlDefs[4].Type, 2);
    EXPECT_EQ(+d.CtrlDefs[5].Type, 3);
    EXPECT_EQ(+d.PVImportDefs[1].Type, 3);
    EXPECT_STREQ(d.PVImportDefs[1].Moniker, ":ExtraData.3076.[]");
    EXPECT_EQ(d.CtrlDefs[0].Label, nullptr);  // no caption in a recording
    EXPECT_EQ(d.PVDefs, nullptr);
    EXPECT_STREQ(d.CtrlRows[0].Cells[4].Text, "FIC.OPINIT");
}

TEST(BlockApplier, refuses_what_a_replay_cannot_lay)
{
    const struct {
        std::initializer_list<const char*> lines;
        const char* error;
    } cases[] = {
        {{"n cd 21"}, "a controller definition count of 21, outside the host's bounds 0 to 20"},
        {{"n md -1"}, "a PV import definition count of -1, outside the host's bounds 0 to 25"},
        {{"d c 0 2"}, "a definition past the count"},
        {{"n c 2001"}, "a table of 2001 rows; a replay lays at most 2000"},
        // Five controller cells without definitions: the driver's own columns.
        {{"n c 1", "c 0 k5 \"X\""}, "a cell the block has no room for (column 5)"},
        {{"n p 1", "p 1 a 1"}, "a row past the table's count"},
    };
    for (const auto& c : cases) {
        HostBlock block;
        BlockApplier applier(block);
        std::string error;
        EXPECT_FALSE(ApplyAll(applier, c.lines, error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
