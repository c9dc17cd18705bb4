// The system's own words for why a call failed, for the messages a user
// reads: strerror's text for the C library's errno, and on Windows
// FormatMessage's text for an error code.
#pragma once

#include <string>

std::string ErrnoText(int code);
#if defined(_WIN32)
// "The specified module could not be found. (error 126)"
std::string WindowsErrorText(unsigned long code);
#endif
