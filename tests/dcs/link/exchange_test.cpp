// The per-step exchange against the simulated control system, bound by hand.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dcs/driver/entry_points.h"
#include "dcs/link/exchange.h"
#include "tests/dcs/link/hand_bind.h"
#include "tests/support/sim_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

uint64_t BitsOf(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

uint32_t BitsOf(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

using Exchange = HandBoundTest;

// ---- controllers -------------------------------------------------------------

TEST_F(Exchange, makes_one_pass_in_the_documented_call_order)
{
    block.SetArrayTag("ARR");
    block.AddController("C1");
    block.AddImport("IMP");
    block.AddPV("PV1", 1, 1.5);
    VnxSimDefineInt("IMP", 2);
    DCSData* d = Bind();
    VnxSimSetFloat("C1.OP", 0, 35.0f);
    VnxSimSetFloat("C1.SP", 0, 50.0f);

    EXPECT_EQ(DCSSimulate(d), 1);

    EXPECT_THAT(
        Trace(),
        ElementsAre("ServiceEvents() = 0", "ReadTagList(list:2) = 0", "ReadTagList(list:1) = 0",
                    "GetIOStatus(item:C1.OP, 0) = 1", "GetDataQuality(item:C1.OP, 0) = 0",
                    "GetTagValue(item:C1.OP, 0, float 35, 9, 0, 0) = 0",
                    "GetIOStatus(item:C1.SP, 0) = 1", "GetDataQuality(item:C1.SP, 0) = 0",
                    "GetTagValue(item:C1.SP, 0, float 50, 9, 0, 0) = 0", "ReadTagList(list:3) = 0",
                    "GetIOStatus(item:IMP, 0) = 1", "GetDataQuality(item:IMP, 0) = 0",
                    "GetTagDataType(item:IMP) = 128",
                    "GetTagValue(item:IMP, 0, int 2, 12, 0, 0) = 0", "GetTagStatus(tag:ARR) = 0",
                    "SetArrayElement(tag:ARR, 0, 1, float 1.5, 9) = 0", "SendTag(tag:ARR) = 0",
                    "ServiceEvents() = 0"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(Exchange, stores_op_as_fraction_times_0_01_and_sp_as_read)
{
    block.AddController("C1", 1, 0.0, 0.0);
    block.AddController("C2", 1, 0.0, 0.0);
    DCSData* d = Bind();
    VnxSimSetFloat("C1.OP", 0, 35.0f);
    VnxSimSetFloat("C2.OP", 0, 50.0f);
    VnxSimSetFloat("C1.SP", 0, 50.0f);
    VnxSimSetFloat("C2.SP", 0, 12.25f);

    SimulateStep(d);

    // 35 * 0.01 is not 0.35 in binary64; a division by 100 would give 0.35.
    EXPECT_EQ(BitsOf(static_cast<double>(block.Ctrl(0).OP)), BitsOf(0.35000000000000003));
    EXPECT_NE(BitsOf(static_cast<double>(block.Ctrl(0).OP)), BitsOf(0.35));
    EXPECT_EQ(static_cast<double>(block.Ctrl(1).OP), 0.5);
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).SP), 50.0);
    EXPECT_EQ(static_cast<double>(block.Ctrl(1).SP), 12.25);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(block.Ctrl(r).OPUpdated, 1);
        EXPECT_EQ(block.Ctrl(r).SPUpdated, 1);
    }
    // One bulk read per list, however many rows.
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ReadTagList), 2);
}

