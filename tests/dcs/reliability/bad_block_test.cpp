// Blocks a host should never send: row counts the handle tables cannot hold,
// missing cells, definitions and row arrays, missing, empty, blank and huge
// tag names, values beyond float range, odd Active flags, a mapping outside
// its list. Each is refused with a report or box where binding would be
// unsafe, and otherwise handled; none crashes or reaches past what it was
// given (the ASan preset runs these too), and every run ends released.
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/driver/entry_points.h"
#include "standins/hostblock/block_builder.h"
#include "standins/vnxsim/vnxsim.h"
#include "tests/dcs/reliability/catalogue_check.h"
#include "tests/dcs/reliability/realistic_block.h"
#include "tests/support/sim_fixture.h"

namespace {

// Traps on floating-point overflow and invalid operations, or none.
void TrapOverflowAndInvalid(bool on)
{
    feclearexcept(FE_ALL_EXCEPT);
#if defined(_WIN32)
    _controlfp(on ? _MCW_EM & ~(_EM_OVERFLOW | _EM_INVALID) : _MCW_EM, _MCW_EM);
#else
    if (on)
        feenableexcept(FE_OVERFLOW | FE_INVALID);
    else
        fedisableexcept(FE_ALL_EXCEPT);
#endif
}

using Lines = std::vector<std::string>;

class BadBlock : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ClearMessages();
        VnxSimTraceEnable(0);
        IFaceSetMessageSink(&BadBlock::OnMessage, this);
    }

    static void OnMessage(const IFaceMessage* m, void* user)
    {
        BadBlock* self = static_cast<BadBlock*>(user);
        SimTest::Capture(m, self);
        const std::string problem = CheckMessage(*m, self->rows_);
        if (!problem.empty()) self->problems_.push_back(problem);
    }

    // A declared block filled with the realistic rows, tags defined; the test
    // spoils it after Lay().
    void Prepare(BlockBuilder& b)
    {
        DCSLoad(b.get());
        FillRealisticBlock(b);
        b.Lay();
        DefineTagsOf(b);
    }

    // Configure, then the rest of a life whatever configure said. Returns
    // configure's result; checks that nothing stays open and that every
    // report and box is from the catalogue.
    int32_t Live(BlockBuilder& b)
    {
        DCSData* d = b.get();
        rows_ = {d->CtrlCount, d->PVCount, d->PVImportCount};
        const int32_t configured = DCSConfigure(d);
        DCSInitialize(d);
        DCSStart(d);
        EXPECT_EQ(DCSSimulate(d), 1);
        DCSStop(d);
        DCSReset(d);
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 0);
        for (const std::string& box : Boxes()) {
            const size_t colon = box.find(": ");
            const std::string caption = box.substr(0, colon);
            const std::string text = box.substr(colon + 2);
            const std::string problem = CheckBox(caption.c_str(), text.c_str(), 0, rows_);
            if (!problem.empty()) problems_.push_back(problem);
        }
        EXPECT_EQ(problems_, Lines{});
        problems_.clear();
        return configured;
    }

    bool Reported(const std::string& message) const
    {
        for (const std::string& m : Messages()) {
            if (m == message) return true;
        }
        return false;
    }

    CatalogueRows rows_{};
    Lines problems_;
};

