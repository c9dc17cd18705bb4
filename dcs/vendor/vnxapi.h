// The control system's client library, VNXAPIWX. Windows imports it by ordinal
// only (see platform/win32/VNXAPIWX.def); Linux by these C names.
#pragma once

#include <cstdint>

typedef void* VnxHandle;  // tag, list or item; null means none

// Conversion codes.
#define VNX_CONV_FLOAT 9
#define VNX_CONV_INT 12
// Data types.
#define VNX_TYPE_FLOAT 11
#define VNX_TYPE_INT 128

#if defined(_WIN32)
#  define VNXAPI  // exported by ordinal through a .def file
#else
#  define VNXAPI __attribute__((visibility("default")))
#endif

extern "C" {
VNXAPI int16_t ApiStartup(void);                                   // 57
VNXAPI int16_t DataServicesStartup(void* context_slot);           // 2
VNXAPI int32_t ServiceEvents(void);                               // 5
VNXAPI int16_t DataServicesShutdown(void);                        // 3
VNXAPI int16_t ApiShutdown(void);                                 // 58
VNXAPI int16_t ValidateTagName(const char* name);                 // 10
VNXAPI VnxHandle OpenTag(const char* name);                       // 6
VNXAPI int16_t CloseTag(VnxHandle tag_or_item);                   // 7
VNXAPI int16_t GetTagStatus(VnxHandle tag);                       // 38
VNXAPI int16_t SetTagValue(VnxHandle tag, int32_t count, const void* value, int32_t conversion);  // 37
VNXAPI int16_t SetArrayElement(VnxHandle tag, int32_t index, int32_t count, const void* value,
                               int32_t conversion);               // 120
VNXAPI int16_t SendTag(VnxHandle tag);                            // 40
VNXAPI VnxHandle CreateTagList(void);                             // 13
VNXAPI VnxHandle AddTagToList(VnxHandle list, const char* name);  // 15
VNXAPI int16_t RemoveTagFromList(VnxHandle list, VnxHandle item); // 16
VNXAPI int16_t ListRewind(VnxHandle list);                        // 18
VNXAPI VnxHandle ListFirst(VnxHandle list);                       // 19
VNXAPI VnxHandle ListNext(VnxHandle list);                        // 20
VNXAPI int16_t ReadTagList(VnxHandle list);                       // 39
VNXAPI int16_t GetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                           int32_t reserved1, int32_t reserved2); // 28
VNXAPI int32_t GetTagDataType(VnxHandle item);                    // 31
VNXAPI int32_t GetIOStatus(VnxHandle item, int32_t index);        // 32
VNXAPI int32_t GetDataQuality(VnxHandle item, int32_t index);     // 33
VNXAPI int16_t GetArrayDims(VnxHandle tag);                       // 106
VNXAPI int16_t GetArrayLowerBound(VnxHandle tag, int32_t dimension);  // 108
VNXAPI int16_t GetArrayUpperBound(VnxHandle tag, int32_t dimension);  // 109
}
