// The catalogue of message keys the driver hands to the host's ErrorMsg, each
// with the one kind of arguments it always takes, so that the host's text for
// a key can use its arguments by position. Senders name keys by this index.
#pragma once

#include <cstdint>

enum MessageArgs : uint8_t {
    ARGS_NONE,          // the key alone
    ARGS_TEXT,          // one text
    ARGS_TEXT_ROW,      // a text, then an int (the 0-based row, or a field index)
    ARGS_TEXT_CONTEXT,  // a text, then a context text
};

enum MessageKey : uint8_t {
    MSG_GENERAL_VENDOR_1,          // "DCSGeneralVendorMsg1"      start-up failures
    MSG_GENERAL_VENDOR_2,          // "DCSGeneralVendorMsg2"      array tag, array, tag lists
    MSG_GENERAL_CONFIG_ERROR,      // "DCSGeneralConfigError"     array shape
    MSG_GEN_TAG_VENDOR,            // "DCSGenTagVendorMsg"        no handle for the array tag
    MSG_ARRAY_TAG_ERROR,           // "DCSArrayTagError"          array tag name missing
    MSG_CTRL_TAG_FIELD_ERROR,      // "DCSCtrlTagFieldError"      controller name missing
    MSG_PV_TAG_FIELD_ERROR,        // "DCSPVTagFieldError"        PV name missing
    MSG_PVIMPORT_TAG_FIELD_ERROR,  // "DCSPVImportTagFieldError"  PV import name missing
    MSG_CTRL_VENDOR,               // "DCSCtrlVendorMsg"          controller binding
    MSG_PV_VENDOR,                 // "DCSPVVendorMsg"            PV binding and writes
    MSG_PVIMPORT_VENDOR,           // "DCSPVImportVendorMsg"      PV import binding, reads, writes
    MSG_CTRL_OP_VENDOR,            // "DCSCtrlOPVendorMsg"        OP reads, OP Init and mode writes
    MSG_CTRL_SP_VENDOR,            // "DCSCtrlSPVendorMsg"        SP reads, SP Init writes
    MSG_KEY_COUNT
};

struct MessageKeyEntry {
    const char* name;
    MessageArgs args;
};

extern const MessageKeyEntry MessageKeys[MSG_KEY_COUNT];
