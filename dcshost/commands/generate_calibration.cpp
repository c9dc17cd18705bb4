#include "dcshost/commands/generate_calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

#include "dcshost/control/seeded_draws.h"
#include "dcshost/scenario/limits.h"

namespace {

constexpr double kStep = 1.0;    // s
constexpr double kSlot = 100.0;  // s: at most one operator action or upset per loop and slot

// Draws by seed, the same numbers on every platform: the library's
// distributions differ between builds, the engine does not.
class Draw {
public:
    explicit Draw(uint64_t seed) : draws_(SeededDraws::WithEngineSeed(seed)) {}
    double Uniform(double lo, double hi) { return lo + (hi - lo) * draws_.Uniform(); }
    // The draw's 53 bits as a whole number, taken modulo the count.
    int Whole(int lo, int hi)
    {
        const auto bits = static_cast<uint64_t>(draws_.Uniform() * 0x1.0p53);
        return lo + static_cast<int>(bits % static_cast<uint64_t>(hi - lo + 1));
    }
    bool Chance(double p) { return Uniform(0.0, 1.0) < p; }
    int Sign() { return Chance(0.5) ? 1 : -1; }

private:
    SeededDraws draws_;
};
double Round(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

struct Loop {
    std::string name;
    double gain = 1.0, tau = 10.0, dead = 1.0, bias = 0.0, noise = 0.0;  // plant
    double kp = 1.0, ti = 0.0, td = 0.0, scan = kStep, phase = -1.0;     // phase < 0: none
    double op_lo = 0.0, op_hi = 100.0;
    double sp = 50.0;  // at the start
    double op = 50.0;  // steady output at the start, %
};

struct Event {
    double at;
    std::string tag;
    double value;
};

struct Disturbance {
    double at, until, value, ramp;  // ramp 0: a step
    std::string block;
};

Loop DrawLoop(Draw& draw, const CalibrationCase& c, int index)
{
    Loop l;
    char name[16];
    std::snprintf(name, sizeof name, "C%02d", index + 1);
    l.name = name;
    const int sign = draw.Sign();
    l.gain = sign * Round(draw.Uniform(0.5, 2.0), 3);
    l.tau = Round(draw.Uniform(5.0, 30.0), 1);
    l.dead = draw.Whole(1, 4) * kStep;
    if (c.tier == 'B') {
        // A period that is no whole multiple of the step, and a phase.
        do l.scan = Round(draw.Uniform(0.5, 3.0), 2);
        while (std::fabs(l.scan / kStep - std::round(l.scan / kStep)) < 0.05);
        l.phase = Round(draw.Uniform(0.0, l.scan), 3);
        if (l.phase >= l.scan) l.phase = 0.0;
    } else if (c.tier == 'A') {
        // A slow scan at most half the time constant.
        static const int kMultiples[] = {1, 1, 2, 3, 5};
        l.scan = kStep * std::min(kMultiples[draw.Whole(0, 4)],
                                  std::max(1, static_cast<int>(l.tau / 2.0 / kStep)));
    }
    // A loop gain that stays well damped against the dead time and the scan,
    // settling well within a slot.
    const double loop_gain = draw.Uniform(0.8, 1.5) * l.tau / (l.tau + 2.0 * (l.dead + l.scan));
    l.kp = sign * Round(loop_gain / std::fabs(l.gain), 4);
    l.ti = draw.Chance(0.1) ? 0.0 : Round(l.tau * draw.Uniform(0.6, 1.4), 1);
    l.td = draw.Chance(0.5) ? 0.0 : Round(l.tau * draw.Uniform(0.05, 0.2), 2);
    l.op_lo = Round(draw.Uniform(0.0, 15.0), 2);
    l.op_hi = Round(draw.Uniform(85.0, 100.0), 2);
    const double noise_hi = c.tier == 'C' ? 0.3 : 0.05;
    l.noise = c.noiseless ? 0.0 : Round(draw.Uniform(0.01, noise_hi), 3);
    l.sp = Round(draw.Uniform(20.0, 80.0), 1);
    l.bias = Round(l.sp - l.gain * draw.Uniform(35.0, 65.0), 3);
    l.op = (l.sp - l.bias) / l.gain;
    return l;
}

// A move of the steady output by about `shift` %, turned round or left out
// when it would leave the clamps' inner band.
bool KeepsOutputInside(const Loop& l, double& op, double& shift)
{
    const double lo = l.op_lo + 8.0, hi = l.op_hi - 8.0;
    if (op + shift < lo || op + shift > hi) shift = -shift;
    if (op + shift < lo || op + shift > hi) return false;
    op += shift;
    return true;
}

// The operator's actions and the upsets of one loop, slot by slot. The first
// slot lets the loop settle; a set-point move opens each half of the run, so
// both the fitted and the held-out half are excited.
void DrawTimeline(Draw& draw, const CalibrationCase& c, const Loop& l, std::vector<Event>& events,
                  std::vector<Disturbance>& upsets)
{
    const int slots = static_cast<int>(c.duration / kSlot);
    const int manual = draw.Whole(1, slots - 1);
    int clamp = c.tier == 'C' ? -1 : draw.Whole(1, slots - 1);
    if (clamp == manual) clamp = manual == 1 ? 2 : manual - 1;
    double sp = l.sp, op = l.op;
    for (int s = 1; s < slots; ++s) {
        const double at = s * kSlot + draw.Whole(5, 20) * kStep;
        if (s == manual) {
            const double len = draw.Whole(45, 70) * kStep;
            events.push_back({at, l.name + ".MODE", 0.0});
            for (double write : {at + draw.Whole(5, 15), at + draw.Whole(20, 35)}) {
                double value = op + draw.Sign() * draw.Uniform(3.0, 10.0);
                value = std::clamp(value, l.op_lo + 2.0, l.op_hi - 2.0);
                events.push_back({write, l.name + ".OP", Round(value, 2)});
            }
            events.push_back({at + len, l.name + ".MODE", 1.0});
            continue;
        }
        if (s == clamp) {
            // The steady output this needs lies 25 % beyond a clamp: held there
            // until the upset ends.
            const double beyond = draw.Chance(0.5) ? l.op_hi + 25.0 : l.op_lo - 25.0;
            // Without integral action the output moves only by kp g / (1 + kp g)
            // of what the upset needs.
            const double kpg = l.kp * l.gain;
            const double need = l.ti > 0.0 ? beyond - op : (beyond - op) * (1.0 + kpg) / kpg;
            const double value = Round(-l.gain * need, 3);
            upsets.push_back({at, at + draw.Whole(60, 80), value, 0.0, l.name});
            continue;
        }
        const bool forced = s == 1 || s == slots / 2;
        const double r = draw.Uniform(0.0, 1.0);
        double shift = draw.Sign() * draw.Uniform(5.0, 15.0);
        if (forced || r < 0.55 || (c.tier == 'C' && r < 0.8)) {
            if (!KeepsOutputInside(l, op, shift)) continue;
            sp = Round(sp + l.gain * shift, 2);
            op = (sp - l.bias) / l.gain;
            events.push_back({at, l.name + ".SP", sp});
        } else if (r < 0.8) {
            double back = op;
            if (!KeepsOutputInside(l, back, shift)) continue;
            const double ramp = draw.Chance(0.5) ? draw.Whole(5, 20) * kStep : 0.0;
            // Added to the PV: the output moves the other way to hold it.
            upsets.push_back(
                {at, at + draw.Whole(30, 80), Round(-l.gain * shift, 3), ramp, l.name});
        }
    }
}

void WriteSystem(std::ostringstream& out, const CalibrationCase& c, const std::vector<Loop>& loops)
{
    out << "\n# ---- The simulated control system: the hidden truth ----\n\n[system]\n";
    if (c.tier == 'B') out << "read_jitter_ms = 50\n";
    out << "array = [{ name = \"CAL.PVARR\", lower = 0, upper = " << loops.size() - 1 << " }]\n"
        << "tag = [\n";
    for (const Loop& l : loops)
        out << "  { name = \"" << l.name << ".SP\", value = " << NumberText(l.sp)
            << " }, { name = \"" << l.name << ".OP\", value = " << NumberText(Round(l.op, 3))
            << " }, { name = \"" << l.name << ".MODE\", type = \"int\", value = 1 },\n  { name = \""
            << l.name << ".SPINIT\" }, { name = \"" << l.name << ".OPINIT\" }, { name = \""
            << l.name << ".PV\", value = " << NumberText(l.sp) << " },\n";
    out << "]\n";
    for (size_t i = 0; i < loops.size(); ++i) {
        const Loop& l = loops[i];
        const std::string& n = l.name;
        out << "\n[[system.pid]]\nname = \"" << n << "\"\nsp_tag = \"" << n << ".SP\"\nop_tag = \""
            << n << ".OP\"\nmode_tag = \"" << n << ".MODE\"\nsp_init_tag = \"" << n
            << ".SPINIT\"\nop_init_tag = \"" << n << ".OPINIT\"\npv_tag = \"CAL.PVARR\"\n"
            << "pv_index = " << i << "\nkp = " << NumberText(l.kp) << "\nti = " << NumberText(l.ti)
            << "\ntd = " << NumberText(l.td) << "\nop_lo = " << NumberText(l.op_lo)
            << "\nop_hi = " << NumberText(l.op_hi) << "\nscan = " << NumberText(l.scan) << "\n";
        if (l.phase >= 0.0) out << "phase = " << NumberText(l.phase) << "\n";
    }
}

void WriteHostAndPlant(std::ostringstream& out, const std::vector<Loop>& loops)
{
    out << "\n# ---- The host's tables ----\n\n[host]\npv_array_tag = \"CAL.PVARR\"\n";
    for (const Loop& l : loops) {
        const std::string& n = l.name;
        out << "\n[[host.controller]]\nname = \"" << n << "\"\nsp_tag = \"" << n
            << ".SP\"\nop_tag = \"" << n << ".OP\"\nmode_tag = \"" << n
            << ".MODE\"\nsp_init_tag = \"" << n << ".SPINIT\"\nop_init_tag = \"" << n
            << ".OPINIT\"\nsp = " << NumberText(l.sp)
            << "\nop = " << NumberText(Round(l.op / 100.0, 5)) << "\npv = \"" << n << ".PV\"\n";
    }
    for (const Loop& l : loops)
        out << "\n[[host.pv]]\nname = \"" << l.name << ".PV\"\ntag = \"" << l.name
            << ".PV\"\nfrom = \"plant:" << l.name << "\"\n";
    out << "\n# ---- The plant: one first-order block with dead time per loop ----\n";
    for (const Loop& l : loops)
        out << "\n[[plant.block]]\nname = \"" << l.name
            << "\"\nkind = \"first_order\"\nbias = " << NumberText(l.bias)
            << "\ntau = " << NumberText(l.tau) << "\ndead_time = " << NumberText(l.dead)
            << "\ninitial = " << NumberText(l.sp) << "\nnoise = " << NumberText(l.noise)
            << "\ninputs = [{ from = \"op:" << l.name << "\", gain = " << NumberText(l.gain)
            << " }]\n";
}

}  // namespace

std::string GenerateCalibrationScenario(const CalibrationCase& c)
{
    Draw draw(static_cast<uint64_t>(c.seed) * 4 + static_cast<uint64_t>(c.tier - 'A'));
    std::vector<Loop> loops;
    std::vector<Event> events;
    std::vector<Disturbance> upsets;
    for (int i = 0; i < c.loops; ++i) loops.push_back(DrawLoop(draw, c, i));
    for (const Loop& l : loops) DrawTimeline(draw, c, l, events, upsets);
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.at < b.at; });

    std::ostringstream out;
    out << "# Generated by dcshost generate --calibration " << c.seed << " --tier " << c.tier
        << (c.noiseless ? " --noiseless" : "") << " --loops " << c.loops << " --duration "
        << NumberText(c.duration) << ".\n"
        << "# A calibration case: calibrate fits the recording of its run without this file;\n"
        << "# the comparison then reads the PID blocks and the plant below as the truth.\n"
        << "title = \"Calibration case " << c.seed << ", tier " << c.tier << "\"\n\n"
        << "[run]\nstep = " << NumberText(kStep) << "\nduration = " << NumberText(c.duration)
        << "\nprogress_every = 0\nseed = " << c.seed << "\n";
    for (const Event& e : events)
        out << "\n[[run.event]]\nat = " << NumberText(e.at) << "\ntag = \"" << e.tag
            << "\"\nvalue = " << NumberText(e.value) << "\n";
    for (const Disturbance& d : upsets) {
        out << "\n[[run.disturbance]]\nat = " << NumberText(d.at)
            << "\nuntil = " << NumberText(d.until) << "\nblock = \"" << d.block
            << "\"\nvalue = " << NumberText(d.value) << "\n";
        if (d.ramp > 0.0) out << "ramp = " << NumberText(d.ramp) << "\n";
    }
    WriteSystem(out, c, loops);
    WriteHostAndPlant(out, loops);
    return out.str();
}
