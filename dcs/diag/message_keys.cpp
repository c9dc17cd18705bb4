#include "dcs/diag/message_keys.h"

// One row per key, in the order of MessageKey. The host's wording for a key
// uses its arguments by position, so a key's kinds never change.
// clang-format off
const MessageKeyEntry MessageKeys[MSG_KEY_COUNT] = {
    /* MSG_GENERAL_VENDOR_1         */ {"DCSGeneralVendorMsg1", ARGS_TEXT},          // which start-up failed
    /* MSG_GENERAL_VENDOR_2         */ {"DCSGeneralVendorMsg2", ARGS_TEXT_CONTEXT},  // status, what it was for
    /* MSG_GENERAL_CONFIG_ERROR     */ {"DCSGeneralConfigError", ARGS_TEXT_CONTEXT}, // fault, what it was for
    /* MSG_GEN_TAG_VENDOR           */ {"DCSGenTagVendorMsg", ARGS_TEXT_ROW},        // context, general field
    /* MSG_ARRAY_TAG_ERROR          */ {"DCSArrayTagError", ARGS_NONE},
    /* MSG_CTRL_TAG_FIELD_ERROR     */ {"DCSCtrlTagFieldError", ARGS_NONE},
    /* MSG_PV_TAG_FIELD_ERROR       */ {"DCSPVTagFieldError", ARGS_NONE},
    /* MSG_PVIMPORT_TAG_FIELD_ERROR */ {"DCSPVImportTagFieldError", ARGS_NONE},
    /* MSG_CTRL_VENDOR              */ {"DCSCtrlVendorMsg", ARGS_TEXT_ROW},          // status or context, row
    /* MSG_PV_VENDOR                */ {"DCSPVVendorMsg", ARGS_TEXT_ROW},
    /* MSG_PVIMPORT_VENDOR          */ {"DCSPVImportVendorMsg", ARGS_TEXT_ROW},
    /* MSG_CTRL_OP_VENDOR           */ {"DCSCtrlOPVendorMsg", ARGS_TEXT_ROW},        // mode writes too
    /* MSG_CTRL_SP_VENDOR           */ {"DCSCtrlSPVendorMsg", ARGS_TEXT_ROW},
};
// clang-format on
