// The drive of a replay: each recorded entry point called on the block as
// the host handed it over, every call and what it wrote back checked, up to
// the recording's end or its cut, with the progress line a run shows.
#pragma once

#include <string>

#include "dcshost/host/host_block.h"
#include "dcshost/host/messages.h"
#include "dcshost/replay/block_apply.h"
#include "dcshost/replay/call_check.h"
#include "dcshost/replay/replay.h"
#include "dcshost/replay/replay_outputs.h"
#include "dcshost/replay/survey.h"
#include "dcshost/verdict.h"
#include "module/driver_loader.h"
#include "recording/format/block_mirror.h"

struct Replay {
    const ReplayOptions& options;
    DriverModule driver;
    MessageLog log;
    HostBlock block;
    BlockApplier applier{block};
    BlockMirror mirror;  // the block as the recording last gave it
    CallCheck check;
    ReplayOutputs outputs;
    int count[REC_ENTRY_COUNT] = {};
    HostHeapSnapshot baseline;
    std::string diff;  // the block's lines of one call, kept for its capacity

    explicit Replay(const ReplayOptions& o) : options(o) {}
};

// Every recorded entry point in turn, the cut's last one included; prints
// the outcome line. Nothing found when all were identical.
Findings Drive(Replay& r, const Survey& survey);
