#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/link/bind.h"
#include "dcs/link/release.h"
#include "standins/winshim/winshim_double.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/trace_lines.h"

namespace {

// The three calls that bind one good tag.
Lines Bound(const std::string& name)
{
    return {"ValidateTagName(\"" + name + "\") = 0", "OpenTag(\"" + name + "\") = tag:" + name,
            "GetTagStatus(tag:" + name + ") = 0"};
}

Lines BoundController(const std::string& base)
{
    return Bound(base + ".SP") + Bound(base + ".OP") + Bound(base + ".MODE") +
           Bound(base + ".SPINIT") + Bound(base + ".OPINIT");
}

const Lines kStartAndSettle =
    Lines{"ApiStartup() = 0", "DataServicesStartup(slot) = 0"} + Repeat("ServiceEvents() = 0", 10);

class Configure : public SimTest {
protected:
    // A fresh control system and driver state within one test.
    void Restart()
    {
        TearDown();
        SetUp();
        ClearMessages();
    }

    // Every failed configuration ends released.
    void ExpectReleased()
    {
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
        EXPECT_EQ(Driver.PVExportArrayTag, nullptr);
        EXPECT_EQ(VnxSimApiRunning(), 0);
        EXPECT_EQ(OccupiedRowSlots(), 0);
        EXPECT_EQ(Driver.SPTagList, nullptr);
        EXPECT_EQ(Driver.OPTagList, nullptr);
        EXPECT_EQ(Driver.PVImportTagList, nullptr);
    }

    // Configure a block and expect failure with exactly these messages.
    void ExpectFails(TestBlock& b, const Lines& messages) { ExpectFails(b.get(), messages); }
    // On the block as it stands (TestBlock::get() would bring its rows up to date).
    void ExpectFails(DCSData* d, const Lines& messages)
    {
        EXPECT_EQ(ConfigureDriver(d), 0);
        EXPECT_EQ(Messages(), messages);
        ExpectReleased();
    }

    int OpenTagCalls() const { return VnxSimCallCount(VNX_OP_OpenTag); }
};

// A block with every kind of row, all tags defined.
void FillSmall(TestBlock& b)
{
    b.SetArrayTag("PVARR");
    b.AddController("FIC101");
    b.AddPV("TI1");
    b.AddImport("XI1", 1);
}

TEST_F(Configure, binds_small_block_in_exact_call_order)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);

    ASSERT_EQ(ConfigureDriver(b.get()), 1);

    const Lines expected =
        kStartAndSettle + Bound("PVARR") +
        Lines{"GetArrayDims(tag:PVARR) = 1", "GetArrayLowerBound(tag:PVARR, 1) = 0",
              "GetArrayUpperBound(tag:PVARR, 1) = 0", "ServiceEvents() = 0"} +
        BoundController("FIC101") + Lines{"ServiceEvents() = 0"} + Bound("TI1") +
        Lines{"ServiceEvents() = 0"} + Bound("XI1") +
        Lines{"CreateTagList() = list:1",
              "CreateTagList() = list:2",
              "AddTagToList(list:1, \"FIC101.SP\") = item:FIC101.SP",
              "AddTagToList(list:2, \"FIC101.OP\") = item:FIC101.OP",
              "CreateTagList() = list:3",
              "AddTagToList(list:3, \"XI1\") = item:XI1"};
    EXPECT_EQ(Trace(), expected);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(WinShimSleepCount(), 10);
    EXPECT_EQ(WinShimSleepTotal(), 10000u);
    // Every slot holds the handle of its own column.
    EXPECT_NE(Driver.PVExportArrayTag, nullptr);
    const VnxHandle row_tags[] = {Driver.CtrlSPTags[0],     Driver.CtrlOPTags[0],
                                  Driver.CtrlModeTags[0],   Driver.CtrlSPInitTags[0],
                                  Driver.CtrlOPInitTags[0], Driver.PVExportTags[0],
                                  Driver.PVImportTags[0]};
    for (VnxHandle h : row_tags) EXPECT_NE(h, nullptr);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 8);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 3);
    EXPECT_NE(Driver.CtrlSPItems[0], Driver.CtrlSPTags[0]);
    EXPECT_NE(Driver.SPTagList, nullptr);
    EXPECT_NE(Driver.OPTagList, nullptr);
    EXPECT_NE(Driver.PVImportTagList, nullptr);
}

