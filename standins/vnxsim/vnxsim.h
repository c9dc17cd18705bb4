// Control API of the simulated Vornak control system (libVNXAPIWX.so /
// VNXAPIWX.dll), exported by name next to the client library's own
// operations (dcs/vendor/vnxapi.h); the driver never calls it. Tests and
// dcshost build the tag database, script faults, advance time and read the
// trace with it. Deterministic: no threads, no wall clock; time moves only
// in VnxSimAdvance. How it answers each client operation: docs/vnxsim.md.
#pragma once

#include <cstdint>

#include "dcs/vendor/vnxapi.h"

#if defined(_WIN32) && defined(VNXAPI_BUILDING)
#  define VNXSIM_API extern "C"  // each DLL's .def says what leaves it
#elif defined(_WIN32)
#  define VNXSIM_API extern "C" __declspec(dllimport)
#else
#  define VNXSIM_API extern "C" __attribute__((visibility("default")))
#endif

// Operation codes are the client library's ordinals.
enum VnxOp {
    VNX_OP_DataServicesStartup = 2,
    VNX_OP_DataServicesShutdown = 3,
    VNX_OP_ServiceEvents = 5,
    VNX_OP_OpenTag = 6,
    VNX_OP_CloseTag = 7,
    VNX_OP_ValidateTagName = 10,
    VNX_OP_CreateTagList = 13,
    VNX_OP_AddTagToList = 15,
    VNX_OP_RemoveTagFromList = 16,
    VNX_OP_ListRewind = 18,
    VNX_OP_ListFirst = 19,
    VNX_OP_ListNext = 20,
    VNX_OP_GetTagValue = 28,
    VNX_OP_GetTagDataType = 31,
    VNX_OP_GetIOStatus = 32,
    VNX_OP_GetDataQuality = 33,
    VNX_OP_SetTagValue = 37,
    VNX_OP_GetTagStatus = 38,
    VNX_OP_ReadTagList = 39,
    VNX_OP_SendTag = 40,
    VNX_OP_ApiStartup = 57,
    VNX_OP_ApiShutdown = 58,
    VNX_OP_GetArrayDims = 106,
    VNX_OP_GetArrayLowerBound = 108,
    VNX_OP_GetArrayUpperBound = 109,
    VNX_OP_SetArrayElement = 120,
    VNX_OP_MAX = 121
};

// Kinds of open handle.
enum VnxHandleKind { VNX_KIND_TAG = 0, VNX_KIND_ITEM = 1, VNX_KIND_LIST = 2 };

// Status codes the simulated library answers with when nothing is injected.
#define VNX_ST_OK 0
#define VNX_ST_TAG_NAME_INVALID 5
#define VNX_ST_INVALID_CONVERSION 17
#define VNX_ST_INVALID_TAG_TYPE 32
#define VNX_ST_API_NOT_INITIALIZED 33
#define VNX_ST_INVALID_POINTER 34
#define VNX_ST_INVALID_HANDLE 42
#define VNX_ST_NOT_ARRAY 43
#define VNX_ST_INVALID_PARAMETER 253
#define VNX_ST_FAILURE 254

// ---- Tag database -----------------------------------------------------------
// All definition calls return 0, or a non-zero status: 5 for a name that
// ValidateTagName would refuse, 253 for a duplicate or unknown name or a bad
// argument. Names are case-sensitive.

// Forget everything: tags, handles, lists, faults, trace, counters, time;
// the API is stopped.
VNXSIM_API void VnxSimReset(void);

VNXSIM_API int32_t VnxSimDefineFloat(const char* name, float value);  // data type 11
VNXSIM_API int32_t VnxSimDefineInt(const char* name, int32_t value);  // data type 128
// A one-dimensional float array with the given bounds, every element = value.
// upper = lower - 1 gives an array without elements.
VNXSIM_API int32_t VnxSimDefineArray(const char* name, int16_t lower, int16_t upper, float value);
// Override what GetTagDataType answers (any code) and what GetArrayDims answers.
VNXSIM_API int32_t VnxSimSetDataType(const char* name, int32_t data_type);
VNXSIM_API int32_t VnxSimSetArrayDims(const char* name, int16_t dims);

