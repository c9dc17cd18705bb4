// `dcshost replay`: a recording drives any build of the driver as the
// recorded host did, with the recorded block contents, the client library
// answered from the recording; every call the driver makes is checked
// against it. Identical, or the first difference.
#pragma once

#include <string>

struct ReplayOptions {
    std::string recording;
    std::string driver_path;
    std::string out_dir = ".";
    std::string out_name;  // file stem of the trends; empty: the recording's
    bool trends = true;
    std::string json;  // --json FILE; empty: none
};

// Returns the process exit code (exit_codes.h): 0 identical, 9 a
// difference, 2 a recording that cannot be replayed, 3 no driver.
int ReplayRecording(const ReplayOptions& options);