TEST_F(Configure, adds_list_items_in_row_order_sp_before_op)
{
    TestBlock b;
    b.SetArrayTag("PVARR");
    b.AddController("A");
    b.AddController("B");
    b.AddImport("X1");
    b.AddImport("X2");
    DefineTagsFor(b);
    ASSERT_EQ(ConfigureDriver(b.get()), 1);
    EXPECT_EQ(TraceOf({"CreateTagList", "AddTagToList"}),
              (Lines{"CreateTagList() = list:1", "CreateTagList() = list:2",
                     "AddTagToList(list:1, \"A.SP\") = item:A.SP",
                     "AddTagToList(list:2, \"A.OP\") = item:A.OP",
                     "AddTagToList(list:1, \"B.SP\") = item:B.SP",
                     "AddTagToList(list:2, \"B.OP\") = item:B.OP", "CreateTagList() = list:3",
                     "AddTagToList(list:3, \"X1\") = item:X1",
                     "AddTagToList(list:3, \"X2\") = item:X2"}));
    EXPECT_NE(Driver.CtrlSPItems[1], nullptr);
    EXPECT_NE(Driver.CtrlOPItems[1], nullptr);
    EXPECT_NE(Driver.PVImportItems[1], nullptr);
}

TEST_F(Configure, creates_no_list_for_a_table_without_rows)
{
    TestBlock b;
    b.SetArrayTag("PVARR");
    b.AddPV("TI1");
    DefineTagsFor(b);
    ASSERT_EQ(ConfigureDriver(b.get()), 1);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_CreateTagList), 0);
    EXPECT_EQ(Driver.SPTagList, nullptr);
    EXPECT_EQ(Driver.OPTagList, nullptr);
    EXPECT_EQ(Driver.PVImportTagList, nullptr);
}

TEST_F(Configure, settles_and_fails_after_failed_startups)
{
    // Both fail: API first, then data services, then the full settle.
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_ApiStartup, nullptr, 254, 0, 1);
    VnxSimInject(VNX_OP_DataServicesStartup, nullptr, 33, 0, 1);
    ExpectFails(b, {"DCSGeneralVendorMsg1(\"Error Initializing the VORNAK API\")",
                    "DCSGeneralVendorMsg1(\"Error Initializing the VORNAK Data Services\")"});
    const Lines trace = Trace();
    ASSERT_GE(trace.size(), 12u);
    EXPECT_EQ(Lines(trace.begin(), trace.begin() + 12),
              (Lines{"ApiStartup() = 254", "DataServicesStartup(slot) = 33"} +
               Repeat("ServiceEvents() = 33", 10)));
    EXPECT_EQ(OpenTagCalls(), 0);
    EXPECT_EQ(trace.back(), "ApiShutdown() = 33");
    EXPECT_EQ(WinShimSleepCount(), 10);

    // Only the data services fail: still the settle, still no tag.
    Restart();
    TestBlock c;
    FillSmall(c);
    DefineTagsFor(c);
    VnxSimInject(VNX_OP_DataServicesStartup, nullptr, 1, 0, 1);
    ExpectFails(c, {"DCSGeneralVendorMsg1(\"Error Initializing the VORNAK Data Services\")"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), 10 + 1 + 1 + 1 + 1);
    EXPECT_EQ(OpenTagCalls(), 0);
    EXPECT_EQ(WinShimSleepCount(), 10);
}

// ---- The array tag ------------------------------------------------------------

