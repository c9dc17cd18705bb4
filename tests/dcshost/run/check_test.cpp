// The commissioning check's reading of the driver's reports: which table,
// row, column and tag each one is about.
#include <gtest/gtest.h>

#include "dcshost/run/check.h"

namespace {

ReceivedMessage Message(const std::string& key, const std::string& text, int row,
                        const std::string& wording = "w")
{
    ReceivedMessage m;
    m.key = key;
    m.argc = 2;
    m.kinds[0] = 's';
    m.texts[0] = text;
    m.kinds[1] = 'i';
    m.ints[1] = row;
    m.wording = wording;
    return m;
}

ReceivedMessage KeyOnly(const std::string& key)
{
    ReceivedMessage m;
    m.key = key;
    m.wording = "w";
    return m;
}

Scenario Unit()
{
    Scenario s;
    s.pv_array_tag = "UNIT.PVARR";
    for (const char* name : {"LIC101", "FIC102"}) {
        CtrlRowDef loop;
        loop.name = name;
        std::string base = name;
        loop.cells = {{"SP TAG", base + ".SP"},
                      {"OP TAG", base + ".OP"},
                      {"Mode TAG", base + ".MODE"},
                      {"SP Init TAG", base + ".SPINIT"},
                      {"OP Init TAG", base + ".OPINIT"}};
        s.controllers.push_back(loop);
    }
    s.pvs.push_back(PVRowDef{"LI101", {{"TAG", "LI101.PV"}}, true, "", 0.0, {}});
    s.pvs.push_back(PVRowDef{"FI102", {{"TAG", ""}}, true, "", 0.0, {}});
    s.imports.push_back(ImportRowDef{"P101", {{"TAG", "P101.STATUS"}}, "1:1", true, 0.0, {}});
    return s;
}

}  // namespace

TEST(Check, takes_the_column_of_a_no_handle_report_from_its_context)
{
    BindingFailure f = DescribeFailure(
        Message("DCSCtrlVendorMsg", "for Controller Setpoint Init Tag Handle", 1,
                "Controller row 1: tag error: for Controller Setpoint Init Tag Handle"),
        Unit(), "FIC102.SPINIT");
    EXPECT_EQ(FormatFailure(f),
              "binding failure: controller row 1 (FIC102) column \"SP Init TAG\" tag "
              "\"FIC102.SPINIT\": DCSCtrlVendorMsg: Controller row 1: tag error: for Controller "
              "Setpoint Init Tag Handle");
}

TEST(Check, takes_the_column_of_a_status_report_from_the_failing_call)
{
    BindingFailure f = DescribeFailure(Message("DCSCtrlVendorMsg", "Tag name is invalid", 0),
                                       Unit(), "LIC101.MODE");
    EXPECT_EQ(f.table, "controller");
    EXPECT_EQ(f.row, 0);
    EXPECT_EQ(f.column, "Mode TAG");
    EXPECT_EQ(f.tag, "LIC101.MODE");
    // A call that names none of the row's tags leaves the column open.
    f = DescribeFailure(Message("DCSCtrlVendorMsg", "Failure", 0), Unit(), "OTHER");
    EXPECT_EQ(FormatFailure(f),
              "binding failure: controller row 0 (LIC101) tag \"OTHER\": "
              "DCSCtrlVendorMsg: w");
}

TEST(Check, names_pv_and_import_rows_by_their_tag)
{
    EXPECT_EQ(FormatFailure(
                  DescribeFailure(Message("DCSPVVendorMsg", "for PV Tag Handle", 0), Unit(), "")),
              "binding failure: PV export row 0 (LI101) column \"TAG\" tag \"LI101.PV\": "
              "DCSPVVendorMsg: w");
    EXPECT_EQ(FormatFailure(DescribeFailure(Message("DCSPVImportVendorMsg", "Failure", 0), Unit(),
                                            "P101.STATUS")),
              "binding failure: PV import row 0 (P101) column \"TAG\" tag \"P101.STATUS\": "
              "DCSPVImportVendorMsg: w");
    // A row the scenario does not have is still reported, by number.
    EXPECT_EQ(FormatFailure(DescribeFailure(Message("DCSPVVendorMsg", "Failure", 9), Unit(), "")),
              "binding failure: PV export row 9 column \"TAG\": DCSPVVendorMsg: w");
}

TEST(Check, points_a_field_report_at_the_first_empty_cell)
{
    EXPECT_EQ(
        FormatFailure(DescribeFailure(KeyOnly("DCSPVTagFieldError"), Unit(), "")),
        "binding failure: PV export row 1 (FI102) column \"TAG\" empty: DCSPVTagFieldError: w");
    EXPECT_EQ(FormatFailure(DescribeFailure(KeyOnly("DCSCtrlTagFieldError"), Unit(), "")),
              "binding failure: controller: DCSCtrlTagFieldError: w");
}

TEST(Check, reports_array_tag_failures_against_the_general_field)
{
    for (const char* key : {"DCSArrayTagError", "DCSGenTagVendorMsg", "DCSGeneralConfigError"}) {
        BindingFailure f = DescribeFailure(KeyOnly(key), Unit(), "");
        EXPECT_EQ(f.table, "general field") << key;
        EXPECT_EQ(f.tag, "UNIT.PVARR") << key;
    }
    ReceivedMessage m = Message("DCSGeneralVendorMsg2", "Failure", 0);
    m.kinds[1] = 's';
    m.texts[1] = "for PV Export Array Tag";
    EXPECT_EQ(FormatFailure(DescribeFailure(m, Unit(), "UNIT.PVARR")),
              "binding failure: general field column \"PV Array Tag\" tag \"UNIT.PVARR\": "
              "DCSGeneralVendorMsg2: w");
    EXPECT_EQ(DescribeFailure(KeyOnly("DCSGeneralVendorMsg1"), Unit(), "").table,
              "control system start-up");
}

TEST(Check, reads_the_tag_a_trace_line_names)
{
    EXPECT_EQ(TagNameFromTraceLine("OpenTag(\"FIC102.SP\") = 0"), "FIC102.SP");
    EXPECT_EQ(TagNameFromTraceLine("ValidateTagName(\"TI103 PV\") = 5"), "TI103 PV");
    EXPECT_EQ(TagNameFromTraceLine("GetTagStatus(tag:TIC103.SPINIT) = 14"), "TIC103.SPINIT");
    EXPECT_EQ(TagNameFromTraceLine("ValidateTagName(\"a\\\"b\\\\c\\x01\") = 5"),
              std::string("a\"b\\c\x01"));
    EXPECT_EQ(TagNameFromTraceLine("ServiceEvents() = 0"), "");
    EXPECT_EQ(TagNameFromTraceLine("OpenTag(\"unterminated"), "");
    EXPECT_EQ(TagNameFromTraceLine(""), "");
}