// Rows the handle tables cannot hold are refused before the library starts,
// and no later call reads a row past MAXDCSROWS: the INT_MAX table below has
// exactly MAXDCSROWS rows behind it.
TEST_F(BadBlock, row_counts_outside_the_handle_tables_are_refused)
{
    const int32_t counts[] = {MAXDCSROWS + 1, -1, INT_MAX};
    const char* const boxes[] = {"ZUDCSAPI: 0 <= CtrlCount <= MAXDCSROWS",
                                 "ZUDCSAPI: 0 <= PVCount <= MAXDCSROWS",
                                 "ZUDCSAPI: 0 <= PVImportCount <= MAXDCSROWS"};
    for (int table = 0; table < 3; ++table) {
        for (int32_t count : counts) {
            SCOPED_TRACE(std::string(boxes[table]) + " with " + std::to_string(count));
            TearDown();
            SetUp();
            BlockBuilder b(Guards::kAround);
            DCSLoad(b.get());
            FillRealisticBlock(b);
            const size_t rows = count < 0 ? 2 : std::min<int32_t>(count, MAXDCSROWS + 1);
            if (table == 0) b.ctrl.resize(rows, b.ctrl[0]);
            if (table == 1) b.pv.resize(rows, b.pv[0]);
            if (table == 2) b.imports.resize(rows, b.imports[0]);
            if (count == INT_MAX) {
                if (table == 0) b.ctrl.resize(MAXDCSROWS);
                if (table == 1) b.pv.resize(MAXDCSROWS);
                if (table == 2) b.imports.resize(MAXDCSROWS);
            }
            b.Lay();
            DefineTagsOf(b);
            DCSData* d = b.get();
            if (table == 0) d->CtrlCount = count;
            if (table == 1) d->PVCount = count;
            if (table == 2) d->PVImportCount = count;
            const BlockSnapshot before = b.Take();

            EXPECT_EQ(Live(b), 0);
            EXPECT_EQ(Boxes().front(), boxes[table]);
            EXPECT_EQ(VnxSimCallCount(VNX_OP_ApiStartup), 0);
            EXPECT_EQ(VnxSimCallCount(VNX_OP_OpenTag), 0);
            EXPECT_EQ(b.StrayWrites(before), Lines{});
        }
    }
}

// Without cells, definitions or rows there is no name to bind: the table's
// validator refuses it, and the exchange never reads what is not there.
TEST_F(BadBlock, missing_cells_definitions_and_row_arrays_refuse_configuration)
{
    struct Spoil {
        const char* what;
        void (*spoil)(DCSData*, BlockBuilder&);
        const char* report;
    };
    const Spoil spoils[] = {
        {"controller row without cells",
         [](DCSData*, BlockBuilder& b) { b.Ctrl(1).Cells = nullptr; }, "DCSCtrlTagFieldError"},
        {"PV row without cells", [](DCSData*, BlockBuilder& b) { b.PV(2).Cells = nullptr; },
         "DCSPVTagFieldError"},
        {"import row without cells", [](DCSData*, BlockBuilder& b) { b.Import(0).Cells = nullptr; },
         "DCSPVImportTagFieldError"},
        {"no general definitions", [](DCSData* d, BlockBuilder&) { d->GenDefs = nullptr; },
         "DCSArrayTagError"},
        {"no controller definitions", [](DCSData* d, BlockBuilder&) { d->CtrlDefs = nullptr; },
         "DCSCtrlTagFieldError"},
        {"no PV definitions", [](DCSData* d, BlockBuilder&) { d->PVDefs = nullptr; },
         "DCSPVTagFieldError"},
        {"no import definitions", [](DCSData* d, BlockBuilder&) { d->PVImportDefs = nullptr; },
         "DCSPVImportTagFieldError"},
        {"no general cells", [](DCSData* d, BlockBuilder&) { d->GenData = nullptr; },
         "DCSArrayTagError"},
        {"no controller rows", [](DCSData* d, BlockBuilder&) { d->CtrlRows = nullptr; },
         "DCSCtrlTagFieldError"},
        {"no PV rows", [](DCSData* d, BlockBuilder&) { d->PVRows = nullptr; },
         "DCSPVTagFieldError"},
        {"no import rows", [](DCSData* d, BlockBuilder&) { d->PVImportRows = nullptr; },
         "DCSPVImportTagFieldError"},
    };
    for (const Spoil& s : spoils) {
        SCOPED_TRACE(s.what);
        TearDown();
        SetUp();
        BlockBuilder b(Guards::kAround);
        Prepare(b);
        DCSData* d = b.get();
        const DCSData kept = *d;
        s.spoil(d, b);
        EXPECT_EQ(Live(b), 0);
        EXPECT_TRUE(Reported(s.report)) << (Messages().empty() ? "" : Messages().front());
        // The host's pointers back, so that the block is released as it was made.
        d->GenDefs = kept.GenDefs;
        d->CtrlDefs = kept.CtrlDefs;
        d->PVDefs = kept.PVDefs;
        d->PVImportDefs = kept.PVImportDefs;
        d->GenData = kept.GenData;
    }
}

