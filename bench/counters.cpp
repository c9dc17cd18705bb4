#include "bench/counters.h"

#include <string>

#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

int64_t HostAllocations()
{
    int64_t n = 0;
    for (int32_t family : {IFACE_FAMILY_MALLOC, IFACE_FAMILY_NEW}) {
        IFaceHeapStats stats{};
        IFaceHeapGetStats(family, &stats);
        n += stats.allocations + stats.failures;  // a refused allocation was still asked for
    }
    return n;
}

// Counts are whole per pass; a fraction means the passes differed.
bool Matches(int64_t total, int64_t passes, int64_t expected)
{
    return expected < 0 || total == expected * passes;
}

std::string Mismatch(const char* what, int64_t total, int64_t passes, int64_t expected)
{
    return std::string(what) + " " + std::to_string(total) + " in " + std::to_string(passes) +
           " passes, expected " + std::to_string(expected) + " per pass; ";
}

}  // namespace

CallCounts& CallCounts::operator+=(const CallCounts& o)
{
    calls += o.calls;
    list_reads += o.list_reads;
    sends += o.sends;
    host_allocations += o.host_allocations;
    return *this;
}

CallCounts operator-(const CallCounts& a, const CallCounts& b)
{
    CallCounts d;
    d.calls = a.calls - b.calls;
    d.list_reads = a.list_reads - b.list_reads;
    d.sends = a.sends - b.sends;
    d.host_allocations = a.host_allocations - b.host_allocations;
    return d;
}

CallCounts ReadCounts()
{
    CallCounts c;
    c.calls = VnxSimCallsTotal();
    c.list_reads = VnxSimCallCount(VNX_OP_ReadTagList);
    c.sends = VnxSimCallCount(VNX_OP_SendTag);
    c.host_allocations = HostAllocations();
    return c;
}

void ReportPerPass(benchmark::State& state, const CallCounts& total, int32_t rows,
                   const Expected& expected)
{
    const int64_t passes = static_cast<int64_t>(state.iterations());
    if (passes <= 0) return;
    const double n = static_cast<double>(passes);
    state.counters["rows"] = rows;
    state.counters["calls"] = static_cast<double>(total.calls) / n;
    state.counters["list_reads"] = static_cast<double>(total.list_reads) / n;
    state.counters["sends"] = static_cast<double>(total.sends) / n;
    state.counters["allocs"] = static_cast<double>(total.host_allocations) / n;

    std::string wrong;
    if (!Matches(total.list_reads, passes, expected.list_reads)) {
        wrong += Mismatch("list reads", total.list_reads, passes, expected.list_reads);
    }
    if (!Matches(total.sends, passes, expected.sends)) {
        wrong += Mismatch("sends", total.sends, passes, expected.sends);
    }
    if (!Matches(total.host_allocations, passes, expected.host_allocations)) {
        wrong +=
            Mismatch("host allocations", total.host_allocations, passes, expected.host_allocations);
    }
    if (!wrong.empty()) state.SkipWithError(wrong.c_str());
}
