// `dcshost generate --rows N FILE`: a scenario for scale runs with N rows in
// each of the three tables: N loops (first-order processes under PID
// blocks), N PV exports through one array tag, N imports (valve positions and
// controller modes).
#pragma once

#include <string>

std::string GenerateScaleScenario(int rows);