TEST_F(Exchange, reads_only_the_sp_of_an_inactive_controller)
{
    block.AddController("C1", 0, 1.0, 0.25);
    DCSData* d = Bind();
    Driver.CtrlOPItems[0] = nullptr;  // an inactive row's missing OP item is not reported
    VnxSimSetFloat("C1.OP", 0, 80.0f);
    VnxSimSetFloat("C1.SP", 0, 7.0f);

    SimulateStep(d);

    EXPECT_EQ(static_cast<double>(block.Ctrl(0).OP), 0.25);
    EXPECT_EQ(block.Ctrl(0).OPUpdated, 0);
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).SP), 7.0);
    EXPECT_EQ(block.Ctrl(0).SPUpdated, 1);
    EXPECT_THAT(TraceOf({"GetIOStatus"}), ElementsAre("GetIOStatus(item:C1.SP, 0) = 1"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(Exchange, reports_bad_io_status_or_quality_and_reads_nothing_more_of_that_item)
{
    block.AddController("C1", 1, 1.0, 0.25);
    block.AddController("C2", 1, 2.0, 0.5);
    DCSData* d = Bind();
    VnxSimSetFloat("C1.OP", 0, 80.0f);
    VnxSimSetFloat("C1.SP", 0, 10.0f);
    VnxSimSetFloat("C2.OP", 0, 60.0f);
    VnxSimSetFloat("C2.SP", 0, 20.0f);
    VnxSimSetIOStatus("C1.OP", 0);
    VnxSimSetQuality("C2.SP", 1);

    SimulateStep(d);

    EXPECT_THAT(Messages(),
                ElementsAre("DCSCtrlOPVendorMsg(\"IO Status = Data Uninitialized  \", 0)",
                            "DCSCtrlSPVendorMsg(\"Data Quality = bad  \", 1)"));
    EXPECT_THAT(TraceOf({"GetDataQuality", "GetTagValue"}),
                ElementsAre("GetDataQuality(item:C1.SP, 0) = 0",
                            "GetTagValue(item:C1.SP, 0, float 10, 9, 0, 0) = 0",
                            "GetDataQuality(item:C2.OP, 0) = 0",
                            "GetTagValue(item:C2.OP, 0, float 60, 9, 0, 0) = 0",
                            "GetDataQuality(item:C2.SP, 0) = 1"));
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).OP), 0.25);
    EXPECT_EQ(block.Ctrl(0).OPUpdated, 0);
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).SP), 10.0);
    EXPECT_EQ(static_cast<double>(block.Ctrl(1).OP), 0.6);
    EXPECT_EQ(static_cast<double>(block.Ctrl(1).SP), 2.0);
    EXPECT_EQ(block.Ctrl(1).SPUpdated, 0);
}

TEST_F(Exchange, missing_op_item_report_carries_the_pass_status)
{
    for (const char* base : {"C0", "C1", "C2", "C3", "C4"}) block.AddController(base, 1, 0.0, 0.0);
    DCSData* d = Bind();
    Driver.CtrlOPItems[0] = nullptr;  // before any value read: the list reads' 0
    VnxSimInject(VNX_OP_GetTagValue, "C1.SP", 36, 0, -1);
    Driver.CtrlOPItems[2] = nullptr;  // after the failed read: its status
    Driver.CtrlOPItems[4] = nullptr;  // after C2.SP and C3 read well: 0 again
    Driver.CtrlSPItems[3] = nullptr;  // a missing SP item is never reported

    SimulateStep(d);

    EXPECT_THAT(
        Messages(),
        ElementsAre("DCSCtrlOPVendorMsg(\"Success\", 0)", "DCSCtrlSPVendorMsg(\"Read Error\", 1)",
                    "DCSCtrlOPVendorMsg(\"Read Error\", 2)", "DCSCtrlOPVendorMsg(\"Success\", 4)"));
    EXPECT_EQ(block.Ctrl(1).SPUpdated, 0);
    EXPECT_EQ(block.Ctrl(3).SPUpdated, 0);
    EXPECT_EQ(block.Ctrl(3).OPUpdated, 1);
}

