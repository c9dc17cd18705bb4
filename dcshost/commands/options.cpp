#include "dcshost/commands/options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>
#include <type_traits>

#include <CLI/CLI.hpp>

#include "dcshost/exit_codes.h"
#include "dcshost/scenario/limits.h"

namespace {

// A file option given as '' would be dropped without a word, or name the
// current folder.
CLI::Validator NotEmpty()
{
    return CLI::Validator(
        [](std::string& text) { return text.empty() ? "an empty name names no file" : ""; }, "");
}

CLI::Validator NoFolder()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (text.find_first_of("/\\:") != std::string::npos || text == "." || text == "..")
                return "'" + text + "' is a path; a file name is wanted (the folder is --out's)";
            return "";
        },
        "");
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

// A rule CLI11 checks itself.
Rule Applies(std::function<void(CLI::App&, CLI::Option&)> apply)
{
    return [apply](CLI::App& command, CLI::Option& option) {
        apply(command, option);
        return LateCheck();
    };
}

}  // namespace

bool IsDecimal(const std::string& text)
{
    double value = 0.0;
    return ReadDecimal(text, value);
}

CommandBody AddOptions(CLI::App& command, const std::vector<Option>& rows, CommandBody body)
{
    std::vector<LateCheck> checks;
    for (const Option& row : rows) {
        CLI::Option* option = row.parse(command, row.name, row.help);
        for (const Rule& rule : row.rules)
            if (LateCheck check = rule(command, *option)) checks.push_back(check);
    }
    return [checks, body] {
        for (const LateCheck& check : checks) {
            std::string why = check();
            if (why.empty()) continue;
            std::fprintf(stderr, "dcshost: %s\n", why.c_str());
            return int{kExitBadScenario};
        }
        return body();
    };
}

Parser Text(std::string* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_option(name, *into, help);
    };
}

Parser File(std::string* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_option(name, *into, help)->check(NotEmpty());
    };
}

Parser FileStem(std::string* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_option(name, *into, help)->check(NotEmpty())->check(NoFolder());
    };
}

Parser Number(double* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_option(name, *into, help)->check(Decimal<double>());
    };
}

Parser Whole(int* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_option(name, *into, help)->check(Decimal<int>());
    };
}

Parser Flag(bool* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_flag(name, *into, help);
    };
}

Parser Unset(bool* into)
{
    return [into](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_flag_callback(
            name, [into] { *into = false; }, help);
    };
}

Parser Sets(double* into, double value)
{
    return [into, value](CLI::App& command, const std::string& name, const std::string& help) {
        return command.add_flag_callback(
            name, [into, value] { *into = value; }, help);
    };
}

CLI::Option* AddChoice(CLI::App& command, const std::string& name, const std::string& help,
                       const char* forms, std::function<std::string(const std::string&)> store,
                       std::function<std::string()> shown)
{
    auto read = [name, store](const CLI::results_t& given) {
        std::string why = store(given.back());
        if (!why.empty()) throw CLI::ValidationError(name, why);
        return true;
    };
    // The help names a text option's forms after CLI11's word for text.
    return command.add_option(name, read, help, false, shown)
        ->type_name(std::string("TEXT:") + forms);
}

Rule Required()
{
    return Applies([](CLI::App&, CLI::Option& option) { option.required(); });
}

Rule ShowDefault()
{
    return Applies([](CLI::App&, CLI::Option& option) { option.capture_default_str(); });
}

Rule Range(double lo, double hi, const std::string& unit)
{
    CLI::Validator within(
        [lo, hi, unit](std::string& text) -> std::string {
            double value = 0.0;
            if (!ReadDecimal(text, value) || InRange(value, lo, hi)) return "";  // said by Decimal
            return RangeMessage("the value", value, lo, hi, unit);
        },
        "");
    return Applies([within](CLI::App&, CLI::Option& option) { option.check(within); });
}

Rule Above(double lo, const std::string& unit, const std::string& note)
{
    CLI::Validator above(
        [lo, unit, note](std::string& text) -> std::string {
            double value = 0.0;
            if (!ReadDecimal(text, value) || (value > lo && std::isfinite(value))) return "";
            return "the value is " + NumberText(value) + " " + unit + "; it must be above " +
                   NumberText(lo) + " " + unit + ": " + note;
        },
        "");
    return Applies([above](CLI::App&, CLI::Option& option) { option.check(above); });
}

Rule Needs(const char* other)
{
    return Applies([other](CLI::App& command, CLI::Option& option) {
        option.needs(command.get_option(other));
    });
}

Rule Needs(const char* other, const char* value)
{
    return [other, value](CLI::App& command, CLI::Option& option) -> LateCheck {
        const CLI::Option* self = &option;
        const CLI::Option* needed = command.get_option(other);
        return [self, needed, other, value]() -> std::string {
            if (self->count() == 0) return "";
            const std::string given =
                needed->count() > 0 ? needed->results().back() : needed->get_default_str();
            if (given == value) return "";
            return self->get_name() + " acts only with " + other + " " + value;
        };
    };
}

Rule Excludes(const char* other)
{
    return Applies([other](CLI::App& command, CLI::Option& option) {
        option.excludes(command.get_option(other));
    });
}

bool LoadNamedScenario(const std::string& name, Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    if (LoadScenario(name, scenario, errors)) return true;
    for (const ScenarioError& error : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(error).c_str());
    return false;
}
