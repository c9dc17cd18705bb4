// How a dcshost process ends, the same on Linux and Windows. Users read these
// in the exit-code table of dcshost/README.md, beside this file: a code that
// changes here changes there. Which one a command ends with when several
// hold: the table in verdict.cpp.
#pragma once

enum ExitCode {
    kExitClean = 0,
    kExitConfigureFailed = 1,  // run: DCSConfigure failed; check: a binding failure;
                               // version-info: the version resource lacks an entry
    kExitBadScenario = 2,      // bad scenario file or command line: nothing loaded or run
    kExitNoDriver = 3,         // the driver cannot be loaded (version-info: read)
    kExitNotClean = 4,         // run: messages, leaks, a loop off its setpoint
    kExitDeviates = 5,         // run: a PV, SP or OP left the band around --compare's reference
    kExitInterrupted = 6,      // run: stopped cleanly on Ctrl-C
    kExitInternal = 7,         // dcshost itself failed (out of memory)
    kExitCouplingLost = 8,     // run: --on-loss stop ended it at the first step that read nothing
    kExitReplayDiffers = 9,    // replay: the driver did not do what the recording holds
    kExitFileUnwritten = 10,   // run, replay: a file asked for is not written whole
    // calibrate: some loop was not identifiable (the others are fitted and written)
    kExitNotIdentifiable = 11,
};
