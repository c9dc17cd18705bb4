#include "dcshost/outputs/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "dcshost/control/modes.h"
#include "standins/vnxsim/utf8.h"

double ErrorPercent(double pv, double sp)
{
    double scale = std::fabs(sp) > 0.0 ? std::fabs(sp) : 1.0;
    return std::fabs(pv - sp) / scale * 100.0;
}

bool LoopSettled(const LoopResult& loop, double tolerance)
{
    if (!loop.active || !loop.has_pv) return true;
    return std::isfinite(loop.error_percent) && loop.error_percent <= tolerance;
}

namespace {

// The loop column shows a name whole up to this many characters; a longer
// one (whole in the CSV and --json) by its first ones and "...".
constexpr size_t kNameColumns = 32;

std::string NameCell(const std::string& name)
{
    if (utf8::Count(name) <= kNameColumns) return name;
    return name.substr(0, utf8::Advance(name, kNameColumns - 3)) + "...";
}

// Padded to `columns` characters, not bytes: "Füll" is four.
std::string Pad(const std::string& text, size_t columns)
{
    const size_t count = utf8::Count(text);
    return count >= columns ? text : text + std::string(columns - count, ' ');
}

}  // namespace

// One figure of the loop table; a value that is not finite reads the same on
// every platform ("NaN", "inf", "-inf"), never the C library's "-nan". A
// runaway value too long for fixed digits is written as %.6g, never cut.
std::string Figure(double value, const char* format)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[64];
    if (std::snprintf(text, sizeof text, format, value) > 16)
        std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string FormatLoopTable(const std::vector<LoopResult>& loops, size_t max_lines)
{
    std::vector<const LoopResult*> shown;
    for (const LoopResult& loop : loops) shown.push_back(&loop);
    if (shown.size() > max_lines) {
        auto worse = [](const LoopResult* a, const LoopResult* b) {
            double ea = a->has_pv && a->active ? a->error_percent : -1.0;
            double eb = b->has_pv && b->active ? b->error_percent : -1.0;
            return ea > eb || (std::isnan(ea) && !std::isnan(eb));
        };
        std::stable_sort(shown.begin(), shown.end(), worse);
        shown.resize(max_lines);
    }
    // "off" when the loop takes no part; "stale" when nothing was exchanged at the end.
    std::vector<std::string> names, modes;
    size_t width = 8, mode_width = 6;
    for (const LoopResult* loop : shown) {
        names.push_back(NameCell(loop->name));
        width = std::max(width, utf8::Count(names.back()));
        modes.push_back(std::string(loop->stale ? "stale: " : "") + (loop->active ? "" : "off, ") +
                        ModeText(loop->mode));
        mode_width = std::max(mode_width, modes.back().size());
    }
    std::string out;
    char line[512];
    if (shown.size() < loops.size()) {
        std::snprintf(line, sizeof line, "  %zu loops; the %zu farthest from their setpoints:\n",
                      loops.size(), shown.size());
        out += line;
    }
    auto add_line = [&](const std::string& name, const std::string& mode, const char* sp,
                        const char* pv, const char* error, const char* op) {
        std::snprintf(line, sizeof line, "  %12s  %12s  %9s  %7s\n", sp, pv, error, op);
        out += "  " + Pad(name, width) + "  " + Pad(mode, mode_width) + line;
    };
    add_line("loop", "mode", "SP", "PV", "error", "OP %");
    for (size_t i = 0; i < shown.size(); ++i) {
        const LoopResult* loop = shown[i];
        std::string pv = "-", error = "-";
        if (loop->has_pv) {
            pv = Figure(loop->pv, "%.6g");
            error = Figure(loop->error_percent, "%.3f") + " %";
        }
        add_line(names[i], modes[i], Figure(loop->sp, "%.6g").c_str(), pv.c_str(), error.c_str(),
                 Figure(loop->op_percent, "%.2f").c_str());
    }
    return out;
}

std::string MessageCounts(const std::vector<MessageGroup>& groups)
{
    std::map<std::string, int> counts;
    for (const MessageGroup& group : groups) counts[group.key] += group.count;
    std::string text;
    for (const auto& entry : counts)
        text += (text.empty() ? "" : ", ") + entry.first + " x" + std::to_string(entry.second);
    return text;
}

std::string FormatMessageGroups(const std::vector<MessageGroup>& groups, size_t max_lines)
{
    std::string out;
    char line[160];
    for (size_t i = 0; i < groups.size() && i < max_lines; ++i) {
        const MessageGroup& group = groups[i];
        std::snprintf(line, sizeof line,
                      "  %s x%d, first at %g s, last at %g s: ", group.key.c_str(), group.count,
                      group.first, group.last);
        out += line + group.wording + "\n";
    }
    if (groups.size() > max_lines)
        out += "  ... and " + std::to_string(groups.size() - max_lines) + " more wordings\n";
    return out;
}
