// The command line of dcshost: its four commands, every option checked where
// it enters, and one exit code for each outcome (exit_codes.h).
#pragma once

// Parses and runs one command; returns the process exit code.
int RunCommandLine(int argc, const char* const* argv);