// Decision: the pass status is 0 at the start of every call, so with no list
// to read a missing item met first reports "Success", whatever an earlier pass saw.
TEST_F(Exchange, pass_status_starts_at_zero_in_every_call)
{
    block.AddController("C0", 1);
    block.AddController("C1", 1);
    block.AddImport("I0");
    block.AddImport("I1");
    DCSData* d = Bind();
    // The items keep what an earlier read of their lists fetched.
    for (VnxHandle list : {Driver.SPTagList, Driver.OPTagList, Driver.PVImportTagList})
        ReadTagList(list);
    Driver.OPTagList = Driver.SPTagList = Driver.PVImportTagList = nullptr;
    Driver.CtrlOPItems[0] = nullptr;
    Driver.PVImportItems[0] = nullptr;
    ClearTrace();
    VnxSimInject(VNX_OP_GetTagValue, "C1.OP", 36, 0, -1);
    VnxSimInject(VNX_OP_GetTagValue, "I1", 16, 0, -1);

    SimulateStep(d);
    SimulateStep(d);

    const char* pass[] = {
        "DCSCtrlOPVendorMsg(\"Success\", 0)", "DCSCtrlOPVendorMsg(\"Read Error\", 1)",
        "DCSPVImportVendorMsg(\"Success\", 0)", "DCSPVImportVendorMsg(\"Write error\", 1)"};
    EXPECT_THAT(Messages(), ElementsAre(pass[0], pass[1], pass[2], pass[3], pass[0], pass[1],
                                        pass[2], pass[3]));
    EXPECT_THAT(TraceOf({"ReadTagList"}), IsEmpty());
}

TEST_F(Exchange, failed_op_list_read_changes_no_controller_and_the_pass_goes_on)
{
    block.SetArrayTag("ARR");
    block.AddController("C1", 1, 3.0, 0.25);
    block.AddImport("IMP");
    block.AddPV("PV1", 1, 4.0);
    DCSData* d = Bind();
    VnxSimSetFloat("C1.OP", 0, 80.0f);
    VnxSimSetFloat("IMP", 0, 9.5f);
    VnxSimInjectList(VNX_OP_ReadTagList, Driver.OPTagList, 9, 0, -1);

    EXPECT_EQ(DCSSimulate(d), 1);

    EXPECT_THAT(
        Messages(),
        ElementsAre(
            "DCSGeneralVendorMsg2(\"Transmittion failure\", \"for Controller Output Tag List\")"));
    EXPECT_THAT(TraceOf({"ReadTagList"}),
                ElementsAre("ReadTagList(list:2) = 9", "ReadTagList(list:3) = 0"));
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).OP), 0.25);
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).SP), 3.0);
    EXPECT_EQ(block.Ctrl(0).OPUpdated + block.Ctrl(0).SPUpdated, 0);
    EXPECT_EQ(static_cast<double>(block.Import(0).Value), 9.5);
    EXPECT_EQ(CommittedFloat("ARR"), 4.0f);
}

TEST_F(Exchange, failed_sp_list_read_leaves_the_op_values_unstored_too)
{
    block.AddController("C1", 1, 3.0, 0.25);
    DCSData* d = Bind();
    VnxSimSetFloat("C1.OP", 0, 80.0f);
    VnxSimInjectList(VNX_OP_ReadTagList, Driver.SPTagList, 37, 0, -1);

    SimulateStep(d);

    EXPECT_THAT(
        Messages(),
        ElementsAre(
            "DCSGeneralVendorMsg2(\"Time Out Error\", \"for Controller Setpoint Tag List\")"));
    EXPECT_EQ(static_cast<double>(block.Ctrl(0).OP), 0.25);
    EXPECT_EQ(block.Ctrl(0).OPUpdated, 0);
    EXPECT_THAT(TraceOf({"GetIOStatus", "GetTagValue"}), IsEmpty());
}

TEST_F(Exchange, skip_flags_leave_out_their_list_and_reads)
{
    block.AddController("C1", 1);
    block.AddImport("I1");
    DCSData* d = Bind();

    EXPECT_EQ(ReadCtrlLists(d, 1, 1), 1);
    EXPECT_EQ(ReadPVImportList(d, 1), 1);
    EXPECT_THAT(Trace(), IsEmpty());

    ReadCtrlLists(d, 1, 0);
    ReadCtrlLists(d, 0, 1);
    EXPECT_THAT(
        TraceOf({"ReadTagList", "GetTagValue"}),
        ElementsAre("ReadTagList(list:2) = 0", "GetTagValue(item:C1.OP, 0, float 0, 9, 0, 0) = 0",
                    "ReadTagList(list:1) = 0", "GetTagValue(item:C1.SP, 0, float 0, 9, 0, 0) = 0"));
}

// ---- imports -----------------------------------------------------------------