TEST_F(Configure, requires_array_tag_even_without_pv_rows)
{
    TestBlock b;
    b.AddController("FIC101");
    DefineTagsFor(b);
    ExpectFails(b, {"DCSArrayTagError"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ValidateTagName), 0);

    Restart();
    TestBlock c;
    c.SetArrayTag("");
    ExpectFails(c, {"DCSArrayTagError"});
}

TEST_F(Configure, reports_array_tag_name_rejected_or_without_handle)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_ValidateTagName, "PVARR", 5, 0, 1);
    ExpectFails(b, {"DCSGeneralVendorMsg2(\"Tag name is invalid\", \"for PV Export Array Tag\")"});
    EXPECT_EQ(OpenTagCalls(), 0);

    Restart();
    TestBlock c;
    FillSmall(c);
    DefineTagsFor(c);
    VnxSimInject(VNX_OP_OpenTag, "PVARR", 0, 0, 1);
    ExpectFails(c, {"DCSGenTagVendorMsg(\"for arrayTagHandle\", 0)"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_GetTagStatus), 0);
}

TEST_F(Configure, waits_for_array_status_without_pause)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_GetTagStatus, "PVARR", 37, 0, 5);
    ASSERT_EQ(ConfigureDriver(b.get()), 1);
    Lines wait{"GetTagStatus(tag:PVARR) = 37"};
    for (int i = 0; i < 4; ++i)
        wait = wait + Lines{"GetTagStatus(tag:PVARR) = 37", "ServiceEvents() = 0"};
    wait = wait + Lines{"GetTagStatus(tag:PVARR) = 0", "ServiceEvents() = 0",
                        "GetArrayDims(tag:PVARR) = 1"};
    const Lines trace = Trace();
    const Lines slice(trace.begin() + 14, trace.begin() + 14 + wait.size());
    EXPECT_EQ(slice, wait);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(WinShimSleepCount(), 10);
}

TEST_F(Configure, gives_up_on_array_status_after_1000_retries)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    VnxSimSetTagStatus("PVARR", 37);
    ExpectFails(b, {"DCSGeneralVendorMsg2(\"Time Out Error\", \"for PV Export Array Tag\")"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_GetTagStatus), 1001);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), 10 + 1000 + 1 + 1 + 1 + 1);
    EXPECT_EQ(Boxes(), Lines{"ConfigArrayTags: ReadTag: Abort after 1000 retries"});
    // The handle stayed in its slot until the reset closed it.
    EXPECT_EQ(TraceOf({"CloseTag"}), Lines{"CloseTag(tag:PVARR) = 0"});
}

