// What an engineer upsets on the host's side during a run: transmitters
// behind the PV rows that freeze, drift or fail (malfunctions), and plant
// blocks whose output takes a step or a ramp (disturbances). The control
// system is not touched, so both are valid in live runs too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dcshost/plant/pv_noise.h"
#include "dcshost/plant/wiring.h"
#include "dcshost/scenario/scenario.h"

class CallLog;

// What one upset did in a run.
struct UpsetOutcome {
    int64_t steps = 0;   // steps it acted on
    double cut_at = -1;  // the run ended inside its window, at this time; else < 0
};

class Upsets {
public:
    Upsets() = default;
    // Each row and block resolved to its index once, never on a step.
    Upsets(const Scenario& scenario, const Plant& plant, const Wiring& wiring);
    bool Any() const { return !malfunctions_.empty() || !disturbances_.empty(); }

    // The host's side of the step at `time`: the disturbances into the
    // plant's outputs, the plant's outputs into the PV rows with their
    // measurement noise, then the malfunctions over what the rows send, in
    // file order. Each start and
    // end goes to the call log (when there is one).
    void Export(double time, HostBlock& block, Plant& plant, const Wiring& wiring,
                const PlantSignals& signals, CallLog* calls);
    // Upsets acting in the last Export.
    int Active() const { return active_; }
    // Per loop, 1 where one of those acts on its PV: a malfunction of its PV
    // row, a disturbance of a block its PV reads or one upstream of it.
    const std::vector<unsigned char>& LoopsHit() const { return hit_; }

    // One line each: the window, whether the run cut it, and on how many
    // steps it acted.
    std::vector<std::string> Summary(double end) const;

    // Malfunctions then disturbances, each in file order, as Summary.
    std::vector<UpsetOutcome> Outcomes(double end) const;
    // Each acted on a step at least.
    static bool Acted(const std::vector<UpsetOutcome>& outcomes);
    // One line each, as the summary's before the run: what acts, and when.
    static std::vector<std::string> Planned(const Scenario& scenario);

    static std::string Describe(const RunMalfunction& m);
    static std::string Describe(const RunDisturbance& d);

private:
    struct Window {
        double at = 0.0, until = 0.0;
        bool open_ended = false;
        bool open = false;
        int64_t steps = 0;          // steps it acted on
        std::string text;           // for the log and the summary, made once
        std::vector<size_t> loops;  // whose PV it acts on
        // Whether the window holds `time`; opens and closes it, with a log
        // line, and marks its loops hit.
        bool Due(double time, const char* who, CallLog* calls, std::vector<unsigned char>& hit);
        bool CutAt(double end) const { return open && !open_ended && end < until; }
    };
    struct Malfunction {
        RunMalfunction def;
        Window window;
        int row = 0;
        bool constant = false;  // a row without a plant source: its value never moves
        double held = 0.0;      // freeze: the value as it started
    };
    struct Disturbance {
        RunDisturbance def;
        Window window;
        int block = 0;
    };
    void Line(std::vector<std::string>& lines, const std::string& what, const Window& w,
              double end) const;

    std::vector<Malfunction> malfunctions_;
    std::vector<Disturbance> disturbances_;
    PVNoise noise_;
    std::vector<double> constants_;  // per PV row: its constant value
    std::vector<double> added_;      // per plant block: what its disturbances add
    int active_ = 0;
    std::vector<unsigned char> hit_;  // per loop
};
