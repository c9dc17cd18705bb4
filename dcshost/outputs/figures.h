// Per-loop figures of a whole run, gathered step by step: the integral of
// the absolute error, the overshoot past the last setpoint change and the
// time the loop took to settle after it.
#pragma once

#include <vector>

#include "dcshost/outputs/trend.h"

struct LoopFigures {
    double iae = 0.0;  // integral of |PV - SP| over the run, units x s
    // Largest excursion of PV past SP after the last setpoint change, in
    // percent of that change; NaN when SP never changed.
    double overshoot_percent = 0.0;
    // Seconds from the last setpoint change (or the start) until the loop
    // stayed within the band to the end; NaN when it did not.
    double settling_time = 0.0;
};

class FigureTracker {
public:
    // band: the settling band in percent of the setpoint (ErrorPercent).
    void Setup(size_t loops, double band);
    // One sample of every loop at `time`, `step` seconds after the last.
    void Add(double time, double step, const std::vector<LoopSample>& loops);
    std::vector<LoopFigures> Figures() const;

private:
    struct Track {
        double iae = 0.0;
        double change_at = 0.0;      // time of the last setpoint change
        double change = 0.0;         // its size (SP after - SP before)
        double overshoot = 0.0;      // largest excursion since, in units
        double settled_from = -1.0;  // first time inside since last outside, < 0: outside
        double last_sp = 0.0;
        bool started = false;
    };
    std::vector<Track> tracks_;
    double band_ = 2.0;
};