TEST_F(Configure, accepts_array_only_with_one_dimension_from_zero_holding_every_pv)
{
    const struct {
        int pv_rows;
        int16_t lower, upper, dims;
        bool accepted;
    } cases[] = {
        {10, 0, 9, 1, true},  {10, 0, 20, 1, true}, {10, 0, 8, 1, false}, {10, 1, 10, 1, false},
        {10, 0, 9, 2, false}, {0, 0, -1, 1, true},  {0, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        Restart();
        TestBlock b;
        for (int i = 0; i < c.pv_rows; ++i) b.AddPV(("PV" + std::to_string(i)).c_str());
        DefineTagsFor(b);
        b.SetArrayTag("SHAPED");
        ASSERT_EQ(VnxSimDefineArray("SHAPED", c.lower, c.upper, 0.0f), 0);
        VnxSimSetArrayDims("SHAPED", c.dims);
        const std::string label = std::to_string(c.pv_rows) + " rows, " + std::to_string(c.lower) +
                                  ".." + std::to_string(c.upper) + " dims " +
                                  std::to_string(c.dims);
        if (c.accepted) {
            EXPECT_EQ(ConfigureDriver(b.get()), 1) << label;
            EXPECT_TRUE(Messages().empty()) << label;
            continue;
        }
        EXPECT_EQ(ConfigureDriver(b.get()), 0) << label;
        EXPECT_EQ(Messages(), Lines{"DCSGeneralConfigError(\"Incompatible Array Variable(Dim or "
                                    "Bounds)\", \"for PV Export Array Tag\")"})
            << label;
        ExpectReleased();
        // All three shape questions, then the close, before anything else.
        const Lines shape = TraceOf({"GetArrayDims", "GetArrayLowerBound", "GetArrayUpperBound",
                                     "CloseTag", "ValidateTagName"});
        EXPECT_EQ(shape.size(), 5u) << label;
        EXPECT_EQ(shape.back(), "CloseTag(tag:SHAPED) = 0") << label;
    }
}

// ---- Validators -----------------------------------------------------------------

TEST_F(Configure, refuses_any_missing_or_empty_controller_name)
{
    for (int col = 0; col < 5; ++col) {
        for (const char* name : {static_cast<const char*>(nullptr), ""}) {
            Restart();
            TestBlock b;
            FillSmall(b);
            b.AddController("FIC102", 0);  // inactive rows are checked all the same
            DefineTagsFor(b);
            b.SetCtrlName(1, col, name);
            ExpectFails(b, {"DCSCtrlTagFieldError"});
            EXPECT_EQ(OpenTagCalls(), 1) << "column " << col;  // the array tag only
        }
    }
}

TEST_F(Configure, refuses_missing_pv_and_import_names)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    b.SetPVName(0, "");
    ExpectFails(b, {"DCSPVTagFieldError"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ValidateTagName), 6);  // array and controller only

    // A set "Mapping" does not make up for an empty "TAG".
    Restart();
    TestBlock c;
    FillSmall(c);
    DefineTagsFor(c);
    c.SetImportName(0, nullptr);
    ExpectFails(c, {"DCSPVImportTagFieldError"});
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ValidateTagName), 7);
}

TEST_F(Configure, leaves_blank_names_to_the_library)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    b.SetCtrlName(0, 2, "   ");
    ExpectFails(b, {"DCSCtrlVendorMsg(\"Tag name is invalid\", 0)"});
    EXPECT_EQ(TraceOf({"ValidateTagName"}).back(), "ValidateTagName(\"   \") = 5");
}

// Rows or tables the host left without cells or definitions are never read:
// their names count as missing.
TEST_F(Configure, treats_rows_without_cells_as_missing_names)
{
    struct Case {
        void (*drop_cells)(TestBlock&);
        const char* message;
    };
    const Case cases[] = {
        {[](TestBlock& b) { b.Ctrl(0).Cells = nullptr; }, "DCSCtrlTagFieldError"},
        {[](TestBlock& b) { b.PV(0).Cells = nullptr; }, "DCSPVTagFieldError"},
        {[](TestBlock& b) { b.Import(0).Cells = nullptr; }, "DCSPVImportTagFieldError"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Restart();
        TestBlock b;
        FillSmall(b);
        DefineTagsFor(b);
        c.drop_cells(b);
        ExpectFails(b, {c.message});
    }
}

TEST_F(Configure, treats_tables_without_definitions_as_missing_names)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    DCSData* d = b.get();
    DCSDataDef* defs = d->CtrlDefs;
    d->CtrlDefs = nullptr;
    ExpectFails(b, {"DCSCtrlTagFieldError"});
    d->CtrlDefs = defs;

    // Too few definitions: the tag columns binding reads are not there.
    Restart();
    DefineTagsFor(b);
    d->CtrlDefCnt = 4;
    ExpectFails(b, {"DCSCtrlTagFieldError"});
    d->CtrlDefCnt = 5;

    Restart();
    DefineTagsFor(b);
    defs = d->PVImportDefs;
    d->PVImportDefs = nullptr;
    ExpectFails(b, {"DCSPVImportTagFieldError"});
    d->PVImportDefs = defs;

    Restart();
    DefineTagsFor(b);
    DCSCell* gen = d->GenData;
    d->GenData = nullptr;
    ExpectFails(d, {"DCSArrayTagError"});
    d->GenData = gen;

    // Without rows a table needs no definitions.
    Restart();
    TestBlock e;
    e.SetArrayTag("PVARR");
    DefineTagsFor(e);
    DCSData* ed = e.get();
    defs = ed->CtrlDefs;
    ed->CtrlDefs = nullptr;
    EXPECT_EQ(ConfigureDriver(ed), 1);
    ed->CtrlDefs = defs;
}

