// What dcshost takes from a user. Every number read from a scenario file or
// the command line is checked against these bounds where it enters, before
// anything is sized from it; the messages name the value, its place and the
// range (limits.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace limits {

constexpr int kMaxRows = 2000;            // rows in each table: what the driver binds
constexpr double kMinStep = 0.001;        // s
constexpr double kMaxStep = 3600.0;       // s
constexpr double kMaxSteps = 10000000.0;  // steps in one run
// A PID block scans at most this often per host step: each scan is work the
// control system does inside one step.
constexpr double kMaxScansPerStep = 1000.0;
// Dead-time lines hold one value per step of delay.
constexpr double kMaxDelaySteps = 1000000.0;         // one block
constexpr double kMaxDelayTotal = 10000000.0;        // all blocks together (80 MB)
constexpr double kMaxGain = 1e6;                     // |kp|, |input gain|
constexpr double kMaxTime = 1e7;                     // s: ti, td, tau
constexpr double kMaxFloat = 3.4028234663852886e38;  // a float tag's value
// What the trends of one run may take in memory (every loop's PV, SP, OP and
// mode and every import, per step).
constexpr double kMaxTrendBytes = 256.0 * 1024 * 1024;
constexpr int kMaxChartLoops = 50;     // an SVG any viewer still opens
constexpr double kMaxPercent = 100.0;  // --require-settled
// A 2000-row scenario takes about 2 MB.
constexpr uintmax_t kMaxScenarioBytes = 64u * 1024 * 1024;
constexpr int kMaxSeed = 2147483647;
constexpr double kMaxReadJitterMs = 1000.0;  // and below the step

}  // namespace limits

// True for lo <= value <= hi (never for NaN).
inline bool InRange(double value, double lo, double hi) { return value >= lo && value <= hi; }

// "WHAT is VALUE UNIT; it must lie between LO and HI UNIT NOTE"
std::string RangeMessage(const std::string& what, double value, double lo, double hi,
                         const std::string& unit = "", const std::string& note = "");
// Shortest text that reads back to the same double ("0.1", "1e+300", "nan"),
// the same on every platform.
std::string NumberText(double value);

// "1 to 10,000,000 steps": how long a run may be.
std::string RunLengthRange();
// Empty when a run of `duration` seconds in steps of `step` takes a whole
// number of steps, 1 to kMaxSteps; else the reason, as "is ... s, ...; ..."
// (the nearest whole runs when it falls between two).
std::string CheckRunLength(double duration, double step);

// Memory the trends of a run take: per sample the time, the fault and
// coupling flags, four values per loop and one per import.
double TrendBytes(double samples, size_t loops, size_t imports);
// Empty when the trends of `steps` steps fit in kMaxTrendBytes; else "the
// trends of ... would take N MB, more than 256 MB".
std::string CheckTrendMemory(long long steps, size_t loops, size_t imports);