TEST_F(Exchange, failed_import_list_read_changes_no_import)
{
    block.AddImport("I0", 0, 1, 1.25);
    DCSData* d = Bind();
    VnxSimSetFloat("I0", 0, 8.0f);
    VnxSimInjectList(VNX_OP_ReadTagList, Driver.PVImportTagList, 254, 0, -1);

    SimulateStep(d);

    EXPECT_THAT(Messages(),
                ElementsAre("DCSGeneralVendorMsg2(\"Failure\", \"for PV Import Tag List\")"));
    EXPECT_EQ(static_cast<double>(block.Import(0).Value), 1.25);
}

TEST_F(Exchange, stores_imports_by_data_type_and_mapping)
{
    struct Case {
        int32_t raw;
        int32_t mapping;
        double expected;
    } cases[] = {
        {2, 0, 2.0},     {2, 1, 3.0},         {65535, 0, -1.0},
        {65535, 1, 0.0}, {70000, 0, 4464.0},  {32767, 1, -32768.0},
        {-1, 1, 0.0},    {INT32_MAX, 1, 0.0},  // the +1 wraps in 32 bits
    };
    const int n = sizeof cases / sizeof cases[0];
    char names[n][8];
    for (int i = 0; i < n; ++i) {
        std::snprintf(names[i], sizeof names[i], "N%d", i);
        VnxSimDefineInt(names[i], cases[i].raw);
        block.AddImport(names[i], cases[i].mapping, 1, -99.0);
    }
    block.AddImport("F", 1, 1, 0.0);  // a float under "Controller Mode" is stored as read
    DCSData* d = Bind();
    VnxSimSetFloat("F", 0, 2.5f);

    SimulateStep(d);

    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(static_cast<double>(block.Import(i).Value), cases[i].expected)
            << "raw " << cases[i].raw << " mapping " << cases[i].mapping;
    }
    EXPECT_EQ(static_cast<double>(block.Import(n).Value), 2.5);
    EXPECT_EQ(TraceOf({"GetTagValue"})[0], "GetTagValue(item:N0, 0, int 2, 12, 0, 0) = 0");
    EXPECT_EQ(TraceOf({"GetTagValue"})[n], "GetTagValue(item:F, 0, float 2.5, 9, 0, 0) = 0");
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ReadTagList), 1);
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(Exchange, shows_a_box_for_an_unhandled_import_type_on_every_pass_and_goes_on)
{
    for (int i = 0; i < 6; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "I%d", i);
        block.AddImport(name, 0, 1, -1.0);
    }
    DCSData* d = Bind();
    VnxSimSetDataType("I4", 129);
    VnxSimSetFloat("I4", 0, 4.0f);
    VnxSimSetFloat("I5", 0, 5.0f);

    SimulateStep(d);
    SimulateStep(d);

    EXPECT_THAT(Boxes(), ElementsAre("Warning: Unhandled data type 81 for PVImport at 4",
                                     "Warning: Unhandled data type 81 for PVImport at 4"));
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_EQ(static_cast<double>(block.Import(4).Value), -1.0);
    EXPECT_EQ(static_cast<double>(block.Import(5).Value), 5.0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_GetTagValue), 2 * 5);
}

TEST_F(Exchange, reports_bad_import_io_quality_and_value_reads_per_row)
{
    block.AddImport("I0", 0, 1, 1.0);
    block.AddImport("I1", 0, 1, 1.0);
    block.AddImport("I2", 0, 1, 1.0);
    block.AddImport("I3", 0, 1, 1.0);
    block.AddImport("I4", 0, 0, 1.0);  // inactive: no call, no report, even without an item
    block.AddImport("I5", 0, 1, 1.0);
    DCSData* d = Bind();
    Driver.PVImportItems[4] = nullptr;
    VnxSimSetIOStatus("I0", 11);
    VnxSimSetQuality("I1", 3);
    VnxSimSetQuality("I5", -2);  // not good either
    VnxSimSetFloat("I5", 0, 9.0f);
    VnxSimInject(VNX_OP_GetTagValue, "I2", 17, 0, -1);
    VnxSimSetFloat("I3", 0, 3.0f);

    SimulateStep(d);

    EXPECT_THAT(Messages(),
                ElementsAre("DCSPVImportVendorMsg(\"IO Status = DataType Mismatch \", 0)",
                            "DCSPVImportVendorMsg(\"Data Quality = unav \", 1)",
                            "DCSPVImportVendorMsg(\"Invalid conversion\", 2)",
                            "DCSPVImportVendorMsg(\"Data Quality = unknown\", 5)"));
    EXPECT_THAT(TraceOf({"GetTagDataType"}),
                ElementsAre("GetTagDataType(item:I2) = 11", "GetTagDataType(item:I3) = 11"));
    EXPECT_EQ(static_cast<double>(block.Import(2).Value), 1.0);
    EXPECT_EQ(static_cast<double>(block.Import(3).Value), 3.0);
    EXPECT_EQ(static_cast<double>(block.Import(5).Value), 1.0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_GetIOStatus), 5);
}

