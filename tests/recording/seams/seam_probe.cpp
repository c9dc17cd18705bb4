// Imports as the driver does: the client library's ServiceEvents (by ordinal
// on Windows) and Sleep, called and taken by address.
#include "dcs/host/platform_ui.h"
#include "dcs/vendor/vnxapi.h"

#if defined(_WIN32)
#  define PROBE_EXPORT __declspec(dllexport)
#else
#  define PROBE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

PROBE_EXPORT int32_t ProbeServiceEvents() { return ServiceEvents(); }
PROBE_EXPORT void ProbeSleep(uint32_t milliseconds) { Sleep(milliseconds); }
PROBE_EXPORT void* ProbeSleepAddress() { return reinterpret_cast<void*>(&Sleep); }
// A word of data holding the address (an absolute relocation on Linux).
PROBE_EXPORT void* ProbeSleepWord = reinterpret_cast<void*>(&Sleep);
}
