// Measurement noise on the PVs the plant exports: for each [[plant.block]]
// with `noise` (sigma), one seeded Gaussian draw per step, added to every PV
// row that reads the block. The block's output itself, which the process and
// other blocks see, stays undisturbed.
#pragma once

#include <vector>

#include "dcshost/control/seeded_draws.h"
#include "dcshost/plant/wiring.h"

class PVNoise {
public:
    PVNoise() = default;
    // Each noisy row resolved to its block once, never on a step.
    PVNoise(const Scenario& scenario, const Wiring& wiring);
    // After the PVs are exported: this step's noise onto the rows.
    void Add(HostBlock& block);

private:
    struct Row {
        int row;
        size_t block;  // into sigma_
    };
    std::vector<double> sigma_;  // per noisy block
    std::vector<double> drawn_;  // this step's, per noisy block
    std::vector<Row> rows_;
    SeededDraws draws_;
};
