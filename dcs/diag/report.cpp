// The host's keyed messages. ErrorMsg reads its arguments by the key alone, so
// every message leaves here in the kinds the catalogue names for its key: a
// mismatched call can never make the host read a row as a text pointer.
#include "dcs/diag/report.h"

#include "dcs/host/iface.h"

namespace {

// The host may not cope with a null text; an empty one says as much.
const char* OrEmpty(const char* text) { return text ? text : ""; }

void SendKeyed(MessageKey key, const char* text, int32_t row, const char* context)
{
    if (key >= MSG_KEY_COUNT) return;
    const MessageKeyEntry& entry = MessageKeys[key];
    switch (entry.args) {
    case ARGS_NONE:
        ErrorMsg(entry.name);
        break;
    case ARGS_TEXT:
        ErrorMsg(entry.name, OrEmpty(text));
        break;
    case ARGS_TEXT_ROW:
        ErrorMsg(entry.name, OrEmpty(text), static_cast<int>(row));
        break;
    case ARGS_TEXT_CONTEXT:
        ErrorMsg(entry.name, OrEmpty(text), OrEmpty(context));
        break;
    }
}

}  // namespace

void SendKey(MessageKey key) { SendKeyed(key, nullptr, -1, nullptr); }
void SendText(MessageKey key, const char* text) { SendKeyed(key, text, -1, nullptr); }

void SendTextRow(MessageKey key, const char* text, int32_t row)
{
    SendKeyed(key, text, row, nullptr);
}

void SendTextContext(MessageKey key, const char* text, const char* context)
{
    SendKeyed(key, text, -1, context);
}

// Row keys get the row, context keys (row -1 at every call site) the context;
// both are passed on so that the catalogue can pick.
void ReportVendorStatus(int32_t status, MessageKey key, int32_t row, const char* context)
{
    SendKeyed(key, VendorStatusText(status), row, context);
}

void ReportDataQuality(int32_t quality, MessageKey key, int32_t row)
{
    Text message("Data Quality = ");
    message += DataQualityText(quality);
    SendTextRow(key, message.Chars(), row);
}

void ReportIOStatus(int32_t io_status, MessageKey key, int32_t row)
{
    Text message("IO Status = ");
    message += IOStatusText(io_status);
    SendTextRow(key, message.Chars(), row);
}