// Null and empty names fail their validator; names of blanks and names too
// long for the library are the library's to refuse, row by row.
TEST_F(BadBlock, missing_empty_blank_and_huge_names_are_refused_with_their_row)
{
    const std::string huge(10000, 'A');
    struct Case {
        const char* what;
        int column;  // -1: the array tag
        const char* name;
        const char* report;
    };
    const Case cases[] = {
        {"null array tag", -1, nullptr, "DCSArrayTagError"},
        {"empty array tag", -1, "", "DCSArrayTagError"},
        {"blank array tag", -1, "   ",
         "DCSGeneralVendorMsg2(\"Tag name is invalid\", \"for PV Export Array Tag\")"},
        {"huge array tag", -1, huge.c_str(),
         "DCSGeneralVendorMsg2(\"Tag name is invalid\", \"for PV Export Array Tag\")"},
        {"null SP tag", 0, nullptr, "DCSCtrlTagFieldError"},
        {"empty OP Init tag", 4, "", "DCSCtrlTagFieldError"},
        {"blank Mode tag", 2, "   ", "DCSCtrlVendorMsg(\"Tag name is invalid\", 1)"},
        {"huge SP Init tag", 3, huge.c_str(), "DCSCtrlVendorMsg(\"Tag name is invalid\", 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        BlockBuilder b(Guards::kAround);
        Prepare(b);
        DCSData* d = b.get();
        char* name = c.name ? b.Name(c.name) : nullptr;
        if (c.column < 0)
            d->GenData[0].Text = name;
        else
            b.Ctrl(1).Cells[c.column].Text = name;
        const BlockSnapshot before = b.Take();
        EXPECT_EQ(Live(b), 0);
        EXPECT_EQ(Messages().front(), c.report);
        EXPECT_EQ(b.StrayWrites(before), Lines{});
    }
}

// PV rows too: a blank name is reported for its row, and every other row is
// still bound (and released) before the configuration fails.
TEST_F(BadBlock, blank_and_huge_pv_names_are_reported_for_their_rows)
{
    BlockBuilder b(Guards::kAround);
    Prepare(b);
    const std::string huge(10000, 'B');
    b.PV(0).Cells[0].Text = b.Name("  ");
    b.Import(3).Cells[0].Text = b.Name(huge);
    b.Import(1).Cells[0].Text = b.Name(" ");
    EXPECT_EQ(Live(b), 0);
    EXPECT_EQ(Messages().front(), "DCSPVVendorMsg(\"Tag name is invalid\", 0)");
    b.PV(0).Cells[0].Text = b.Name("FI1.PV");
    ClearMessages();
    EXPECT_EQ(Live(b), 0);
    EXPECT_EQ(Messages().at(0), "DCSPVImportVendorMsg(\"Tag name is invalid\", 1)");
    EXPECT_EQ(Messages().at(1), "DCSPVImportVendorMsg(\"Tag name is invalid\", 3)");
}

// NaN, the infinities and doubles beyond float range go out as floats with
// floating-point traps on: NaN and infinities keep their class, a finite
// value saturates at the float limit instead of overflowing.
TEST_F(BadBlock, values_beyond_float_range_go_out_without_a_trap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    BlockBuilder b(Guards::kAround);
    DCSLoad(b.get());
    FillRealisticBlock(b);
    b.ctrl[0].sp = nan;
    b.ctrl[0].op = 1e300;
    b.ctrl[2].sp = -1e300;
    b.ctrl[2].op = -inf;
    b.pv[0].value = inf;
    b.pv[2].value = 1e300;
    b.imports[1].value = nan;
    b.imports[3].value = -1e300;
    b.Lay();
    DefineTagsOf(b);
    DCSData* d = b.get();
    ASSERT_EQ(DCSConfigure(d), 1);

    TrapOverflowAndInvalid(true);
    DCSInitialize(d);
    const int32_t stepped = DCSSimulate(d);
    TrapOverflowAndInvalid(false);
    EXPECT_EQ(stepped, 1);

    auto value = [](const char* tag, int index) {
        float f = 0.0f;
        VnxSimGetFloat(tag, index, &f);
        return f;
    };
    EXPECT_TRUE(std::isnan(value("FIC1.SPINIT", 0)));
    EXPECT_EQ(value("FIC1.OPINIT", 0), FLT_MAX);
    EXPECT_EQ(value("LIC3.SPINIT", 0), -FLT_MAX);
    EXPECT_EQ(value("LIC3.OPINIT", 0), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(value("PVARR", 0), std::numeric_limits<float>::infinity());
    EXPECT_EQ(value("PVARR", 2), FLT_MAX);
    EXPECT_TRUE(std::isnan(value("TIC2.OP", 0)));
    EXPECT_EQ(value("FI9.PV", 0), -FLT_MAX);
    DCSReset(d);
    EXPECT_EQ(Messages(), Lines{});
}

// Active is meant to be 0 or 1. Any other non-zero value counts as active,
// except on the export array path, which takes exactly 1: a PV row holding
// -1 or 2 goes out through its own tag whenever the array path does not
// complete, and only then.
TEST_F(BadBlock, active_flags_other_than_one_count_as_active_except_for_the_array)
{
    BlockBuilder b(Guards::kAround);
    DCSLoad(b.get());
    FillRealisticBlock(b);
    b.ctrl[1].active = -1;
    b.ctrl[2].active = 2;
    b.pv[1].active = 2;
    b.pv[2].active = -1;
    b.imports[2].active = -1;
    b.Lay();
    DefineTagsOf(b);
    DCSData* d = b.get();
    ASSERT_EQ(DCSConfigure(d), 1);
    VnxSimTraceEnable(1);
    DCSStart(d);
    EXPECT_EQ(TraceOf({"SetTagValue"}), (Lines{"SetTagValue(tag:FIC1.MODE, 1, int 1, 12) = 0",
                                               "SetTagValue(tag:TIC2.MODE, 1, int 1, 12) = 0",
                                               "SetTagValue(tag:LIC3.MODE, 1, int 1, 12) = 0"}));
    ClearTrace();
    DCSSimulate(d);
    EXPECT_EQ(TraceOf({"SetArrayElement", "SetTagValue"}),
              Lines{"SetArrayElement(tag:PVARR, 0, 1, float 12.5, 9) = 0"});
    const double lic3_mode = b.Import(2).Value;  // a copy: the field is packed
    EXPECT_EQ(lic3_mode, 1.0);                   // LIC3.MODE, started, read "1:1"
    ClearTrace();
    VnxSimInject(VNX_OP_SendTag, "PVARR", 254, 0, 1);
    DCSSimulate(d);
    EXPECT_EQ(TraceOf({"SetTagValue"}), (Lines{"SetTagValue(tag:FI1.PV, 1, float 12.5, 9) = 0",
                                               "SetTagValue(tag:TI2.PV, 1, float 75, 9) = 0",
                                               "SetTagValue(tag:LI3.PV, 1, float 1.25, 9) = 0"}));
    DCSReset(d);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM), 0);
}

// Only index 1, "Controller Mode", adds 1; an index outside the two-entry
// list is read as no mapping at all.
TEST_F(BadBlock, mapping_outside_its_list_stores_the_value_as_read)
{
    const int32_t mappings[] = {2, -1, INT_MAX, INT_MIN};
    for (int32_t mapping : mappings) {
        SCOPED_TRACE(mapping);
        TearDown();
        SetUp();
        BlockBuilder b(Guards::kAround);
        Prepare(b);
        b.Import(0).Cells[1].Int = mapping;
        DCSData* d = b.get();
        ASSERT_EQ(DCSConfigure(d), 1);
        VnxSimSetInt("FIC1.MODE", 0, 7);
        DCSSimulate(d);
        const double stored = b.Import(0).Value;
        EXPECT_EQ(stored, 7.0);
        DCSReset(d);
        EXPECT_EQ(Messages(), Lines{});
    }
}

}  // namespace