// Committed values (what a list read or a PID block sees). index 0 for scalars,
// from 0 at the lower bound for arrays. Converted as the client library does.
VNXSIM_API int32_t VnxSimSetFloat(const char* name, int32_t index, float value);
VNXSIM_API int32_t VnxSimSetInt(const char* name, int32_t index, int32_t value);
VNXSIM_API int32_t VnxSimGetFloat(const char* name, int32_t index, float* value);
VNXSIM_API int32_t VnxSimGetInt(const char* name, int32_t index, int32_t* value);
// How many SendTag commits reached this tag (-1: unknown name).
VNXSIM_API int32_t VnxSimSendCount(const char* name);

// Per-tag condition: IO status (1 good), data quality (0 good) and the tag
// status GetTagStatus answers (0 usable).
VNXSIM_API int32_t VnxSimSetIOStatus(const char* name, int32_t io_status);
VNXSIM_API int32_t VnxSimSetQuality(const char* name, int32_t quality);
VNXSIM_API int32_t VnxSimSetTagStatus(const char* name, int16_t status);

// ---- Faults -----------------------------------------------------------------
// A scripted result for one operation: the first `skip` matching calls run
// normally, the next `count` calls (-1: all) answer `result` instead and have
// no effect. `name` selects calls on tags or items of that tag name (for
// OpenTag, ValidateTagName, AddTagToList: the name argument); null matches
// every call of the operation. For handle results, result 0 is a null handle
// and anything else that value as a (made-up) handle.
// Every rule that matches a call counts it; the earliest-defined rule whose
// window covers the call answers. A call answered by the count-down fault is
// not seen by the rules. An answered call has no effect whatever it is: a
// CloseTag or RemoveTagFromList answered this way closes or removes nothing
// (the handle stays open and counted), an OpenTag opens nothing.
// Returns a rule id > 0, or 0 for an unknown operation or bad skip/count.
VNXSIM_API int32_t VnxSimInject(int32_t op, const char* name, int32_t result, int32_t skip,
                                int32_t count);
// The same rule for a list (ReadTagList, ListRewind, ListFirst, ListNext,
// AddTagToList, RemoveTagFromList on that list). 0 for other operations.
VNXSIM_API int32_t VnxSimInjectList(int32_t op, VnxHandle list, int32_t result, int32_t skip,
                                    int32_t count);
// How many calls the rule with this id answered (those it only counted while
// an earlier rule answered are not among them); -1 for an unknown id. Ids
// start again from 1 after VnxSimClearFaults.
VNXSIM_API int32_t VnxSimAnswered(int32_t rule);
// Count-down fault: the n-th client-library call from now (1 = the next one)
// fails the way its operation can fail: a failure status, a null handle,
// IO status 0, data quality 1, data type 129, a bad array shape. n = 0 disarms.
// Status operations answer 254, handle operations null, ServiceEvents -1,
// GetArrayDims 2, GetArrayLowerBound 1, GetArrayUpperBound -1. Like a
// scripted answer it has no effect: a failed CloseTag leaves the handle open.
VNXSIM_API void VnxSimFailNthCall(int32_t n);
// The control system restarts under a running client: every handle it issued
// (tags, items, lists) goes stale and is no longer counted open; tags, values
// and the API's state stay as they are.
VNXSIM_API void VnxSimRestart(void);
// 1 once the armed count-down fault has fired.
VNXSIM_API int32_t VnxSimFaultFired(void);
VNXSIM_API void VnxSimClearFaults(void);

// ---- Handles and counters ---------------------------------------------------
// Handles of this kind still open (tags and items until CloseTag; lists live
// until the API run that made them ends with ApiShutdown). -1 for a bad kind.
VNXSIM_API int32_t VnxSimOpenCount(int32_t kind);
VNXSIM_API int32_t VnxSimApiRunning(void);
// Client-library calls since reset: all of them, or one operation's.
VNXSIM_API int32_t VnxSimCallsTotal(void);
VNXSIM_API int32_t VnxSimCallCount(int32_t op);

