// The commands of dcshost's command line (the table in cli.cpp). Each one
// defines its options on its subcommand, one table bound to arguments of its
// own, and returns its body, which runs once they are parsed and returns the
// process exit code (exit_codes.h).
#pragma once

#include <functional>

namespace CLI {
class App;
}

using CommandBody = std::function<int()>;

CommandBody DefineRun(CLI::App& command);          // run_command.cpp
CommandBody DefineCheck(CLI::App& command);        // check_command.cpp
CommandBody DefineGenerate(CLI::App& command);     // generate.cpp
CommandBody DefineVersionInfo(CLI::App& command);  // version_info.cpp
CommandBody DefineReplay(CLI::App& command);       // replay_command.cpp
CommandBody DefineCalibrate(CLI::App& command);    // calibrate_command.cpp
