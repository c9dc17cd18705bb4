// A controller's mode as the control system holds it, given the same way in
// the summary, --json and the trends: the value and its name, from one table.
#pragma once

#include <string>

// "manual", "automatic", or for any other value what the simulated control
// system makes of it: "manual: not 1" (a block scans only in mode 1).
const char* ModeName(int mode);
// "1 (automatic)", "0 (manual)", "2 (manual: not 1)".
std::string ModeText(int mode);
// The block acts on its PV: mode 1 only.
inline bool ModeIsAutomatic(int mode) { return mode == 1; }
