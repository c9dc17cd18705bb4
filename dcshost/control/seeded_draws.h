// Random draws that a run repeats exactly from its seed, on Linux and on
// Windows: the engine is std::mt19937_64, whose numbers the standard fixes;
// the uniform and normal draws are made here, as the library's
// distributions differ between library builds.
#pragma once

#include <cstdint>
#include <random>

class SeededDraws {
public:
    // `stream` keeps one use's draws apart from another's: adding read
    // jitter to a scenario leaves its noise as it was.
    SeededDraws(uint32_t seed = 1, uint32_t stream = 0);
    // The engine seeded with `seed` itself and no stream: a calibration
    // case's draws, numbered by its seed and tier.
    static SeededDraws WithEngineSeed(uint64_t seed);
    double Uniform();  // in [0, 1)
    double Normal();   // mean 0, deviation 1 (Box-Muller)

private:
    std::mt19937_64 engine_;
    double spare_ = 0.0;
    bool has_spare_ = false;
};

// The streams of a run's draws.
enum DrawStream : uint32_t { DRAW_READ_JITTER = 1, DRAW_PV_NOISE = 2 };
