#include "dcshost/console.h"

#include <cstdio>

namespace {

bool line_open = false;
size_t drawn = 0;  // length of the redrawn line

}  // namespace

void BreakProgressLine()
{
    if (!line_open) return;
    std::printf("\n");
    std::fflush(stdout);
    line_open = false;
}

void DrawProgressLine(const std::string& text, bool terminal, bool final_line)
{
    if (terminal) {
        // Blanks over what a longer earlier text left behind.
        size_t pad = line_open && drawn > text.size() ? drawn - text.size() : 0;
        std::printf("\r%s%*s", text.c_str(), static_cast<int>(pad), "");
        drawn = text.size();
        line_open = true;
        if (final_line) BreakProgressLine();
    } else {
        BreakProgressLine();
        std::printf("%s\n", text.c_str());
    }
    std::fflush(stdout);
}
