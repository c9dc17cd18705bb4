#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/diag/report.h"
#include "standins/iface/iface_control.h"
#include "standins/winshim/winshim_double.h"
#include "tests/support/sim_fixture.h"

namespace {

using Report = SimTest;

// The text ErrorMsg received in its first argument position.
std::string SentText(const std::string& message, const std::string& key)
{
    const std::string head = key + "(\"";
    const size_t end = message.find("\", ");
    if (message.compare(0, head.size(), head) != 0 || end == std::string::npos) return "?";
    return message.substr(head.size(), end - head.size());
}

TEST_F(Report, vendor_status_text_keyed_by_whole_signed_value)
{
    const struct {
        int32_t status;
        const char* text;
    } cases[] = {
        {0, "Success"},
        {5, "Tag name is invalid"},
        {9, "Transmittion failure"},
        {20, "Reference count decremented, but Tag not removed"},
        {45, "Incompatible Template"},
        {46, "UNKNOWN ERROR CODE"},
        {252, "UNKNOWN ERROR CODE"},
        {253, "Invalid parameter"},
        {254, "Failure"},
        {255, "Unknown Error"},
        {256, "UNKNOWN ERROR CODE"},
        {-3, "UNKNOWN ERROR CODE"},
        {static_cast<int16_t>(0xFFFD), "UNKNOWN ERROR CODE"},  // widened with its sign
        {-1, "UNKNOWN ERROR CODE"},
    };
    for (const auto& c : cases) {
        ClearMessages();
        ReportVendorStatus(c.status, MSG_CTRL_VENDOR, 3, "");
        ASSERT_EQ(Messages().size(), 1u) << c.status;
        EXPECT_EQ(Messages()[0], std::string("DCSCtrlVendorMsg(\"") + c.text + "\", 3)")
            << c.status;
    }
}

TEST_F(Report, vendor_status_sends_row_from_zero_and_context_below_zero)
{
    ReportVendorStatus(42, MSG_PV_VENDOR, 0, "ignored");
    ReportVendorStatus(17, MSG_GENERAL_VENDOR_2, -1, "for PV Import Tag List");
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{
                  "DCSPVVendorMsg(\"Invalid Handle\", 0)",
                  "DCSGeneralVendorMsg2(\"Invalid conversion\", \"for PV Import Tag List\")",
              }));
}

// Each value's message in full, its text sent with every trailing blank.
TEST_F(Report, condition_messages_keep_trailing_blanks)
{
    struct Text {
        int32_t value;
        const char* text;
    };
    const struct {
        void (*report)(int32_t, MessageKey, int32_t);
        MessageKey key;
        std::string host;
        int32_t row;
        std::vector<Text> texts;
        Text at_row_0;  // a text sent whole from the first row too
    } conditions[] = {
        {ReportDataQuality,
         MSG_CTRL_SP_VENDOR,
         "DCSCtrlSPVendorMsg",
         7,
         {{0, "Data Quality = good "},
          {1, "Data Quality = bad  "},
          {2, "Data Quality = qstn "},
          {3, "Data Quality = unav "},
          {4, "Data Quality = unknown"},
          {-1, "Data Quality = unknown"}},
         {1, "Data Quality = bad  "}},
        {ReportIOStatus,
         MSG_PVIMPORT_VENDOR,
         "DCSPVImportVendorMsg",
         2,
         {{0, "IO Status = Data Uninitialized  "},
          {1, "IO Status = Unknown IO Status Code "},
          {2, "IO Status = No Resource "},
          {11, "IO Status = DataType Mismatch "},
          {12, "IO Status = Unknown IO Status Code "},
          {-1, "IO Status = Unknown IO Status Code "}},
         {0, "IO Status = Data Uninitialized  "}},
    };
    for (const auto& k : conditions) {
        SCOPED_TRACE(k.host);
        for (const Text& c : k.texts) {
            SCOPED_TRACE(c.value);
            ClearMessages();
            k.report(c.value, k.key, k.row);
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_EQ(Messages()[0],
                      k.host + "(\"" + c.text + "\", " + std::to_string(k.row) + ")");
            EXPECT_EQ(SentText(Messages()[0], k.host).size(), std::strlen(c.text));
        }
        ClearMessages();
        k.report(k.at_row_0.value, k.key, 0);
        EXPECT_EQ(SentText(Messages()[0], k.host).size(), std::strlen(k.at_row_0.text));
    }
}

