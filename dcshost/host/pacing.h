// Pacing: the steps of a run on the wall clock, F simulated seconds per
// second. Step k is due at start + k * slot, an absolute schedule on a
// monotonic clock, so a late step or a long sleep never adds up over a run.
// A stall of more than a few slots (a reconfigure's settle, a control system
// that hung) is not caught up: the schedule starts again from the step after
// it, so no burst of exchanges follows. What each step took against its slot
// is kept for the lag figures.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

// The speed that does not wait at all (--speed max).
constexpr double kSpeedMax = std::numeric_limits<double>::infinity();

// The clock pacing reads and waits on; tests give their own.
class PaceClock {
public:
    virtual ~PaceClock() = default;
    virtual double Now() = 0;  // seconds, monotonic
    // May wake early (a signal); the pacer looks at the clock again.
    virtual void Sleep(double seconds) = 0;
};

// The machine's monotonic clock.
PaceClock& MonotonicClock();

// What pacing gives the summary and --json.
struct PaceFigures {
    double speed = kSpeedMax;  // simulated seconds per wall-clock second
    double slot = 0.0;         // wall-clock seconds per step; 0: not paced
    int steps = 0;             // steps timed
    int overruns = 0;          // steps that ended after their slot
    double worst = 0.0;        // the longest step, percent of the slot
    double p99 = 0.0;          // 99th percentile of step time, percent of the slot
    double wall = 0.0;         // seconds from the first step's wait to the last step's end
    double drift = 0.0;        // how late the last step began, s
    int resyncs = 0;           // stalls after which the schedule started again
    double stalled = 0.0;      // how far behind the schedule was at those, s in all
    bool Paced() const { return slot > 0.0; }
};

class Pacer {
public:
    // speed: kSpeedMax, or 0.1 to 100.
    Pacer(PaceClock& clock, double step, double speed);

    // The schedule starts now.
    void Begin();
    // Waits until step k (1, 2, ...) is due; returns at once when it is
    // late or an interrupt was asked for. More than kResyncSlots late, step
    // k is due now and the schedule runs on from it.
    void WaitFor(int k);
    // Step k's work is over.
    void Done(int k);
    // Wall-clock seconds since Begin.
    double Elapsed() const;

    PaceFigures Figures() const;

    // "A few slots": later than this, a step is a stall's, not a catch-up.
    static constexpr double kResyncSlots = 3.0;

private:
    // Step times in tenths of a percent of the slot; the last bin holds
    // everything longer.
    static constexpr int kBins = 10001;

    PaceClock& clock_;
    double slot_;
    double speed_;
    double start_ = 0.0;   // Begin
    double origin_ = 0.0;  // when step 0 was due: start_, moved on by each stall
    double last_due_ = 0.0;
    double last_began_ = 0.0;
    double last_end_ = 0.0;
    int steps_ = 0;
    int overruns_ = 0;
    int resyncs_ = 0;
    double stalled_ = 0.0;
    double worst_ = 0.0;
    std::array<uint32_t, kBins> bins_{};
};

// The speed asked for, or the run's default: live runs keep the control
// system's wall clock, simulated runs have no clock to keep.
double ChooseSpeed(double asked, bool live);
// "max", or a number from 0.1 to 100; empty when good, else why not.
std::string ParseSpeed(const std::string& text, double& speed);
// "1x wall clock (realtime)", "10x wall clock", "as fast as it can".
std::string DescribeSpeed(double speed);
// The summary's pacing line.
std::string FormatPacing(const PaceFigures& figures);
