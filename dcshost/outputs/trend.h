// Trends of a run: PV, SP, OP and mode of every loop (and every imported
// value), sampled once per step, written as CSV and as an SVG chart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dcshost/plant/wiring.h"

class Trend {
public:
    // faults: the run has fault windows; upsets: malfunctions or
    // disturbances; each marked in both files.
    void Setup(const std::vector<std::string>& loops, const std::vector<std::string>& imports,
               bool faults = false, bool upsets = false);
    // One sample per loop and per import, in Setup's order, how many faults
    // are active, whether the step exchanged values with the control system
    // (false: the coupling was lost), how many upsets are active and, per
    // loop, whether one acts on its PV (its panel's band).
    void Sample(double time, const std::vector<LoopSample>& loops,
                const std::vector<double>& imports, int faults = 0, bool coupled = true,
                int upsets = 0, const std::vector<unsigned char>& loop_upsets = {});

    // RFC 4180: time_s, then LOOP.PV, LOOP.SP, LOOP.OP, LOOP.MODE per loop,
    // then each import, then "faults" (active faults) when the run has any,
    // then "upsets" (active malfunctions and disturbances) when it has any,
    // then "coupling" (1 coupled, 0 lost);
    // names quoted where they need it, CRLF line ends,
    // every number the shortest text that reads back to the same double.
    bool WriteCsv(const std::string& path, std::string& error) const;
    std::string Csv() const;
    // One panel per loop (at most max_loops; the title says when some are left
    // out), then one panel for the imports.
    std::string Svg(const std::string& title, int max_loops) const;
    // A panel for each of these loops (indexes in Setup's order) under the
    // heading, then at most max_imports import panels.
    std::string SvgOf(const std::string& heading, const std::vector<size_t>& loops,
                      size_t max_imports) const;

private:
    struct Series {
        std::vector<double> pv, sp, op;
        std::vector<int32_t> mode;
        std::vector<unsigned char> upset;  // 1 where an upset acts on the PV
    };
    std::vector<std::string> loop_names_, import_names_;
    std::vector<double> time_;
    std::vector<Series> loops_;
    std::vector<std::vector<double>> imports_;
    bool has_faults_ = false;
    std::vector<unsigned char> faults_;
    bool has_upsets_ = false;
    std::vector<unsigned char> upsets_;
    std::vector<unsigned char> lost_;  // 1 where the coupling was lost
};
