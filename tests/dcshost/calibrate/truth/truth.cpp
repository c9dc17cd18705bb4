#include "tests/dcshost/calibrate/truth/truth.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <toml++/toml.h>

namespace {

double Number(const toml::table& t, const char* key, double fallback)
{
    return t[key].value<double>().value_or(fallback);
}

std::vector<std::string> SplitCsv(const std::string& line)
{
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, ',')) {
        if (!cell.empty() && cell.back() == '\r') cell.pop_back();
        cells.push_back(cell);
    }
    return cells;
}

bool NearClamp(double op, double clamp)
{
    // The OP tag holds a float: a clamp reached reads back within its rounding.
    return std::fabs(op - clamp) <= 1e-5 * std::max(1.0, std::fabs(clamp));
}

}  // namespace

bool ReadTruth(const std::string& scenario, Truth& truth, std::string& error)
{
    toml::parse_result parsed = toml::parse_file(scenario);
    if (!parsed) {
        error = scenario + ": " + std::string(parsed.error().description());
        return false;
    }
    const toml::table& root = parsed.table();
    truth.step = root["run"]["step"].value<double>().value_or(1.0);
    const toml::array* pids = root["system"]["pid"].as_array();
    const toml::array* blocks = root["plant"]["block"].as_array();
    if (!pids) return error = scenario + " has no [[system.pid]]", false;
    for (const toml::node& node : *pids) {
        const toml::table& p = *node.as_table();
        TruthLoop l;
        l.name = p["name"].value<std::string>().value_or("");
        l.sp_tag = p["sp_tag"].value<std::string>().value_or("");
        l.kp = Number(p, "kp", 0);
        l.ti = Number(p, "ti", 0);
        l.td = Number(p, "td", 0);
        l.scan = Number(p, "scan", 1);
        l.op_lo = Number(p, "op_lo", 0);
        l.op_hi = Number(p, "op_hi", 100);
        for (size_t b = 0; blocks && b < blocks->size(); ++b) {
            const toml::table& block = *(*blocks)[b].as_table();
            if (block["name"].value<std::string>() != l.name) continue;
            l.has_plant = true;
            l.gain = block["inputs"][0]["gain"].value<double>().value_or(1.0);
            l.tau = Number(block, "tau", 1);
            l.bias = Number(block, "bias", 0);
            l.dead_steps =
                static_cast<int>(std::lround(Number(block, "dead_time", 0) / truth.step));
        }
        truth.loops.push_back(l);
    }
    return true;
}

// The trends' row at time (k + 1) step is the state the k-th DCSSimulate
// (from 0) saw; the row at time 0 is the start, before any.
bool ReadTrend(const std::string& path, Truth& truth, std::string& error)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return error = "cannot read " + path, false;
    const std::vector<std::string> header = SplitCsv(line);
    std::vector<int> op(truth.loops.size(), -1), mode(truth.loops.size(), -1);
    for (size_t c = 0; c < header.size(); ++c)
        for (size_t i = 0; i < truth.loops.size(); ++i) {
            if (header[c] == truth.loops[i].name + ".OP") op[i] = static_cast<int>(c);
            if (header[c] == truth.loops[i].name + ".MODE") mode[i] = static_cast<int>(c);
        }
    for (size_t i = 0; i < truth.loops.size(); ++i)
        if (op[i] < 0 || mode[i] < 0)
            return error = path + " has no OP or MODE column of " + truth.loops[i].name, false;
    std::vector<int> manual_from(truth.loops.size(), -1);
    int k = -1;
    while (std::getline(in, line)) {
        const std::vector<std::string> cells = SplitCsv(line);
        k = static_cast<int>(std::lround(std::atof(cells.at(0).c_str()) / truth.step)) - 1;
        if (k < 0) continue;
        for (size_t i = 0; i < truth.loops.size(); ++i) {
            TruthLoop& l = truth.loops[i];
            const double out = std::atof(cells.at(static_cast<size_t>(op[i])).c_str());
            const bool automatic = std::atof(cells.at(static_cast<size_t>(mode[i])).c_str()) == 1;
            l.lo_reached |= automatic && NearClamp(out, l.op_lo);
            l.hi_reached |= automatic && NearClamp(out, l.op_hi);
            if (!automatic && manual_from[i] < 0) manual_from[i] = k;
            if (automatic && manual_from[i] >= 0) {
                l.manual.push_back({manual_from[i], k - 1});
                manual_from[i] = -1;
            }
        }
    }
    for (size_t i = 0; i < truth.loops.size(); ++i)
        if (manual_from[i] >= 0) truth.loops[i].manual.push_back({manual_from[i], k});
    return true;
}
