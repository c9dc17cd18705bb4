#include "dcshost/control/read_jitter.h"

#include <cstdint>

ReadJitter::ReadJitter(const Scenario& scenario)
    : most_(scenario.read_jitter_ms / 1000.0),
      draws_(static_cast<uint32_t>(scenario.run.seed), DRAW_READ_JITTER)
{}
