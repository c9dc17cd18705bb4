// The record behind both message-box/sleep doubles (the library with
// libwinshim.so's soname, and the driver's platform calls replaced in a test
// process): every box and sleep is kept and the call returns at once, as if
// the user had pressed OK.
#include "standins/winshim/winshim_double.h"

#include <deque>
#include <string>

namespace {

struct Box {
    std::string text;
    std::string caption;
    uint32_t type;
};

constexpr int kIdOk = 1;

// A deque keeps every recorded string where it is until the reset.
std::deque<Box> g_boxes;
int32_t g_sleeps = 0;
uint32_t g_slept_ms = 0;

const Box* BoxAt(int32_t i)
{
    if (i < 0 || static_cast<size_t>(i) >= g_boxes.size()) return nullptr;
    return &g_boxes[static_cast<size_t>(i)];
}

}  // namespace

WINSHIM_API int WinShimRecordBox(void* /*owner*/, const char* text, const char* caption,
                                 unsigned int type)
{
    g_boxes.push_back(Box{text ? text : "", caption ? caption : "", type});
    return kIdOk;
}

WINSHIM_API void WinShimRecordSleep(uint32_t milliseconds)
{
    g_sleeps++;
    g_slept_ms += milliseconds;
}

WINSHIM_API int32_t WinShimBoxCount(void) { return static_cast<int32_t>(g_boxes.size()); }

// Out of range: null.
WINSHIM_API const char* WinShimBoxText(int32_t i)
{
    const Box* box = BoxAt(i);
    return box ? box->text.c_str() : nullptr;
}

WINSHIM_API const char* WinShimBoxCaption(int32_t i)
{
    const Box* box = BoxAt(i);
    return box ? box->caption.c_str() : nullptr;
}

WINSHIM_API uint32_t WinShimBoxType(int32_t i)
{
    const Box* box = BoxAt(i);
    return box ? box->type : 0;
}

WINSHIM_API int32_t WinShimSleepCount(void) { return g_sleeps; }

WINSHIM_API uint32_t WinShimSleepTotal(void) { return g_slept_ms; }

WINSHIM_API void WinShimReset(void)
{
    g_boxes.clear();
    g_sleeps = 0;
    g_slept_ms = 0;
}
