#include "dcshost/commands/options.h"

#include <cstdio>
#include <type_traits>

#include "dcshost/scenario/limits.h"

namespace {

// A file option given as '' would be dropped without a word, or name the
// current folder.
CLI::Validator NotEmpty()
{
    return CLI::Validator(
        [](std::string& text) { return text.empty() ? "an empty name names no file" : ""; }, "");
}

}  // namespace

void AddOptions(CLI::App& command, const std::vector<Option>& options)
{
    for (const Option& row : options) {
        CLI::Option* option = std::visit(
            [&](auto* into) {
                if constexpr (std::is_same_v<decltype(into), bool*>)
                    return command.add_flag(row.name, *into, row.help);
                else
                    return command.add_option(row.name, *into, row.help);
            },
            row.into);
        if (row.flags & kRequired) option->required();
        if (row.flags & kShowDefault) option->capture_default_str();
        if (row.flags & kNotEmpty) option->check(NotEmpty());
        if (row.check) option->check(*row.check);
        if (row.excludes) option->excludes(command.get_option(row.excludes));
        if (row.needs) option->needs(command.get_option(row.needs));
    }
}

CLI::Validator FileStem()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (text.find_first_of("/\\:") != std::string::npos || text == "." || text == "..")
                return "'" + text + "' is a path; a file name is wanted (the folder is --out's)";
            return "";
        },
        "");
}

CLI::Validator Within(double lo, double hi, const std::string& unit)
{
    return CLI::Validator(
        [lo, hi, unit](std::string& text) -> std::string {
            double value = 0.0;
            if (!CLI::detail::lexical_cast(text, value)) return "'" + text + "' is not a number";
            if (InRange(value, lo, hi)) return "";
            return RangeMessage("the value", value, lo, hi, unit);
        },
        "");
}

bool LoadNamedScenario(const std::string& name, Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    if (LoadScenario(name, scenario, errors)) return true;
    for (const ScenarioError& error : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(error).c_str());
    return false;
}
