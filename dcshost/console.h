// Standard output as the progress line shares it. On a terminal that line is
// redrawn in place; a line printed while it is open would land at its end,
// so whoever prints ends it first.
#pragma once

#include <string>

// On a terminal, text over the progress line (blanking what a longer earlier
// text left), the line ended when final_line; otherwise a line of its own.
void DrawProgressLine(const std::string& text, bool terminal, bool final_line);
// Ends the progress line when one is open.
void BreakProgressLine();