TEST_F(Configure, never_reads_a_row_without_cells_when_binding)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    b.Ctrl(0).Cells = nullptr;
    VnxHandle slot = nullptr;
    EXPECT_EQ(ConfigCtrlTag(b.get(), 0, CTRL_COL_MODE, &slot, "for Controller Mode Tag Handle"), 0);
    EXPECT_EQ(Messages(), Lines{"DCSCtrlVendorMsg(\"for Controller Mode Tag Handle\", 0)"});
    EXPECT_EQ(slot, nullptr);
    b.Import(0).Cells = nullptr;
    BuildTagLists(b.get());
    EXPECT_EQ(TraceOf({"ValidateTagName", "OpenTag", "AddTagToList"}), Lines{});
    EXPECT_EQ(Driver.CtrlSPItems[0], nullptr);
    EXPECT_EQ(Driver.PVImportItems[0], nullptr);
    ResetDriver(b.get());
}

// ---- Row binding failures ---------------------------------------------------------

TEST_F(Configure, stops_at_first_failing_controller_tag)
{
    TestBlock b;
    FillSmall(b);
    b.AddController("FIC102");
    b.AddController("FIC103");
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_ValidateTagName, "FIC102.SP", 5, 0, 1);
    ExpectFails(b, {"DCSCtrlVendorMsg(\"Tag name is invalid\", 1)"});
    // Row 0's five tags and the array; nothing of rows 1 and 2; the PV tables unchecked.
    EXPECT_EQ(OpenTagCalls(), 6);
    EXPECT_EQ(TraceOf({"ValidateTagName"}).back(), "ValidateTagName(\"FIC102.SP\") = 5");
}

TEST_F(Configure, reports_each_controller_column_with_its_context)
{
    const char* const contexts[] = {
        "for Controller Setpoint Tag Handle", "for Controller Output Tag Handle",
        "for Controller Mode Tag Handle", "for Controller Setpoint Init Tag Handle",
        "for Controller Output Init Tag Handle"};
    const char* const suffixes[] = {".SP", ".OP", ".MODE", ".SPINIT", ".OPINIT"};
    for (int col = 0; col < 5; ++col) {
        const std::string name = std::string("FIC102") + suffixes[col];
        // No handle: the column's context text and the row.
        Restart();
        TestBlock b;
        FillSmall(b);
        b.AddController("FIC102");
        DefineTagsFor(b);
        VnxSimInject(VNX_OP_OpenTag, name.c_str(), 0, 0, 1);
        ExpectFails(b, {std::string("DCSCtrlVendorMsg(\"") + contexts[col] + "\", 1)"});
        EXPECT_EQ(OpenTagCalls(), 1 + 5 + col + 1);

        // A bad status: its text and the row; the handle is closed by the reset.
        Restart();
        TestBlock c;
        FillSmall(c);
        c.AddController("FIC102");
        DefineTagsFor(c);
        VnxSimSetTagStatus(name.c_str(), 42);
        ExpectFails(c, {"DCSCtrlVendorMsg(\"Invalid Handle\", 1)"});
        EXPECT_EQ(VnxSimCallCount(VNX_OP_CloseTag), 1 + 5 + col + 1);
    }
}

