#include "tests/dcshost/calibrate/loop_sim.h"

#include <cmath>
#include <random>

#include "standins/vnxsim/vnxsim.h"

namespace {

double Normal(std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> u(1e-12, 1.0);
    return std::sqrt(-2.0 * std::log(u(rng))) * std::cos(6.283185307179586 * u(rng));
}

float Get(const char* tag)
{
    float v = 0.0f;
    VnxSimGetFloat(tag, 0, &v);
    return v;
}

bool In(const std::vector<std::pair<int, int>>& spans, int k)
{
    for (auto [a, b] : spans)
        if (k >= a && k <= b) return true;
    return false;
}

}  // namespace

LoopData RecordLoop(const SimLoop& s)
{
    VnxSimReset();
    double y = s.bias + s.gain * 50.0;
    VnxSimDefineFloat("SP", static_cast<float>(y + s.sp_offset));
    VnxSimDefineFloat("OP", 50.0f);
    VnxSimDefineInt("MODE", 1);
    VnxSimDefineFloat("SPI", 0.0f);
    VnxSimDefineFloat("OPI", 0.0f);
    VnxSimDefineFloat("PV", static_cast<float>(y));
    VnxSimPid pid{"L", "SP", "OP", "MODE", "SPI",   "OPI",   "PV",
                  -1,  s.kp, s.ti, s.td,   s.op_lo, s.op_hi, s.scan};
    VnxSimDefinePid(&pid);
    std::mt19937_64 rng(s.seed);
    std::uniform_real_distribution<double> late(0.0, s.jitter);
    if (s.phase >= 0.0) VnxSimAdvance(std::fmod(s.scan - s.phase, s.scan) + 1e-9);
    LoopData d;
    d.step = s.step;
    std::vector<double> ops(s.steps + s.dead + 1, 50.0);
    const double start = VnxSimTime();
    for (int k = 0; k < s.steps; ++k) {
        // Operators act at the step, after the scans due by then; the read may come later.
        double at = start + k * s.step;
        if (at > VnxSimTime()) VnxSimAdvance(at - VnxSimTime());
        if (s.sp_every > 0 && k > 0 && k % s.sp_every == 0)
            VnxSimSetFloat("SP", 0, Get("SP") + ((k / s.sp_every) % 2 ? 10.0f : -10.0f));
        VnxSimSetInt("MODE", 0, In(s.manual, k) ? 0 : 1);
        for (auto [when, v] : s.writes)
            if (when == k) VnxSimSetFloat("OP", 0, static_cast<float>(v));
        if (s.jitter > 0.0) VnxSimAdvance(late(rng));
        d.time.push_back(k * s.step);
        d.sp.push_back(Get("SP"));
        d.op.push_back(Get("OP"));
        ops[k + s.dead + 1] = d.op.back();
        double alpha = 1.0 - std::exp(-s.step / s.tau);
        y += alpha * (s.bias + s.gain * ops[k] - y);
        double pv = y + s.noise * Normal(rng);
        for (auto [when, by] : s.upsets)
            if (k >= when) pv += by;
        d.pv.push_back(static_cast<float>(pv));
        VnxSimSetFloat("PV", 0, static_cast<float>(pv));
    }
    return d;
}
