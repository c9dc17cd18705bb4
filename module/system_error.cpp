#include "module/system_error.h"

#include <cstring>

#if defined(_WIN32)
#  include <windows.h>
#endif

std::string ErrnoText(int code) { return std::strerror(code); }

#if defined(_WIN32)
std::string WindowsErrorText(unsigned long code)
{
    char text[512] = "";
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    // The text ends in a line break.
    while (length > 0 &&
           (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
    std::string number = "error " + std::to_string(code);
    return length > 0 ? std::string(text) + " (" + number + ")" : number;
}
#endif
