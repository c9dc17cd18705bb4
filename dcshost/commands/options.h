// Each command defines its options in one table, a row per option that reads
// as a sentence: the name CLI11 takes ("--out", or "FILE" for a positional),
// the help text, the parser that reads the value and puts it, typed, where it
// goes, and the rules it keeps:
//   {"--tolerance", "...", Number(&o.tolerance),
//    {Range(0, 1e6), ShowDefault(), Needs("--compare")}}
// Every refusal is said where the value enters, before the command runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dcshost/commands/command.h"
#include "dcshost/scenario/scenario.h"

namespace CLI {
class Option;
}

// Adds a row's option to its command: reads the text the user gave into the
// row's variable, refusing with the reason what it cannot read.
using Parser = std::function<CLI::Option*(CLI::App& command, const std::string& name,
                                          const std::string& help)>;

// A check that CLI11 cannot make itself, run once every option is parsed:
// why the command line is refused, empty when it holds.
using LateCheck = std::function<std::string()>;
// A rule of a row, applied as the row is added (it may name only options of
// earlier rows); it may leave a check for after the parse.
using Rule = std::function<LateCheck(CLI::App& command, CLI::Option& option)>;

struct Option {
    const char* name;
    const char* help;
    Parser parse;
    std::vector<Rule> rules = {};
};

// Adds the rows, in order (the help lists them so), and returns `body` to run
// once the checks left for after the parse hold.
CommandBody AddOptions(CLI::App& command, const std::vector<Option>& rows, CommandBody body);

// ---- Parsers ------------------------------------------------------------------
// Any text.
Parser Text(std::string* into);
// A file or folder: '' is refused (it would be dropped or name this folder).
Parser File(std::string* into);
// A file name without a folder (the trend files' stem), never a way out of
// the output folder.
Parser FileStem(std::string* into);
// A decimal number ("0x10", "1_000" and " 5" are refused).
Parser Number(double* into);
// A whole number in decimal digits.
Parser Whole(int* into);
// True when given.
Parser Flag(bool* into);
// False when given (a --no-... flag).
Parser Unset(bool* into);
// `value` when given.
Parser Sets(double* into, double value);

// One of a set of words or forms, read by `read` (empty, or why not). `forms`
// shows them in the help; `name`, when given, writes the value the help shows
// as the default.
template <typename T>
Parser Choice(T* into, const char* forms, std::string (*read)(const std::string& text, T& value),
              const char* (*name)(T value) = nullptr);

// ---- Rules --------------------------------------------------------------------
// The command does not run without it.
Rule Required();
// The help shows the value it starts with.
Rule ShowDefault();
// A number within lo..hi; NaN and infinities are refused with the range.
Rule Range(double lo, double hi, const std::string& unit = "");
// A finite number above lo, for a value whose range is known only once the
// scenario is read (--duration): the note says it.
Rule Above(double lo, const std::string& unit, const std::string& note);
// Without `other` it would do nothing.
Rule Needs(const char* other);
// ... or without `other` given `value` (its default counts).
Rule Needs(const char* other, const char* value);
// Only one of the two may be given.
Rule Excludes(const char* other);

// Decimal digits, as a number option takes them ("0x10" is none).
bool IsDecimal(const std::string& text);

// The SCENARIO argument read, or every problem with it printed.
bool LoadNamedScenario(const std::string& name, Scenario& scenario);

// ---- Choice, for every T ------------------------------------------------------
// Adds an option whose text `store` reads into its variable: empty, or why not.
CLI::Option* AddChoice(CLI::App& command, const std::string& name, const std::string& help,
                       const char* forms, std::function<std::string(const std::string&)> store,
                       std::function<std::string()> shown);

template <typename T>
Parser Choice(T* into, const char* forms, std::string (*read)(const std::string& text, T& value),
              const char* (*name)(T value))
{
    return [=](CLI::App& command, const std::string& option, const std::string& help) {
        return AddChoice(
            command, option, help, forms,
            [=](const std::string& text) { return read(text, *into); },
            [=] { return name ? std::string(name(*into)) : std::string(); });
    };
}
