// Control API of our host interface library (libiface.so / iface.dll):
// heap accounting, injectable allocation failure and the message sink.
// Exported by name; the driver never calls these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dcs/host/iface.h"

// The two allocation families of the host heap.
#define IFACE_FAMILY_MALLOC 0  // IFace_malloc, _calloc, _realloc, _strdup / IFace_free
#define IFACE_FAMILY_NEW 1     // IFace_new / IFace_delete

struct IFaceHeapStats {
    int32_t live_blocks;  // allocated and not yet released
    int32_t live_bytes;
    int32_t allocations;  // successful allocations since the last reset
    int32_t releases;
    int32_t failures;      // allocations refused (injected failure, size overflow, no memory)
    int32_t bad_releases;  // releases of unknown blocks or through the wrong family
};

extern "C" {
IFACE_API void IFaceHeapGetStats(int32_t family, IFaceHeapStats* stats);
// Zero the counters (not the live blocks).
IFACE_API void IFaceHeapResetCounters(void);
// Fail the n-th allocation from now (1 = the next), of either family;
// n = -1 fails every allocation from now on; n = 0 disarms.
IFACE_API void IFaceHeapFailAllocation(int32_t n);
// 1 and the block's family and requested size when the block is live, else 0.
IFACE_API int32_t IFaceHeapBlockInfo(const void* block, int32_t* family, size_t* size);

// One ErrorMsg call as the host received it.
struct IFaceMessage {
    const char* key;
    int32_t argc;          // 0 to 2
    char kinds[2];         // 's' text, 'i' int
    const char* texts[2];  // for kind 's'
    int32_t ints[2];       // for kind 'i'
    const char* wording;   // the host's text with the arguments filled in
};
typedef void (*IFaceMessageSink)(const IFaceMessage* message, void* user);
// The sink receives every message (null: none). Messages also go to standard
// error unless echo is off.
IFACE_API void IFaceSetMessageSink(IFaceMessageSink sink, void* user);
IFACE_API void IFaceSetMessageEcho(int32_t on);
IFACE_API int32_t IFaceMessageCount(void);
}
