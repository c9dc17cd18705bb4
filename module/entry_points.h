// The nine entry points a host calls on a driver module, one row each: its id,
// the name the module exports it by (DCS + NAME, which a recording writes
// too), and its place among a loaded module's entry points.
#pragma once

#include <cstdint>

#include "dcs/data/dcs_data.h"

// ID, NAME
#define DRIVER_ENTRY_POINTS(X) \
  X(LOAD, Load)                \
  X(CONFIGURE, Configure)      \
  X(INITIALIZE, Initialize)    \
  X(START, Start)              \
  X(STOP, Stop)                \
  X(SIMULATE, Simulate)        \
  X(TIME_ZERO, TimeZero)       \
  X(RESET, Reset)              \
  X(DESTROY, Destroy)

enum RecordEntryId {
#define DRIVER_ENTRY_ID(id, name) REC_##id,
    DRIVER_ENTRY_POINTS(DRIVER_ENTRY_ID)
#undef DRIVER_ENTRY_ID
        REC_ENTRY_COUNT
};

inline constexpr const char* RecordEntryNames[REC_ENTRY_COUNT] = {
#define DRIVER_ENTRY_NAME(id, name) "DCS" #name,
    DRIVER_ENTRY_POINTS(DRIVER_ENTRY_NAME)
#undef DRIVER_ENTRY_NAME
};

typedef int32_t (*DCSEntryPoint)(DCSData*);

struct DriverEntryPoints {
#define DRIVER_ENTRY_SLOT(id, name) DCSEntryPoint name = nullptr;
    DRIVER_ENTRY_POINTS(DRIVER_ENTRY_SLOT)
#undef DRIVER_ENTRY_SLOT
};

// By RecordEntryId: where a loaded module's entry point is kept.
inline constexpr DCSEntryPoint DriverEntryPoints::*kEntrySlots[REC_ENTRY_COUNT] = {
#define DRIVER_ENTRY_PLACE(id, name) &DriverEntryPoints::name,
    DRIVER_ENTRY_POINTS(DRIVER_ENTRY_PLACE)
#undef DRIVER_ENTRY_PLACE
};
