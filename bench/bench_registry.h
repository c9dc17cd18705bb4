// Benchmark families and their names: OP/side/rows, side "driver" or "floor".
#pragma once

#include <string>

#include <benchmark/benchmark.h>

#include "bench/scene.h"

inline std::string BenchName(const char* op, Side side)
{
    return std::string(op) + (side == Side::kDriver ? "/driver" : "/floor");
}

void RegisterExchangeBenchmarks();
void RegisterLifecycleBenchmarks();
void RegisterRecordingBenchmarks();
