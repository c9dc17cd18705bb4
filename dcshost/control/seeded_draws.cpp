#include "dcshost/control/seeded_draws.h"

#include <cmath>

SeededDraws::SeededDraws(uint32_t seed, uint32_t stream)
{
    std::seed_seq seq{seed, stream};
    engine_.seed(seq);
}

SeededDraws SeededDraws::WithEngineSeed(uint64_t seed)
{
    SeededDraws draws;
    draws.engine_.seed(seed);
    return draws;
}

double SeededDraws::Uniform()
{
    // The top 53 bits: every double of [0, 1) at 2^-53 apart.
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

double SeededDraws::Normal()
{
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    const double kTwoPi = 6.283185307179586;
    const double u1 = 1.0 - Uniform();  // (0, 1]: its log is finite
    const double u2 = Uniform();
    const double r = std::sqrt(-2.0 * std::log(u1));
    spare_ = r * std::sin(kTwoPi * u2);
    has_spare_ = true;
    return r * std::cos(kTwoPi * u2);
}