// The joined text is the host's string; it must be gone once the report returns.
TEST_F(Report, joined_texts_leave_host_heap_as_found)
{
    IFaceHeapStats before{}, after{};
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &before);
    IFaceHeapStats before_new{}, after_new{};
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &before_new);
    ReportDataQuality(1, MSG_CTRL_OP_VENDOR, 1);
    ReportIOStatus(0, MSG_CTRL_OP_VENDOR, 1);
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &after);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &after_new);
    EXPECT_EQ(after.live_blocks, before.live_blocks);
    EXPECT_EQ(after_new.live_blocks, before_new.live_blocks);
    EXPECT_EQ(after.bad_releases + after_new.bad_releases,
              before.bad_releases + before_new.bad_releases);
}

TEST_F(Report, catalogue_names_every_key_with_its_argument_kinds)
{
    const struct {
        MessageKey key;
        const char* name;
        MessageArgs args;
    } rows[] = {
        {MSG_GENERAL_VENDOR_1, "DCSGeneralVendorMsg1", ARGS_TEXT},
        {MSG_GENERAL_VENDOR_2, "DCSGeneralVendorMsg2", ARGS_TEXT_CONTEXT},
        {MSG_GENERAL_CONFIG_ERROR, "DCSGeneralConfigError", ARGS_TEXT_CONTEXT},
        {MSG_GEN_TAG_VENDOR, "DCSGenTagVendorMsg", ARGS_TEXT_ROW},
        {MSG_ARRAY_TAG_ERROR, "DCSArrayTagError", ARGS_NONE},
        {MSG_CTRL_TAG_FIELD_ERROR, "DCSCtrlTagFieldError", ARGS_NONE},
        {MSG_PV_TAG_FIELD_ERROR, "DCSPVTagFieldError", ARGS_NONE},
        {MSG_PVIMPORT_TAG_FIELD_ERROR, "DCSPVImportTagFieldError", ARGS_NONE},
        {MSG_CTRL_VENDOR, "DCSCtrlVendorMsg", ARGS_TEXT_ROW},
        {MSG_PV_VENDOR, "DCSPVVendorMsg", ARGS_TEXT_ROW},
        {MSG_PVIMPORT_VENDOR, "DCSPVImportVendorMsg", ARGS_TEXT_ROW},
        {MSG_CTRL_OP_VENDOR, "DCSCtrlOPVendorMsg", ARGS_TEXT_ROW},
        {MSG_CTRL_SP_VENDOR, "DCSCtrlSPVendorMsg", ARGS_TEXT_ROW},
    };
    ASSERT_EQ(sizeof rows / sizeof rows[0], static_cast<size_t>(MSG_KEY_COUNT));
    for (const auto& r : rows) {
        ASSERT_NE(MessageKeys[r.key].name, nullptr);
        EXPECT_STREQ(MessageKeys[r.key].name, r.name);
        EXPECT_EQ(MessageKeys[r.key].args, r.args) << r.name;
    }
}

// Whatever a caller passes, the host reads the kinds its wording expects.
TEST_F(Report, sends_only_the_kinds_the_catalogue_names)
{
    SendKey(MSG_CTRL_TAG_FIELD_ERROR);
    SendTextRow(MSG_ARRAY_TAG_ERROR, "dropped", 4);
    SendText(MSG_GENERAL_VENDOR_1, "Error Initializing the VORNAK API");
    SendTextRow(MSG_GEN_TAG_VENDOR, "for arrayTagHandle", 0);
    SendTextContext(MSG_GENERAL_CONFIG_ERROR, "Incompatible Array Variable(Dim or Bounds)",
                    "for PV Export Array Tag");
    SendTextContext(MSG_CTRL_VENDOR, "status", "not a row");
    ReportVendorStatus(0, MSG_GENERAL_VENDOR_2, 5, "for PV Export Array");
    SendTextRow(MSG_PV_VENDOR, nullptr, 1);
    SendKey(MSG_KEY_COUNT);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{
                  "DCSCtrlTagFieldError",
                  "DCSArrayTagError",
                  "DCSGeneralVendorMsg1(\"Error Initializing the VORNAK API\")",
                  "DCSGenTagVendorMsg(\"for arrayTagHandle\", 0)",
                  "DCSGeneralConfigError(\"Incompatible Array Variable(Dim or Bounds)\", "
                  "\"for PV Export Array Tag\")",
                  "DCSCtrlVendorMsg(\"status\", -1)",
                  "DCSGeneralVendorMsg2(\"Success\", \"for PV Export Array\")",
                  "DCSPVVendorMsg(\"\", 1)",
              }));
}

TEST_F(Report, message_box_is_modal_ok_without_owner)
{
    ShowMessageBox("Unhandled data type 81 for PVImport at 4", "Warning");
    ASSERT_EQ(WinShimBoxCount(), 1);
    EXPECT_STREQ(WinShimBoxCaption(0), "Warning");
    EXPECT_STREQ(WinShimBoxText(0), "Unhandled data type 81 for PVImport at 4");
    EXPECT_EQ(WinShimBoxType(0), 0u);
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
