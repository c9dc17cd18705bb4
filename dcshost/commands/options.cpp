#include "dcshost/commands/options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>
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

// Decimal digits only, as the README writes numbers: "0x10", "1_000" and
// " 5" are refused (CLI11 and strtod would take the first as 16). False when
// the text is not one; `value` is infinite when it is one too large for any.
template <typename T>
bool ReadDecimal(const std::string& text, T& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ptr != end || text.empty()) return false;
    if (ec == std::errc::result_out_of_range) {
        value = text[0] == '-' ? std::numeric_limits<T>::lowest() : std::numeric_limits<T>::max();
        if constexpr (std::is_floating_point_v<T>)
            value = text[0] == '-' ? -std::numeric_limits<T>::infinity()
                                   : std::numeric_limits<T>::infinity();
        return true;
    }
    return ec == std::errc();
}

// A number option's text before CLI11 converts it: decimal, and whole for
// an int.
template <typename T>
CLI::Validator Decimal()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            T value{};
            if (ReadDecimal(text, value)) return "";
            return "'" + text + "' is not " +
                   (std::is_integral_v<T> ? "a whole number" : "a decimal number");
        },
        "");
}

}  // namespace

bool IsDecimal(const std::string& text)
{
    double value = 0.0;
    return ReadDecimal(text, value);
}

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
        if (std::holds_alternative<double*>(row.into)) option->check(Decimal<double>());
        if (std::holds_alternative<int*>(row.into)) option->check(Decimal<int>());
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
            if (!ReadDecimal(text, value) || InRange(value, lo, hi)) return "";  // said by Decimal
            return RangeMessage("the value", value, lo, hi, unit);
        },
        "");
}

CLI::Validator Above(double lo, const std::string& unit, const std::string& note)
{
    return CLI::Validator(
        [lo, unit, note](std::string& text) -> std::string {
            double value = 0.0;
            if (!ReadDecimal(text, value) || (value > lo && std::isfinite(value))) return "";
            return "the value is " + NumberText(value) + " " + unit + "; it must be above " +
                   NumberText(lo) + " " + unit + ": " + note;
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
