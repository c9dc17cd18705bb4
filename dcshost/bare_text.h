// What the scenario reader checks before the TOML library sees a file: the
// library's whitespace test meets some characters beyond ASCII with undefined
// behaviour (it reaches a point it marks unreachable), and it runs that test
// on every character outside strings and comments, on every character of a
// bare value it scans up to a terminator, and after a backslash in a
// multi-line string. Only characters inside strings and comments get through.
#pragma once

#include <string>

#include "dcshost/scenario.h"

// The reason, with its place (column in characters), when a character beyond
// ASCII stands where the library would test it; null when there is none.
const char* FindBareNonAscii(const std::string& text, SourcePos& at);
