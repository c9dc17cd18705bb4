// What a pass costs besides time: client-library calls, list reads, sends and
// host-heap allocations, read before and after and reported per pass.
#pragma once

#include <cstdint>

#include <benchmark/benchmark.h>

struct CallCounts {
    int64_t calls = 0;
    int64_t list_reads = 0;
    int64_t sends = 0;
    int64_t host_allocations = 0;  // both families of the host heap

    CallCounts& operator+=(const CallCounts& other);
};
CallCounts operator-(const CallCounts& after, const CallCounts& before);

CallCounts ReadCounts();

// What a pass must cost; -1: not checked.
struct Expected {
    int64_t list_reads = -1;
    int64_t sends = -1;
    int64_t host_allocations = 0;
};

// Sets the per-pass counters on the benchmark and checks them: a mismatch
// fails the benchmark (and with it the run) with the figures in the message.
void ReportPerPass(benchmark::State& state, const CallCounts& total, int32_t rows,
                   const Expected& expected);
