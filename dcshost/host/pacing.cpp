#include "dcshost/host/pacing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <time.h>
#endif

#include "dcshost/host/interrupt.h"

namespace {

// The longest single sleep: an interrupt is seen within it.
constexpr double kLongestSleep = 0.2;
constexpr double kMinSpeed = 0.1;
constexpr double kMaxSpeed = 100.0;

class SteadyClock : public PaceClock {
public:
    double Now() override
    {
        using Seconds = std::chrono::duration<double>;
        return std::chrono::duration_cast<Seconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void Sleep(double seconds) override
    {
        if (seconds <= 0) return;
#if defined(_WIN32)
        ::Sleep(static_cast<DWORD>(std::ceil(seconds * 1000.0)));
#else
        timespec wait;
        wait.tv_sec = static_cast<time_t>(seconds);
        wait.tv_nsec = static_cast<long>((seconds - static_cast<double>(wait.tv_sec)) * 1e9);
        nanosleep(&wait, nullptr);  // a signal ends it early: the pacer looks again
#endif
    }
};

}  // namespace

PaceClock& MonotonicClock()
{
    static SteadyClock clock;
    return clock;
}

Pacer::Pacer(PaceClock& clock, double step, double speed)
    : clock_(clock), slot_(std::isinf(speed) ? 0.0 : step / speed), speed_(speed)
{}

void Pacer::Begin()
{
    start_ = clock_.Now();
    origin_ = start_;
    last_end_ = start_;
}

void Pacer::WaitFor(int k)
{
    last_due_ = origin_ + k * slot_;  // from the start, never from the last step
    double now = clock_.Now();
    if (slot_ > 0 && now - last_due_ > kResyncSlots * slot_) {
        // The steps missed in the stall were the outage's: firing them back
        // to back would burst into a control system that just came back.
        ++resyncs_;
        stalled_ += now - last_due_;
        origin_ = now - k * slot_;
        last_due_ = now;
    }
    for (; now < last_due_; now = clock_.Now()) {
        if (InterruptRequested()) break;
        clock_.Sleep(std::min(last_due_ - now, kLongestSleep));
    }
    last_began_ = clock_.Now();
}

void Pacer::Done(int /*k*/)
{
    last_end_ = clock_.Now();
    ++steps_;
    if (slot_ <= 0) return;
    // From when the step was due: a late start counts against it.
    double percent = (last_end_ - last_due_) / slot_ * 100.0;
    worst_ = std::max(worst_, percent);
    if (percent > 100.0) ++overruns_;
    double bin = std::floor(std::max(percent, 0.0) * 10.0);
    bins_[static_cast<size_t>(std::min(bin, kBins - 1.0))] += 1;
}

double Pacer::Elapsed() const { return clock_.Now() - start_; }

PaceFigures Pacer::Figures() const
{
    PaceFigures figures;
    figures.speed = speed_;
    figures.slot = slot_;
    figures.steps = steps_;
    figures.overruns = overruns_;
    figures.worst = worst_;
    figures.wall = last_end_ - start_;
    figures.drift = steps_ > 0 && slot_ > 0 ? std::max(0.0, last_began_ - last_due_) : 0.0;
    figures.resyncs = resyncs_;
    figures.stalled = stalled_;
    // The bin's upper edge: the 99th percentile is never understated.
    const uint64_t rank = (uint64_t{static_cast<uint32_t>(steps_)} * 99 + 99) / 100;
    uint64_t seen = 0;
    for (int i = 0; i < kBins && steps_ > 0 && slot_ > 0; ++i) {
        seen += bins_[static_cast<size_t>(i)];
        if (seen >= rank) {
            figures.p99 = std::min((i + 1) / 10.0, worst_);
            break;
        }
    }
    return figures;
}

double ChooseSpeed(double asked, bool live)
{
    if (asked > 0) return asked;
    return live ? 1.0 : kSpeedMax;
}

std::string ParseSpeed(const std::string& text, double& speed)
{
    if (text == "max") {
        speed = kSpeedMax;
        return "";
    }
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || std::isnan(value))
        return "'" + text + "' is neither a number nor max";
    if (value < kMinSpeed || value > kMaxSpeed) {
        char why[120];
        std::snprintf(why, sizeof why, "%g is outside %g to %g (or max)", value, kMinSpeed,
                      kMaxSpeed);
        return why;
    }
    speed = value;
    return "";
}

std::string DescribeSpeed(double speed)
{
    if (std::isinf(speed)) return "as fast as it can";
    char text[64];
    std::snprintf(text, sizeof text, "%gx wall clock%s", speed, speed == 1.0 ? " (realtime)" : "");
    return text;
}

std::string FormatPacing(const PaceFigures& f)
{
    char text[320];
    if (!f.Paced()) {
        std::snprintf(text, sizeof text, "pacing: %s, %d steps in %.3f s of wall clock",
                      DescribeSpeed(f.speed).c_str(), f.steps, f.wall);
        return text;
    }
    std::snprintf(text, sizeof text,
                  "pacing: %s, %d steps in %.3f s of wall clock; %d overrun%s, step time worst "
                  "%.1f %%, 99th percentile %.1f %% of the %g s slot; last step %.3f s late",
                  DescribeSpeed(f.speed).c_str(), f.steps, f.wall, f.overruns,
                  f.overruns == 1 ? "" : "s", f.worst, f.p99, f.slot, f.drift);
    if (f.resyncs == 0) return text;
    char resync[120];
    std::snprintf(resync, sizeof resync,
                  f.resyncs == 1 ? "; %d resynchronisation after a stall of %.3f s"
                                 : "; %d resynchronisations after stalls of %.3f s in all",
                  f.resyncs, f.stalled);
    return text + std::string(resync);
}
