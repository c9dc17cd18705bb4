#include "dcshost/scenario/limits.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

std::string NumberText(double value)
{
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Plain digits where they stay short, exponents beyond.
    double size = std::fabs(value);
    bool plain = size == 0.0 || (size >= 1e-5 && size < 1e15);
    char text[400];
    auto result = plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                        : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string RangeMessage(const std::string& what, double value, double lo, double hi,
                         const std::string& unit, const std::string& note)
{
    std::string suffix = unit.empty() ? "" : " " + unit;
    return what + " is " + NumberText(value) + suffix + "; it must lie between " + NumberText(lo) +
           " and " + NumberText(hi) + suffix + (note.empty() ? "" : " " + note);
}

double TrendBytes(double samples, size_t loops, size_t imports)
{
    const double per_loop = 3 * sizeof(double) + sizeof(int32_t);
    return samples * (sizeof(double) + 2 + per_loop * static_cast<double>(loops) +
                      sizeof(double) * static_cast<double>(imports));
}

std::string CheckTrendMemory(long long steps, size_t loops, size_t imports)
{
    double bytes = TrendBytes(static_cast<double>(steps) + 1.0, loops, imports);
    if (bytes <= limits::kMaxTrendBytes) return "";
    char text[200];
    std::snprintf(text, sizeof text,
                  "the trends of %lld steps for %zu loops and %zu imports would take %.0f MB, "
                  "more than %.0f MB",
                  steps, loops, imports, bytes / 1048576.0, limits::kMaxTrendBytes / 1048576.0);
    return text;
}

std::string RunLengthRange()
{
    // Grouped as the README writes it: "10,000,000".
    std::string digits = std::to_string(static_cast<long long>(limits::kMaxSteps));
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return "1 to " + digits + " steps";
}

std::string CheckRunLength(double duration, double step)
{
    const double steps = duration / step;
    const double whole = std::round(steps);
    if (!std::isfinite(duration) || !(whole >= 1.0 && whole <= limits::kMaxSteps))
        return "is " + NumberText(duration) + " s, " + NumberText(whole) + " steps of " +
               NumberText(step) + " s; a run takes " + RunLengthRange();
    // A run is whole steps: 1.5 s of 1 s steps would silently run 2.
    if (std::fabs(steps - whole) <= 1e-9 * whole) return "";
    auto run = [step](double n) {
        return NumberText(n * step) + " s (" + NumberText(n) + (n == 1.0 ? " step)" : " steps)");
    };
    const double below = std::floor(steps), above = std::ceil(steps);
    const std::string nearest = below >= 1.0 ? run(below) + " or " + run(above) : run(above);
    return "is " + NumberText(duration) + " s, not a whole number of steps of " + NumberText(step) +
           " s; the nearest: " + nearest;
}
