#include "dcshost/commands/cli.h"

#include <cstdio>
#include <exception>
#include <new>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "dcshost/commands/command.h"
#include "dcshost/exit_codes.h"

namespace {

struct Command {
    const char* name;
    const char* help;
    CommandBody (*define)(CLI::App& command);
};

// In the order of the usage text.
const Command kCommands[] = {
    {"run", "run a scenario through the driver", DefineRun},
    {"check", "bind a scenario's tag list only and report every binding failure", DefineCheck},
    {"replay", "drive a driver with a recording and check every call against it", DefineReplay},
    {"generate", "write a scenario for scale runs", DefineGenerate},
    {"version-info", "print the DCS entries of a driver module's version resource",
     DefineVersionInfo},
};

int Dispatch(int argc, const char* const* argv)
{
    CLI::App app{
        "dcshost - runs a plant closed-loop through the Vornak DCS driver, as a host does"};
    app.require_subcommand(1);
    // "/path" is a path, also on Windows (Wine passes Unix paths through).
    app.allow_windows_style_options(false);
    std::vector<std::pair<CLI::App*, CommandBody>> commands;
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        commands.emplace_back(sub, command.define(*sub));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kExitClean : kExitBadScenario;
    }
    for (const auto& [sub, body] : commands)
        if (*sub) return body();
    return kExitBadScenario;  // require_subcommand(1) lets none through
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv)
{
    // An exception escaping main ends differently on Linux and Windows: it
    // gets one exit code of its own here.
    try {
        return Dispatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "dcshost: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dcshost: %s\n", error.what());
    }
    return kExitInternal;
}
