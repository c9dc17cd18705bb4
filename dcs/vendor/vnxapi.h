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

// The library's calling convention, held here alone: cdecl, or stdcall when
// configured with -DVNX_STDCALL=ON. The names stay undecorated either way
// (stdcall on Windows would add "@<bytes>"), so one .def serves both.
#if defined(VNX_STDCALL)
#  define VNXCALL __attribute__((stdcall))
#  if defined(_WIN32)
#    define VNXNAME(name) __asm__("_" #    name)
#  else
#    define VNXNAME(name)
#  endif
#else
#  define VNXCALL
#  define VNXNAME(name)
#endif

extern "C" {
VNXAPI int16_t VNXCALL ApiStartup(void) VNXNAME(ApiStartup);                                  // 57
VNXAPI int16_t VNXCALL DataServicesStartup(void* context_slot) VNXNAME(DataServicesStartup);  // 2
VNXAPI int32_t VNXCALL ServiceEvents(void) VNXNAME(ServiceEvents);                            // 5
VNXAPI int16_t VNXCALL DataServicesShutdown(void) VNXNAME(DataServicesShutdown);              // 3
VNXAPI int16_t VNXCALL ApiShutdown(void) VNXNAME(ApiShutdown);                                // 58
VNXAPI int16_t VNXCALL ValidateTagName(const char* name) VNXNAME(ValidateTagName);            // 10
VNXAPI VnxHandle VNXCALL OpenTag(const char* name) VNXNAME(OpenTag);                          // 6
VNXAPI int16_t VNXCALL CloseTag(VnxHandle tag_or_item) VNXNAME(CloseTag);                     // 7
VNXAPI int16_t VNXCALL GetTagStatus(VnxHandle tag) VNXNAME(GetTagStatus);                     // 38
VNXAPI int16_t VNXCALL SetTagValue(VnxHandle tag, int32_t count, const void* value,
                                   int32_t conversion) VNXNAME(SetTagValue);  // 37
VNXAPI int16_t VNXCALL SetArrayElement(VnxHandle tag, int32_t index, int32_t count,
                                       const void* value,
                                       int32_t conversion) VNXNAME(SetArrayElement);  // 120
VNXAPI int16_t VNXCALL SendTag(VnxHandle tag) VNXNAME(SendTag);                       // 40
VNXAPI VnxHandle VNXCALL CreateTagList(void) VNXNAME(CreateTagList);                  // 13
VNXAPI VnxHandle VNXCALL AddTagToList(VnxHandle list, const char* name)
    VNXNAME(AddTagToList);  // 15
VNXAPI int16_t VNXCALL RemoveTagFromList(VnxHandle list,
                                         VnxHandle item) VNXNAME(RemoveTagFromList);  // 16
VNXAPI int16_t VNXCALL ListRewind(VnxHandle list) VNXNAME(ListRewind);                // 18
VNXAPI VnxHandle VNXCALL ListFirst(VnxHandle list) VNXNAME(ListFirst);                // 19
VNXAPI VnxHandle VNXCALL ListNext(VnxHandle list) VNXNAME(ListNext);                  // 20
VNXAPI int16_t VNXCALL ReadTagList(VnxHandle list) VNXNAME(ReadTagList);              // 39
VNXAPI int16_t VNXCALL GetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                                   int32_t reserved1, int32_t reserved2)
    VNXNAME(GetTagValue);                                                                      // 28
VNXAPI int32_t VNXCALL GetTagDataType(VnxHandle item) VNXNAME(GetTagDataType);                 // 31
VNXAPI int32_t VNXCALL GetIOStatus(VnxHandle item, int32_t index) VNXNAME(GetIOStatus);        // 32
VNXAPI int32_t VNXCALL GetDataQuality(VnxHandle item, int32_t index) VNXNAME(GetDataQuality);  // 33
VNXAPI int16_t VNXCALL GetArrayDims(VnxHandle tag) VNXNAME(GetArrayDims);  // 106
VNXAPI int16_t VNXCALL GetArrayLowerBound(VnxHandle tag,
                                          int32_t dimension) VNXNAME(GetArrayLowerBound);  // 108
VNXAPI int16_t VNXCALL GetArrayUpperBound(VnxHandle tag,
                                          int32_t dimension) VNXNAME(GetArrayUpperBound);  // 109
}