// ---- Trace ------------------------------------------------------------------
// Off by default. Every client-library call appends one line such as
//   OpenTag("FIC101.SP") = tag:FIC101.SP
//   SetTagValue(tag:FIC101.MODE, 1, int 1, 12) = 0
//   SetArrayElement(tag:PVARR, 3, 1, float 42.5, 9) = 0
//   GetTagValue(item:FIC101.OP, 0, float 35, 9, 0, 0) = 0
//   ReadTagList(list:1) = 0
//   AddTagToList(list:2, "FIC101.OP") = item:FIC101.OP
// Handles print as kind:tag-name (lists as list:N in order of creation,
// 0 for null, stale:0x... for unknown handles). Written bytes print by the
// conversion code: float for 9, int for 12, hex bytes otherwise
// ("hex 0000803f", memory order); 0 for a null pointer. Floats print as the
// shortest text that reads back to the same float. GetTagValue shows what
// it wrote to the buffer, "-" when it wrote nothing. Name arguments print
// quoted, with quote, backslash and non-printable bytes escaped. The
// context slot of DataServicesStartup prints as slot (0 when null).
VNXSIM_API void VnxSimTraceEnable(int32_t on);
VNXSIM_API void VnxSimTraceClear(void);
VNXSIM_API int32_t VnxSimTraceCount(void);
// Copies line i (0-based) into buf (cut to size - 1, NUL-terminated); returns
// the line's full length, or -1 past the end.
VNXSIM_API int32_t VnxSimTraceLine(int32_t i, char* buf, int32_t size);

// ---- Process behaviour ------------------------------------------------------
// A PID function block scanning every `scan` seconds of simulated time on
// the SP, OP, mode and Init tags it names; its control law, modes and
// limits: docs/vnxsim.md.
struct VnxSimPid {
    const char* name;
    const char* sp_tag;
    const char* op_tag;
    const char* mode_tag;
    const char* sp_init_tag;
    const char* op_init_tag;
    const char* pv_tag;
    int32_t pv_index;
    double kp;  // gain, % of OP per unit of error
    double ti;  // integral time, s (0: no integral)
    double td;  // derivative time, s
    double op_lo;
    double op_hi;
    double scan;  // s
};
// 0, or 253: a name already taken, a missing or unsuitable tag (the five
// control tags scalar, the PV an array element in range or a scalar), a
// negative ti or td, op_lo > op_hi, scan <= 0, or a value not finite.
VNXSIM_API int32_t VnxSimDefinePid(const VnxSimPid* pid);
// The block scans on its own clock from now on: scan k (from 0) at
// (time of definition) + phase + k * scan, as a system whose scans are not
// aligned with the host's steps. 0, or 253: no such block, one that has
// scanned already, or a phase not within 0 <= phase < scan.
VNXSIM_API int32_t VnxSimSetPidPhase(const char* name, double phase);
// Advance simulated time; every block scans as often as its period fits,
// blocks in the order their scans fall due. Not positive or not finite:
// nothing happens.
VNXSIM_API void VnxSimAdvance(double seconds);
VNXSIM_API double VnxSimTime(void);

// Called after every client-library call (op code, call number) — dcshost
// uses it to show progress while the driver waits. Calls the hook makes to
// the library are counted and traced but do not run the hook again.
typedef void (*VnxSimCallHook)(int32_t op, int32_t call_number, void* user);
VNXSIM_API void VnxSimSetCallHook(VnxSimCallHook hook, void* user);

// Called for every value SetTagValue or SetArrayElement takes (answered 0),
// with the tag's name, the element index (0 for a scalar), the conversion
// code and the value as the caller passed it, before the tag's storage
// rounds it: dcshost judges what the host sent by it. Null: none.
typedef void (*VnxSimWriteObserver)(const char* tag, int32_t index, int32_t conversion,
                                    double value, void* user);
VNXSIM_API void VnxSimSetWriteObserver(VnxSimWriteObserver observer, void* user);
