// Each command defines its options in one table, a row per option: the name
// CLI11 takes ("--out", or "FILE" for a positional), the help text, where the
// value goes and how it is checked where it enters.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <CLI/CLI.hpp>

#include "dcshost/scenario/scenario.h"

enum OptionFlags : unsigned {
    kRequired = 1,     // the command does not run without it
    kShowDefault = 2,  // the help shows the value it starts with
    kNotEmpty = 4,     // a file or folder: '' is refused
};

struct Option {
    const char* name;
    const char* help;
    std::variant<std::string*, double*, int*, bool*> into;  // bool: a flag
    std::optional<CLI::Validator> check = std::nullopt;
    unsigned flags = 0;
    const char* excludes = nullptr;  // an option of an earlier row
    const char* needs = nullptr;     // one of an earlier row, without which it does nothing
};

void AddOptions(CLI::App& command, const std::vector<Option>& options);

// A number within lo..hi; NaN and infinities are refused with the range.
// Every number option takes decimal digits only, and an int option a whole
// number (AddOptions checks that first).
CLI::Validator Within(double lo, double hi, const std::string& unit = "");
// A finite number above lo, for a value whose range is known only once the
// scenario is read (--duration): the note says it.
CLI::Validator Above(double lo, const std::string& unit, const std::string& note);

// Decimal digits, as a number option takes them ("0x10" is none).
bool IsDecimal(const std::string& text);

// --name: the trend files' stem, never a way out of --out.
CLI::Validator FileStem();

// The SCENARIO argument read, or every problem with it printed.
bool LoadNamedScenario(const std::string& name, Scenario& scenario);
