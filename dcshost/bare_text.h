// What the scenario reader checks before the TOML library sees a file: TOML
// allows characters beyond ASCII only inside strings and comments, and the
// library's whitespace test meets some of them elsewhere with undefined
// behaviour (it reaches a point it marks unreachable).
#pragma once

#include <string>

#include "dcshost/scenario.h"

// True, with its place (column in characters), when a character beyond ASCII
// stands outside every string and comment.
bool FindBareNonAscii(const std::string& text, SourcePos& at);
