// Wiring that runs but cannot work, found before the run: a block of the
// control system whose PV the host does not write on every step, an import
// read from a tag nothing writes. Only for a scenario that defines the
// control system: a real one's wiring is not known.
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

// "warning: ..." lines, one per block or row, each saying why.
std::vector<std::string> WiringWarnings(const Scenario& scenario);
