#include "dcshost/verdict.h"

#include <gtest/gtest.h>

// The first finding in the order wins; words and code come from one row.
TEST(Verdict, FollowsTheOrder)
{
    struct Case {
        Findings found;
        ExitCode code;
        const char* words;
    };
    Findings file, config, stopped, deviates, open, differs, unfitted;
    file.file_unwritten = file.interrupted = file.replay_differs = true;
    config.configure_failed = config.messages = config.left_open = true;
    stopped.coupling_stopped = stopped.deviates = stopped.coupling_lost = true;
    deviates.deviates = deviates.unsound_value = true;
    open.left_open = true;
    differs.replay_differs = differs.deviates = true;
    unfitted.not_identifiable = unfitted.messages = true;
    const Case cases[] = {
        {Findings{}, kExitClean, "clean"},
        {file, kExitFileUnwritten, "NOT clean, a file not written"},
        {config, kExitConfigureFailed, "DCSConfigure failed"},
        {stopped, kExitCouplingLost, "stopped, the coupling lost"},
        {deviates, kExitDeviates, "NOT within the reference"},
        {open, kExitNotClean, "NOT clean"},
        {differs, kExitReplayDiffers, "NOT what the recording holds"},
        {unfitted, kExitNotIdentifiable, "NOT every loop fitted"},
    };
    for (const Case& c : cases) {
        Verdict verdict = Judge(c.found);
        EXPECT_EQ(verdict.code, c.code) << c.words;
        EXPECT_EQ(verdict.clean, c.code == kExitClean) << c.words;
        EXPECT_STREQ(verdict.words, c.words);
    }
}
