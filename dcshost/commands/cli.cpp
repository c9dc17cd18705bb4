#include "dcshost/commands/cli.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
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
    {"calibrate", "fit the PID blocks (and with --plant the plant) to a recording",
     DefineCalibrate},
    {"generate", "write a scenario for scale runs or a calibration case", DefineGenerate},
    {"version-info", "print the DCS entries of a driver module's version resource",
     DefineVersionInfo},
};

// What follows `marker` in `text` (empty when it is not there).
std::string After(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? "" : text.substr(at + marker.size());
}

std::string Before(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? "" : text.substr(0, at);
}

template <typename Kind>
bool Is(const CLI::ParseError& error)
{
    return dynamic_cast<const Kind*>(&error) != nullptr;
}

// CLI11's refusal in dcshost's words. Its messages name the option first;
// those that do not read as a sentence of this tool are said again. `given`:
// what the command did not take, in the order given.
std::string OwnWords(const CLI::ParseError& error, const std::string& command,
                     const std::vector<std::string>& given)
{
    const std::string text = error.what();
    const std::string twice = ": At Most 1 required but received ";
    if (Is<CLI::ArgumentMismatch>(error) && !After(text, twice).empty())
        return Before(text, twice) + " is given " + After(text, twice) + " times; give it once";
    if (Is<CLI::ArgumentMismatch>(error) && text.find(" missing") != std::string::npos)
        return Before(text, ": ") + " needs a value";
    if (Is<CLI::RequiredError>(error) && text.rfind("A subcommand", 0) == 0) {
        std::string names;
        for (const Command& c : kCommands)
            names += (names.empty() ? "" : ", ") + std::string(c.name);
        return (given.empty() ? "name a command" : "'" + given[0] + "' is not a command") + " (" +
               names + ")";
    }
    if (Is<CLI::RequiredError>(error)) return Before(text, " is required") + " is missing";
    if (Is<CLI::ExtrasError>(error)) {
        std::string words;
        for (const std::string& word : given) words += (words.empty() ? "" : " ") + word;
        return (command.empty() ? "dcshost" : command) + " does not take " + words;
    }
    if (Is<CLI::ExcludesError>(error))
        return Before(text, " excludes ") + " and " + After(text, " excludes ") +
               " exclude each other: give one";
    if (Is<CLI::RequiresError>(error))
        return Before(text, " requires ") + " acts only with " + After(text, " requires ");
    if (Is<CLI::ConversionError>(error) && !After(text, "Could not convert: ").empty())
        return "cannot take " + After(text, "Could not convert: ");
    return text;
}

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
        // --help and --version are no refusals.
        if (error.get_exit_code() == 0) return app.exit(error) == 0 ? kExitClean : kExitBadScenario;
        std::string command;
        std::vector<std::string> given = app.remaining();
        for (const auto& [sub, body] : commands) {
            if (!*sub) continue;
            command = sub->get_name();
            given = sub->remaining();
        }
        std::fprintf(stderr, "dcshost: %s\n(dcshost %s--help lists the options)\n",
                     OwnWords(error, command, given).c_str(),
                     command.empty() ? "" : (command + " ").c_str());
        return kExitBadScenario;
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
