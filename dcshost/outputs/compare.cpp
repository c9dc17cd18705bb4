#include "dcshost/outputs/compare.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "dcshost/scenario/limits.h"

namespace {

// Splits one record at `at`; false at a quote left open.
bool ReadRecord(const std::string& text, size_t& at, std::vector<std::string>& fields)
{
    fields.assign(1, std::string());
    bool quoted = false;
    while (at < text.size()) {
        char c = text[at++];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (at < text.size() && text[at] == '"')
                fields.back() += text[at++];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            return true;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return !quoted;
}

bool ToNumber(const std::string& field, double& value)
{
    if (field.empty() || field == "nan") {
        value = NAN;
        return true;
    }
    const char* end = field.data() + field.size();
    auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool Compared(const std::string& name)
{
    for (const char* suffix : {".PV", ".SP", ".OP"}) {
        size_t n = std::char_traits<char>::length(suffix);
        if (name.size() > n && name.compare(name.size() - n, n, suffix) == 0) return true;
    }
    return false;
}

}  // namespace

bool ParseCsv(const std::string& text, CsvTable& out, std::string& error)
{
    out = CsvTable{};
    size_t at = 0;
    std::vector<std::string> fields;
    for (int line = 1; at < text.size(); ++line) {
        if (!ReadRecord(text, at, fields)) {
            error = "line " + std::to_string(line) + ": a quoted field is not closed";
            return false;
        }
        if (line == 1) {
            out.header = fields;
            // Said first: a scenario or any other file would be refused at
            // its first line that is not numbers, in words of no use.
            if (out.header[0] != "time_s") {
                error =
                    "its first line does not start with time_s: not a trend CSV of dcshost "
                    "(--compare takes the NAME.trend.csv a run wrote)";
                return false;
            }
            continue;
        }
        if (fields.size() == 1 && fields[0].empty()) continue;  // a blank last line
        if (fields.size() != out.header.size()) {
            error = "line " + std::to_string(line) + ": " + std::to_string(fields.size()) +
                    " fields under a header of " + std::to_string(out.header.size());
            return false;
        }
        std::vector<double> row(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!ToNumber(fields[i], row[i])) {
                error = "line " + std::to_string(line) + ": '" + fields[i] + "' in column " +
                        out.header[i] + " is not a number";
                return false;
            }
        }
        out.rows.push_back(std::move(row));
    }
    if (out.header.empty()) {
        error = "it is empty: not a trend CSV of dcshost";
        return false;
    }
    return true;
}

bool CompareTrends(const CsvTable& run, const CsvTable& reference, double tolerance,
                   Deviation& first, std::string& error)
{
    if (run.rows.size() != reference.rows.size()) {
        error = "the reference has " + std::to_string(reference.rows.size()) +
                " samples, the run " + std::to_string(run.rows.size());
        return false;
    }
    // Pairs of (reference column, run column).
    std::vector<std::pair<size_t, size_t>> columns;
    for (size_t j = 0; j < reference.header.size(); ++j) {
        if (!Compared(reference.header[j])) continue;
        auto found = std::find(run.header.begin(), run.header.end(), reference.header[j]);
        if (found == run.header.end()) {
            error = "the run has no column " + reference.header[j];
            return false;
        }
        columns.emplace_back(j, static_cast<size_t>(found - run.header.begin()));
    }
    for (size_t k = 0; k < run.rows.size(); ++k) {
        double t = run.rows[k][0], t_ref = reference.rows[k][0];
        if (std::fabs(t - t_ref) > 1e-9 * std::max(1.0, std::fabs(t_ref))) {
            error = "sample " + std::to_string(k) + " is at " + NumberText(t) +
                    " s in the run and at " + NumberText(t_ref) + " s in the reference";
            return false;
        }
        for (const auto& [j_ref, j_run] : columns) {
            double v = run.rows[k][j_run], r = reference.rows[k][j_ref];
            bool both_nan = std::isnan(v) && std::isnan(r);
            if (both_nan || std::fabs(v - r) <= tolerance * std::max(1.0, std::fabs(r))) continue;
            first = Deviation{reference.header[j_ref], t, v, r};
            return false;
        }
    }
    return true;
}
