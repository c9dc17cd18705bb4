// The one write chain every writer pushes its rows through.
#pragma once

#include <cstdint>

#include "dcs/diag/message_keys.h"
#include "dcs/vendor/vnxapi.h"

// GetTagStatus -> SetTagValue(tag, 1, value, conversion) -> SendTag. The first
// non-zero status is reported under the key for the row and ends the chain.
// 1 when all three succeeded.
uint8_t WriteTagRow(VnxHandle tag, const void* value, int32_t conversion, MessageKey key,
                    int32_t row);
