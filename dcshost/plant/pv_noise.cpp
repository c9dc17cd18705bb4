#include "dcshost/plant/pv_noise.h"

#include <cstdint>

PVNoise::PVNoise(const Scenario& scenario, const Wiring& wiring)
    : draws_(static_cast<uint32_t>(scenario.run.seed), DRAW_PV_NOISE)
{
    std::vector<int> noisy(scenario.plant.size(), -1);  // per block: into sigma_
    for (size_t b = 0; b < scenario.plant.size(); ++b) {
        if (!(scenario.plant[b].noise > 0.0)) continue;
        noisy[b] = static_cast<int>(sigma_.size());
        sigma_.push_back(scenario.plant[b].noise);
    }
    for (size_t row = 0; row < wiring.pv_source.size(); ++row) {
        const int source = wiring.pv_source[row];
        if (source < 0) continue;
        const PlantSource& from = wiring.sources[static_cast<size_t>(source)];
        if (from.kind != PlantSource::Block) continue;
        const int at = noisy[static_cast<size_t>(from.index)];
        if (at >= 0) rows_.push_back(Row{static_cast<int>(row), static_cast<size_t>(at)});
    }
    drawn_.assign(sigma_.size(), 0.0);
}

void PVNoise::Add(HostBlock& block)
{
    if (rows_.empty()) return;
    // One draw per block, in block order, whichever rows read it.
    for (size_t i = 0; i < sigma_.size(); ++i) drawn_[i] = sigma_[i] * draws_.Normal();
    for (const Row& r : rows_) block.PV(r.row).Value += drawn_[r.block];
}
