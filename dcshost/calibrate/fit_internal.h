// What the PID fit's steps hand each other: which reads carry a scan of the
// block, which are manual or at a limit, and the law's own arithmetic.
#pragma once

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "dcshost/calibrate/fits.h"

namespace calib {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// How far after a step a read may come, in steps: scans due this soon may
// already have run before it.
constexpr double kLateRead = 0.08;
// A read the law gives to within this (% of OP) is explained: the reads
// carry the OP to a few parts in a million.
constexpr double kExact = 1e-3;

// One scan of the block as the fit places it: its output is first read at
// step `read`, and it acted on the PV of step `read - 1` (the PV the driver
// sent after its reads of that step) and the SP of step `late - 1` (the step
// it fell in).
struct ScanEvent {
    int read = 0;
    bool takeover = false;  // first scan after manual or an OP write: output unchanged
    bool movable = false;   // fell just after a step: read then (late - 1) or at late
    int late = 0;
};

// Where the block's scans fall against the steps.
struct ScanPlan {
    double period = 0.0;      // s; the step when the block scans at least once per step
    double phase = 0.0;       // s: scans at phase + n period on the steps' times
    bool below_step = false;  // every step carries a scan: the period may be shorter
    std::vector<ScanEvent> scans;
    std::vector<int> last_scan;  // per step: index of the last scan read by then, -1 none
};

// How the recorded OP behaves, step by step.
struct OpSpans {
    bool lo_reached = false, hi_reached = false;
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
    std::vector<char> clamped;   // OP at a reached limit
    std::vector<char> excluded;  // manual, written or not finite: not the law's
    std::vector<std::pair<int, int>> manual;
};

// The law in the settings a scenario takes; ti = 0 and td = 0 switch the
// integral and derivative off. period converts per-scan terms to times.
struct Law {
    double kp = 0.0, ti = 0.0, td = 0.0;
    double period = 1.0;
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
};

// A row of the law fit: the recorded OP at the read of scan `to`, predicted
// from the recorded OP at the read of scan `from` (to > from).
struct LawRow {
    int from = 0, to = 0;
};

inline bool Finite(double v) { return std::isfinite(v); }
// A fitted value with its standard error as a share of it (NaN: not known).
inline Fitted Stated(double value, double se)
{
    const double rel = value != 0.0 ? se / std::fabs(value) : kNaN;
    return Fitted{value, Finite(rel) ? rel : kNaN};
}

// op_spans.cpp
OpSpans FindLimits(const LoopData& loop, const ScanPlan& plan);
// Held runs of OP while the error is not zero; the period sets how long a
// hold the scans alone explain.
void FindManualSpans(const LoopData& loop, const ScanPlan& plan, OpSpans& spans);
// An operator's OP write: a read the law cannot explain, held through the
// next scan.
void AddWrites(const LoopData& loop, const ScanPlan& plan, const std::vector<int>& reads,
               OpSpans& spans);

// scan_fit.cpp
ScanPlan PlanScans(const LoopData& loop);
// The scans of the grid phase + n period, each read at the first step after
// it unless the reads' changes say the read before.
ScanPlan GridPlan(const LoopData& loop, double period, double phase);
void MarkTakeovers(const OpSpans& spans, ScanPlan& plan);
// scan_refine.cpp: movable scans moved to the read the law explains better.
void RefineScans(const LoopData& loop, const OpSpans& spans, const Law& law, ScanPlan& plan);
// The grid moved at either end, the scans placed for the law each time, to
// the earliest place where the law misses fewest reads; `from` when none
// misses fewer (a block faster than the step keeps its plan).
ScanPlan SettleGrid(const LoopData& loop, const OpSpans& spans, const Law& law,
                    const ScanPlan& from);

// scan_search.cpp: the grids of scans the law explains best, best first,
// from a third of the step to three steps and around the period of `from`;
// none when the recording is too short to tell.
std::vector<ScanPlan> SearchScans(const LoopData& loop, const ScanPlan& from);
// The share of the law's rows it misses by more than kExact.
double MissedShare(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans,
                   const Law& law);

// pid_law.cpp
std::vector<LawRow> LawRows(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans,
                            int first_read, int last_read);
double PredictRead(const LoopData& loop, const ScanPlan& plan, const Law& law, LawRow row);
// The block's integral after scan j, taken from the OP it gave.
double TakeOver(const LoopData& loop, const ScanPlan& plan, const Law& law, int j, double op);
// Scan j of the block: its output, the integral moved on.
double ScanOnce(const LoopData& loop, const ScanPlan& plan, const Law& law, int j,
                double& integral);
bool ScanUsable(const LoopData& loop, const ScanPlan& plan, int j);
struct LawFit {
    bool ok = false;
    Law law;
    Fitted kp, ti, td;
    std::vector<int> outliers;  // reads of rows left out as unexplained
};
LawFit FitLaw(const LoopData& loop, const ScanPlan& plan, const std::vector<LawRow>& rows,
              Law base);

// pid_scores.cpp
// 100 (1 - NRMSE), finite, at most 100.
double FitPercent(const std::vector<double>& y, const std::vector<double>& fit);
// OP run free from the reads in `resync` (each starts again from the recorded
// OP there), over reads [first, last]; NaN where not the law's.
std::vector<double> RunFree(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans,
                            const Law& law, const std::vector<char>& resync, int first, int last);
void ScorePid(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans, const Law& law,
              PidFit& fit);

}  // namespace calib
