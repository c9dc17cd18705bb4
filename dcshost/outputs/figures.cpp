#include "dcshost/outputs/figures.h"

#include <algorithm>
#include <cmath>

#include "dcshost/outputs/summary.h"

void FigureTracker::Setup(size_t loops, double band)
{
    tracks_.assign(loops, Track{});
    band_ = band;
}

void FigureTracker::Add(double time, double step, const std::vector<LoopSample>& loops)
{
    for (size_t i = 0; i < tracks_.size() && i < loops.size(); ++i) {
        Track& t = tracks_[i];
        const LoopSample& s = loops[i];
        if (!std::isfinite(s.pv)) continue;
        if (!t.started) {
            t.started = true;
            t.last_sp = s.sp;
            t.change_at = time;
        } else {
            t.iae += std::fabs(s.pv - s.sp) * step;
        }
        if (s.sp != t.last_sp) {
            t.change = s.sp - t.last_sp;
            t.change_at = time;
            t.overshoot = 0.0;
            t.settled_from = -1.0;
            t.last_sp = s.sp;
        }
        if (t.change != 0.0)
            t.overshoot = std::max(t.overshoot, (s.pv - s.sp) * (t.change > 0 ? 1 : -1));
        if (!(ErrorPercent(s.pv, s.sp) <= band_))
            t.settled_from = -1.0;
        else if (t.settled_from < 0.0)
            t.settled_from = time;
    }
}

std::vector<LoopFigures> FigureTracker::Figures() const
{
    std::vector<LoopFigures> out;
    for (const Track& t : tracks_) {
        LoopFigures f;
        f.iae = t.iae;
        f.overshoot_percent = t.change != 0.0 ? t.overshoot / std::fabs(t.change) * 100.0 : NAN;
        f.settling_time = t.settled_from < 0.0 ? NAN : t.settled_from - t.change_at;
        out.push_back(f);
    }
    return out;
}