// ---- exports -----------------------------------------------------------------

TEST_F(Exchange, writes_rows_with_active_1_as_array_elements_and_sends_once)
{
    block.SetArrayTag("ARR");
    block.AddPV("P0", 1, 10.0);
    block.AddPV("P1", 0, 11.0);
    block.AddPV("P2", 2, 12.0);
    block.AddPV("P3", 1, 13.0);
    DCSData* d = Bind();

    SimulateStep(d);

    EXPECT_THAT(
        TraceOf({"GetTagStatus", "SetArrayElement", "SetTagValue", "SendTag"}),
        ElementsAre("GetTagStatus(tag:ARR) = 0", "SetArrayElement(tag:ARR, 0, 1, float 10, 9) = 0",
                    "SetArrayElement(tag:ARR, 3, 1, float 13, 9) = 0", "SendTag(tag:ARR) = 0"));
    EXPECT_EQ(VnxSimCallCount(VNX_OP_SendTag), 1);
    EXPECT_EQ(CommittedFloat("ARR", 3), 13.0f);
}

TEST_F(Exchange, writes_nothing_without_a_row_of_active_1)
{
    block.SetArrayTag("ARR");
    block.AddPV("P0", 0, 10.0);
    block.AddPV("P1", 2, 11.0);
    DCSData* d = Bind();

    SimulateStep(d);
    d->PVCount = 0;
    SimulateStep(d);

    // Neither the array nor the per-tag path writes; only the array's status is asked.
    EXPECT_THAT(TraceOf({"GetTagStatus", "SetArrayElement", "SetTagValue", "SendTag"}),
                ElementsAre("GetTagStatus(tag:ARR) = 0", "GetTagStatus(tag:ARR) = 0"));
}

