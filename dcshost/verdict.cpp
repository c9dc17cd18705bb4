#include "dcshost/verdict.h"

namespace {

struct VerdictRow {
    bool Findings::*found;
    ExitCode code;
    const char* words;
};

// The order of precedence: the first finding that holds gives the verdict.
// An unwritten file comes first, as a result that is not there is no result;
// what stopped the command early comes before what it found in what ran.
constexpr VerdictRow kVerdictOrder[] = {
    {&Findings::file_unwritten, kExitFileUnwritten, "NOT clean, a file not written"},
    {&Findings::unreadable, kExitBadScenario, "the recording could not be read on"},
    {&Findings::configure_failed, kExitConfigureFailed, "DCSConfigure failed"},
    {&Findings::interrupted, kExitInterrupted, "interrupted"},
    {&Findings::coupling_stopped, kExitCouplingLost, "stopped, the coupling lost"},
    {&Findings::replay_differs, kExitReplayDiffers, "NOT what the recording holds"},
    {&Findings::deviates, kExitDeviates, "NOT within the reference"},
    {&Findings::not_identifiable, kExitNotIdentifiable, "NOT every loop fitted"},
    {&Findings::messages, kExitNotClean, "NOT clean"},
    {&Findings::left_open, kExitNotClean, "NOT clean"},
    {&Findings::unsettled, kExitNotClean, "NOT clean"},
    {&Findings::idle_upset, kExitNotClean, "NOT clean"},
    {&Findings::wiring_warning, kExitNotClean, "NOT clean"},
    {&Findings::coupling_lost, kExitNotClean, "NOT clean"},
    {&Findings::unsound_value, kExitNotClean, "NOT clean"},
};

}  // namespace

Verdict Judge(const Findings& found)
{
    for (const VerdictRow& row : kVerdictOrder)
        if (found.*row.found) return Verdict{false, row.code, row.words};
    return Verdict{};
}
