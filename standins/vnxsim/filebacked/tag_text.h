// The file-backed control system's tag database, read from the text of its
// tag file (format and statuses in dcshost/README.md): one tag per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vnxsim {

// Where a tag text is refused and why. Line and column count from 1 (the
// column in characters); 0: not known (a text without a tag).
struct TagTextError {
    int line = 0;
    int column = 0;
    std::string why;
};

// Forgets every tag, then defines the text's. VNX_ST_OK, or the status
// ApiStartup answers, with `error`; nothing is left defined then.
int16_t DefineTagText(std::string_view text, TagTextError& error);

}  // namespace vnxsim