TEST_F(Exchange, writes_every_non_zero_active_row_to_its_own_tag_without_array_tag)
{
    block.AddPV("P0", 1, 10.0);
    block.AddPV("P1", 0, 11.0);
    block.AddPV("P2", 2, 12.0);
    block.AddPV("P3", 1, 13.0);
    DCSData* d = Bind();
    Driver.PVExportTags[3] = nullptr;  // passed over without a report

    SimulateStep(d);

    EXPECT_THAT(TraceOf({"GetTagStatus", "SetTagValue", "SendTag"}),
                ElementsAre("GetTagStatus(tag:P0) = 0", "SetTagValue(tag:P0, 1, float 10, 9) = 0",
                            "SendTag(tag:P0) = 0", "GetTagStatus(tag:P2) = 0",
                            "SetTagValue(tag:P2, 1, float 12, 9) = 0", "SendTag(tag:P2) = 0"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(Exchange, falls_back_to_the_pv_tags_when_the_array_status_or_send_fails)
{
    block.SetArrayTag("ARR");
    block.AddPV("P0", 1, 10.0);
    DCSData* d = Bind();
    VnxSimSetTagStatus("ARR", 42);

    SimulateStep(d);
    VnxSimSetTagStatus("ARR", 0);
    VnxSimInject(VNX_OP_SendTag, "ARR", 38, 0, -1);
    SimulateStep(d);

    EXPECT_THAT(
        Messages(),
        ElementsAre("DCSGeneralVendorMsg2(\"Invalid Handle\", \"for PV Export Array\")",
                    "DCSGeneralVendorMsg2(\"Error Sending Message\", \"for PV Export Array\")"));
    EXPECT_THAT(
        TraceOf({"GetTagStatus", "SetArrayElement", "SetTagValue", "SendTag"}),
        ElementsAre("GetTagStatus(tag:ARR) = 42", "GetTagStatus(tag:P0) = 0",
                    "SetTagValue(tag:P0, 1, float 10, 9) = 0", "SendTag(tag:P0) = 0",
                    "GetTagStatus(tag:ARR) = 0", "SetArrayElement(tag:ARR, 0, 1, float 10, 9) = 0",
                    "SendTag(tag:ARR) = 38", "GetTagStatus(tag:P0) = 0",
                    "SetTagValue(tag:P0, 1, float 10, 9) = 0", "SendTag(tag:P0) = 0"));
}

TEST_F(Exchange, sends_nothing_after_a_failed_element_and_writes_tags_from_row_0)
{
    block.SetArrayTag("ARR");
    block.AddPV("P0", 1, 10.0);
    block.AddPV("P1", 1, 11.0);
    block.AddPV("P2", 1, 12.0);
    block.AddPV("P3", 1, 13.0);
    DCSData* d = Bind();
    VnxSimInject(VNX_OP_SetArrayElement, "ARR", 16, 2, 1);  // the third element, row 2

    SimulateStep(d);

    EXPECT_THAT(Messages(), ElementsAre("DCSPVVendorMsg(\"Write error\", 2)"));
    EXPECT_EQ(VnxSimSendCount("ARR"), 0);
    EXPECT_EQ(CommittedFloat("ARR", 0), 0.0f);  // set, never sent
    EXPECT_THAT(TraceOf({"SetArrayElement", "SetTagValue"}),
                ElementsAre("SetArrayElement(tag:ARR, 0, 1, float 10, 9) = 0",
                            "SetArrayElement(tag:ARR, 1, 1, float 11, 9) = 0",
                            "SetArrayElement(tag:ARR, 2, 1, float 12, 9) = 16",
                            "SetTagValue(tag:P0, 1, float 10, 9) = 0",
                            "SetTagValue(tag:P1, 1, float 11, 9) = 0",
                            "SetTagValue(tag:P2, 1, float 12, 9) = 0",
                            "SetTagValue(tag:P3, 1, float 13, 9) = 0"));
    for (const char* name : {"P0", "P1", "P2", "P3"}) EXPECT_EQ(VnxSimSendCount(name), 1) << name;
}

class ExchangeTagWrite : public Exchange, public ::testing::WithParamInterface<int> {};

TEST_P(ExchangeTagWrite, stops_the_tag_writes_at_the_first_failing_row)
{
    block.AddPV("P0", 1, 10.0);
    block.AddPV("P1", 1, 11.0);
    block.AddPV("P2", 1, 12.0);
    DCSData* d = Bind();
    VnxSimInject(GetParam(), "P1", 22, 0, -1);

    SimulateStep(d);

    EXPECT_THAT(Messages(), ElementsAre("DCSPVVendorMsg(\"Security Violation\", 1)"));
    EXPECT_EQ(VnxSimSendCount("P0"), 1);
    EXPECT_EQ(VnxSimSendCount("P1"), 0);
    EXPECT_EQ(CommittedFloat("P2"), 0.0f);
    for (const std::string& line : Trace()) {
        EXPECT_EQ(line.find("tag:P2"), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(EachStep, ExchangeTagWrite,
                         ::testing::Values(VNX_OP_GetTagStatus, VNX_OP_SetTagValue,
                                           VNX_OP_SendTag));

// Decision: a finite double beyond float range saturates to +-FLT_MAX; the
// infinities and NaN keep their class.
TEST_F(Exchange, narrows_exported_values_without_undefined_conversions)
{
    const double values[] = {1e300,
                             -1e300,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             3.4028235677973366e38,
                             1e-300};
    const int n = sizeof values / sizeof values[0];
    char names[n][8];
    for (int i = 0; i < n; ++i) {
        std::snprintf(names[i], sizeof names[i], "P%d", i);
        block.AddPV(names[i], 1, values[i]);
    }
    DCSData* d = Bind();

    SimulateStep(d);

    EXPECT_EQ(CommittedFloat("P0"), FLT_MAX);
    EXPECT_EQ(CommittedFloat("P1"), -FLT_MAX);
    EXPECT_EQ(CommittedFloat("P2"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(CommittedFloat("P3"), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(CommittedFloat("P4")));
    EXPECT_EQ(CommittedFloat("P5"), FLT_MAX);
    EXPECT_EQ(BitsOf(CommittedFloat("P6")), BitsOf(0.0f));
}

// ---- bounds and cost ---------------------------------------------------------

TEST_F(Exchange, walks_at_most_maxdcsrows_rows)
{
    for (int i = 0; i < MAXDCSROWS + 1; ++i) {
        block.AddController("X", "X", "X", "X", "X", 1);
        block.AddImport("X", 0, 1);
        block.AddPV("X", 1, i);
    }
    block.SetArrayTag("ARR");
    VnxSimDefineArray("ARR", 0, MAXDCSROWS, 0.0f);
    DCSData* d = block.get();
    ApiStartup();
    DataServicesStartup(&Driver.DataServicesContext);
    Driver.PVExportArrayTag = OpenTag("ARR");
    ClearTrace();

    SimulateStep(d);

    // Nothing else bound: one missing-item report per active row.
    ASSERT_EQ(Messages().size(), 2u * MAXDCSROWS);
    EXPECT_EQ(Messages()[MAXDCSROWS - 1], "DCSCtrlOPVendorMsg(\"Success\", 1999)");
    EXPECT_EQ(Messages().back(), "DCSPVImportVendorMsg(\"Success\", 1999)");
    EXPECT_EQ(VnxSimCallCount(VNX_OP_SetArrayElement), MAXDCSROWS);
    EXPECT_EQ(CommittedFloat("ARR", 1999), 1999.0f);
    EXPECT_EQ(CommittedFloat("ARR", 2000), 0.0f);
}

TEST_F(Exchange, walks_no_row_for_a_negative_count)
{
    block.AddController("C1", 1);
    block.AddImport("I1", 0, 1);
    block.AddPV("P1", 1, 1.0);
    DCSData* d = Bind();
    Driver.OPTagList = Driver.SPTagList = Driver.PVImportTagList = nullptr;
    d->CtrlCount = -1;
    d->PVImportCount = -1;
    d->PVCount = -1;

    SimulateStep(d);

    EXPECT_THAT(Trace(), ElementsAre("ServiceEvents() = 0", "ServiceEvents() = 0"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(Exchange, allocates_nothing_in_a_pass)
{
    block.SetArrayTag("ARR");
    block.AddController("C1");
    block.AddController("C2", 0);
    block.AddImport("I1");
    block.AddPV("P1", 1, 2.0);
    block.AddPV("P2", 2, 3.0);
    DCSData* d = Bind();
    IFaceHeapStats before[2], after[2];
    for (int f = 0; f < 2; ++f) IFaceHeapGetStats(f, &before[f]);

    for (int i = 0; i < 10; ++i) DCSSimulate(d);
    VnxSimSetTagStatus("ARR", 5);  // the per-tag path too
    DCSSimulate(d);

    for (int f = 0; f < 2; ++f) {
        IFaceHeapGetStats(f, &after[f]);
        EXPECT_EQ(after[f].allocations, before[f].allocations) << "family " << f;
        EXPECT_EQ(after[f].releases, before[f].releases) << "family " << f;
    }
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(Exchange, returns_1_when_every_read_and_write_fails)
{
    block.SetArrayTag("ARR");
    block.AddController("C1");
    block.AddImport("I1");
    block.AddPV("P1", 1, 2.0);
    DCSData* d = Bind();
    VnxSimInject(VNX_OP_ReadTagList, nullptr, 254, 0, -1);
    VnxSimInject(VNX_OP_GetTagStatus, nullptr, 254, 0, -1);

    EXPECT_EQ(DCSSimulate(d), 1);
    EXPECT_EQ(Messages().size(), 4u);
}

}  // namespace
