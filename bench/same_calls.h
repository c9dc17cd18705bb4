// The floor is only a floor if it makes the driver's calls: the same
// operations, arguments and results, in the same order. Checked once per
// operation and size by comparing the simulated control system's traces.
#pragma once

#include <cstdint>
#include <string>

#include "bench/scene.h"

enum class Op { kSimulateArray, kSimulatePerTag, kConfigure, kReset, kInitialize };

// Runs `op` once on a fresh scene of each side with the trace on. Empty when
// both traces are equal, else where they part. Remembers what it has checked.
std::string CompareWithFloor(Op op, int32_t rows);

// Puts the scene in the state `op` starts from (bound, or unbound for
// DCSConfigure, with the array tag's status to match) and runs it once.
void PrepareOp(Scene& scene, Op op);
void RunOp(Scene& scene, Op op);
