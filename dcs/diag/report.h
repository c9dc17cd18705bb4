// Reporting: status texts, the host's keyed messages and the driver's few
// modal message boxes. Every ErrorMsg call of the driver goes through here.
#pragma once

#include <cstdint>

#include "dcs/diag/message_keys.h"

// Code-to-text tables; a code not in a table takes the table's default text.
const char* VendorStatusText(int32_t status);  // keyed by the signed value
const char* DataQualityText(int32_t quality);  // keyed by the value as unsigned
const char* IOStatusText(int32_t io_status);   // keyed by the value as unsigned

// Direct messages, one per argument kind of the catalogue.
void SendKey(MessageKey key);
void SendText(MessageKey key, const char* text);
void SendTextRow(MessageKey key, const char* text, int32_t row);
void SendTextContext(MessageKey key, const char* text, const char* context);

// ErrorMsg(key, status text, row) when row >= 0, else (key, status text, context).
void ReportVendorStatus(int32_t status, MessageKey key, int32_t row, const char* context);
// ErrorMsg(key, "Data Quality = " + text, row)
void ReportDataQuality(int32_t quality, MessageKey key, int32_t row);
// ErrorMsg(key, "IO Status = " + text, row)
void ReportIOStatus(int32_t io_status, MessageKey key, int32_t row);

// A modal box with no owner window and only an OK button.
void ShowMessageBox(const char* text, const char* caption);
