#include "dcshost/scenario/limits.h"

#include <charconv>
#include <cmath>
#include <cstdint>

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

std::string CheckRunLength(double duration, double step)
{
    double steps = std::round(duration / step);
    if (std::isfinite(duration) && steps >= 1.0 && steps <= limits::kMaxSteps) return "";
    return "is " + NumberText(duration) + " s, " + NumberText(steps) + " steps of " +
           NumberText(step) + " s; a run takes 1 to " + NumberText(limits::kMaxSteps) + " steps";
}