TEST_F(Configure, tries_every_pv_row_before_failing)
{
    TestBlock b;
    b.SetArrayTag("PVARR");
    for (int i = 0; i < 10; ++i) b.AddPV(("PV" + std::to_string(i)).c_str());
    b.AddImport("XI1");
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_ValidateTagName, "PV2", 5, 0, 1);
    VnxSimInject(VNX_OP_OpenTag, "PV5", 0, 0, 1);
    VnxSimSetTagStatus("PV9", 254);
    ExpectFails(b, {"DCSPVVendorMsg(\"Tag name is invalid\", 2)",
                    "DCSPVVendorMsg(\"for PV Tag Handle\", 5)", "DCSPVVendorMsg(\"Failure\", 9)"});
    EXPECT_EQ(OpenTagCalls(), 1 + 9);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_CloseTag), 1 + 8);
    // The import table is not reached.
    EXPECT_TRUE(TraceOf({"ValidateTagName"}).back().find("PV9") != std::string::npos);
}

TEST_F(Configure, tries_every_import_row_before_failing)
{
    TestBlock b;
    FillSmall(b);
    b.AddImport("XI2");
    b.AddImport("XI3");
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_OpenTag, "XI1", 0, 0, 1);
    VnxSimInject(VNX_OP_ValidateTagName, "XI2", 254, 0, 1);
    ExpectFails(b, {"DCSPVImportVendorMsg(\"for PV Import Tag Handle\", 0)",
                    "DCSPVImportVendorMsg(\"Failure\", 1)"});
    EXPECT_EQ(TraceOf({"OpenTag"}).back(), "OpenTag(\"XI3\") = tag:XI3");
    EXPECT_EQ(VnxSimCallCount(VNX_OP_CreateTagList), 0);
}

TEST_F(Configure, binds_again_after_a_failure)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    VnxSimInject(VNX_OP_OpenTag, "TI1", 0, 0, 1);
    ASSERT_EQ(ConfigureDriver(b.get()), 0);
    ExpectReleased();
    EXPECT_EQ(ConfigureDriver(b.get()), 1);
    EXPECT_EQ(VnxSimApiRunning(), 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 8);
}

// ---- Row counts the handle tables cannot hold ------------------------------------

// Refused before the library starts: no settle is spent, the reset still runs.
TEST_F(Configure, refuses_row_counts_outside_handle_tables_before_startup)
{
    TestBlock b;
    FillSmall(b);
    DefineTagsFor(b);
    // get() brings the counts up to date: change them after it.
    DCSData* d = b.get();
    d->CtrlCount = MAXDCSROWS + 1;
    EXPECT_EQ(ConfigureDriver(d), 0);
    EXPECT_EQ(Boxes(), Lines{"ZUDCSAPI: 0 <= CtrlCount <= MAXDCSROWS"});
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ApiStartup), 0);
    EXPECT_EQ(WinShimSleepCount(), 0);
    // The reset walks at most MAXDCSROWS controller rows, then shuts down.
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), 1 + 1 + MAXDCSROWS + 1);
    EXPECT_EQ(Trace().back(), "ApiShutdown() = 33");
    ExpectReleased();
}

TEST_F(Configure, shows_one_box_per_refused_row_count)
{
    TestBlock b;
    FillSmall(b);
    DCSData* d = b.get();
    d->CtrlCount = -1;
    d->PVCount = 2001;
    d->PVImportCount = -7;
    EXPECT_EQ(ConfigureDriver(d), 0);
    EXPECT_EQ(Boxes(), (Lines{"ZUDCSAPI: 0 <= CtrlCount <= MAXDCSROWS",
                              "ZUDCSAPI: 0 <= PVCount <= MAXDCSROWS",
                              "ZUDCSAPI: 0 <= PVImportCount <= MAXDCSROWS"}));
    // Negative counts walk no row.
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), MAXDCSROWS + 1);
    ExpectReleased();

    // The limit itself is a valid count.
    Restart();
    TestBlock c;
    c.SetArrayTag("PVARR");
    for (int i = 0; i < MAXDCSROWS; ++i) c.AddImport(("X" + std::to_string(i)).c_str());
    DefineTagsFor(c);
    EXPECT_EQ(ConfigureDriver(c.get()), 1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_NE(Driver.PVImportItems[MAXDCSROWS - 1], nullptr);
    ResetDriver(c.get());
    ExpectReleased();
}

}  // namespace
