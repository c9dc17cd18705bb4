// The nine exported entry points. Each takes the host's block, returns a 32-bit integer.
#pragma once

#include <cstdint>

#include "dcs/data/dcs_data.h"

#if defined(_WIN32)
#  define DCS_EXPORT extern "C"
#else
#  define DCS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

DCS_EXPORT int32_t DCSLoad(DCSData* data);
DCS_EXPORT int32_t DCSConfigure(DCSData* data);
DCS_EXPORT int32_t DCSInitialize(DCSData* data);
DCS_EXPORT int32_t DCSStart(DCSData* data);
DCS_EXPORT int32_t DCSStop(DCSData* data);
DCS_EXPORT int32_t DCSSimulate(DCSData* data);
DCS_EXPORT int32_t DCSTimeZero(DCSData* data);
DCS_EXPORT int32_t DCSReset(DCSData* data);
DCS_EXPORT int32_t DCSDestroy(DCSData* data);
