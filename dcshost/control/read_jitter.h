// When the driver's reads fall in a step: a real control system answers a
// read some time after the host's step, and its blocks go on scanning
// meanwhile. `[system] read_jitter_ms` makes each step's exchange that late
// (a seeded uniform draw per step), so every scan due by then has run.
#pragma once

#include "dcshost/control/seeded_draws.h"
#include "dcshost/scenario/scenario.h"

class ReadJitter {
public:
    explicit ReadJitter(const Scenario& scenario);
    // How late this step's exchange falls, s: below the step; 0 without jitter.
    double Next() { return most_ > 0.0 ? draws_.Uniform() * most_ : 0.0; }

private:
    double most_ = 0.0;  // s
    SeededDraws draws_;
};
