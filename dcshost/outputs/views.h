// Chosen views of a run's trends: --loops picks the loops of the CSV and the
// chart by name or glob, --chart picks the chart's panels (the first N, or
// the N furthest from their setpoints at the end).
#pragma once

#include <string>
#include <vector>

// '*' any run of characters, '?' any one; everything else itself.
bool GlobMatch(const std::string& pattern, const std::string& name);

// The loops (indexes into names, in table order) that any pattern of the
// comma-separated list matches. False with a reason when a pattern matches
// none.
bool SelectLoops(const std::string& patterns, const std::vector<std::string>& names,
                 std::vector<size_t>& out, std::string& error);

struct ChartChoice {
    bool worst = false;  // the loops furthest from their setpoints, else the first
    int count = 12;
};

// "first:N", "worst:N" or "N", N from 0 to limits::kMaxChartLoops.
bool ParseChartChoice(const std::string& text, ChartChoice& out, std::string& error);

// Indexes of the `count` largest errors, largest first (ties in table
// order); NaN counts as the largest, a negative error (not judged) as the least.
std::vector<size_t> WorstLoops(const std::vector<double>& error_percent, size_t count);
