// Tag binding: starts the client library and binds every tag the block names.
#pragma once

#include "dcs/data/columns.h"
#include "dcs/data/dcs_data.h"
#include "dcs/diag/message_keys.h"
#include "dcs/link/driver_state.h"

// Settle after start-up: this many ServiceEvents, each followed by a sleep.
#define SETTLE_ROUNDS 10
#define SETTLE_SLEEP_MS 1000
// Status queries the array tag may take beyond the first before binding gives up.
#define ARRAY_STATUS_RETRIES 1000

// DCSConfigure's work: 1 when everything is bound, 0 after a failure (the
// driver state is then already released).
int32_t ConfigureDriver(DCSData* data);

// Row counts outside 0..MAXDCSROWS: a box for each, 0 when any was refused.
uint8_t CheckRowCounts(DCSData* data);

// The PV export array tag of general field 0, with a shape that holds every PV row.
uint8_t ConfigArrayTags(DCSData* data);
// The three row phases. Controllers stop at the first failing tag; PV and PV
// import rows are all tried, and the phase fails if any row failed.
uint8_t BindCtrlTags(DCSData* data);
uint8_t BindPVTags(DCSData* data);
uint8_t BindPVImportTags(DCSData* data);
// One controller tag: ValidateTagName, OpenTag into *slot, GetTagStatus.
uint8_t ConfigCtrlTag(DCSData* data, int32_t row, int32_t col, VnxHandle* slot,
                      const char* context);
// The same for any one tag name; reports under key with the row.
uint8_t BindRowTag(const char* name, MessageKey key, int32_t row, const char* context,
                   VnxHandle* slot);

// Every tag name of the table's rows present and not empty.
uint8_t CheckCtrlTagFields(DCSData* data);
uint8_t CheckPVTagFields(DCSData* data);
uint8_t CheckPVImportTagFields(DCSData* data);

// Tag names as binding reads them: null where the block has no such cell
// (no row array, no cells, no definitions, or not a text column).
const char* ArrayTagName(DCSData* data);
const char* CtrlTagName(DCSData* data, int32_t row, int32_t col);
const char* PVTagName(DCSData* data, int32_t row, int32_t col);
const char* PVImportTagName(DCSData* data, int32_t row, int32_t col);

// The SP, OP and PV import lists, each holding its table's rows in row order.
void BuildTagLists(DCSData* data);
