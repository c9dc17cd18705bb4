#include "dcshost/outputs/views.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "dcshost/scenario/limits.h"

bool GlobMatch(const std::string& pattern, const std::string& name)
{
    // Iterative, with one backtrack point: linear in practice, never recursive.
    size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool SelectLoops(const std::string& patterns, const std::vector<std::string>& names,
                 std::vector<size_t>& out, std::string& error)
{
    std::vector<bool> chosen(names.size(), false);
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t comma = patterns.find(',', start);
        if (comma == std::string::npos) comma = patterns.size();
        std::string pattern = patterns.substr(start, comma - start);
        start = comma + 1;
        bool any = false;
        for (size_t i = 0; i < names.size(); ++i) {
            if (!GlobMatch(pattern, names[i])) continue;
            chosen[i] = true;
            any = true;
        }
        if (!any) {
            error = "'" + pattern + "' matches no loop";
            return false;
        }
    }
    out.clear();
    for (size_t i = 0; i < names.size(); ++i)
        if (chosen[i]) out.push_back(i);
    return true;
}

bool ParseChartChoice(const std::string& text, ChartChoice& out, std::string& error)
{
    std::string number = text;
    out.worst = false;
    if (text.rfind("worst:", 0) == 0) {
        out.worst = true;
        number = text.substr(6);
    } else if (text.rfind("first:", 0) == 0) {
        number = text.substr(6);
    }
    int count = -1;
    auto result = std::from_chars(number.data(), number.data() + number.size(), count);
    bool whole = result.ec == std::errc() && result.ptr == number.data() + number.size();
    if (!whole || count < 0 || count > limits::kMaxChartLoops) {
        error = "'" + text + "' is not first:N or worst:N with N from 0 to " +
                std::to_string(limits::kMaxChartLoops);
        return false;
    }
    out.count = count;
    return true;
}

std::vector<size_t> WorstLoops(const std::vector<double>& error_percent, size_t count)
{
    std::vector<size_t> order(error_percent.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto rank = [&](size_t i) {
        return std::isnan(error_percent[i]) ? INFINITY : error_percent[i];
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return rank(a) > rank(b); });
    if (order.size() > count) order.resize(count);
    return order;
}
