// Process behaviour: PID function blocks scanning on simulated time.
//
// A block keeps its SP and OP in the SP and OP tags, so a value set through
// the control API (VnxSimSetFloat) acts like an operator's entry. Position
// form: OP = I + P + D, where I carries the bias. Whenever the block takes
// over (switch to automatic, or OP changed from outside while automatic) it
// sets I so that its output equals the current OP: no bump. Integration
// stops while the output is limited and the error would drive it further
// (anti-windup). The derivative acts on the PV, so a setpoint step gives no
// kick.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

struct Block {
    std::string name;
    int32_t sp = -1, op = -1, mode = -1, sp_init = -1, op_init = -1, pv = -1;
    size_t pv_element = 0;
    double kp = 0.0, ti = 0.0, td = 0.0, op_lo = 0.0, op_hi = 100.0, scan = 1.0;
    double start = 0.0;  // time of definition; scan k runs at start + k * scan
    int64_t scans = 0;
    bool automatic = false;
    double integral = 0.0;
    double pv_last = 0.0;
    double op_written = std::numeric_limits<double>::quiet_NaN();
};

std::vector<Block> g_blocks;
double g_now = 0.0;

double Due(const Block& b) { return b.start + static_cast<double>(b.scans + 1) * b.scan; }

double Value(int32_t tag, size_t element = 0) { return TagAt(tag).committed[element]; }

void Write(int32_t tag, double v)
{
    Tag& t = TagAt(tag);
    t.committed[0] = StoreAs(t, v);
}

double Clamp(const Block& b, double v) { return std::min(std::max(v, b.op_lo), b.op_hi); }

void Scan(Block& b)
{
    if (SaturateToInt(Value(b.mode)) != 1) {
        b.automatic = false;  // manual: OP held
        return;
    }
    double pv = Value(b.pv, b.pv_element);
    double sp = Value(b.sp);
    double op = Value(b.op);
    double error = sp - pv;
    if (!b.automatic || op != b.op_written) {
        b.automatic = true;
        b.integral = op - b.kp * error;
        b.pv_last = pv;
        b.op_written = op;
        return;
    }
    double p = b.kp * error;
    double d = b.td > 0.0 ? -b.kp * b.td * (pv - b.pv_last) / b.scan : 0.0;
    double step = b.ti > 0.0 ? b.kp * b.scan / b.ti * error : 0.0;
    double out = b.integral + step + p + d;
    bool winding = (out > b.op_hi && step > 0.0) || (out < b.op_lo && step < 0.0);
    if (!winding) b.integral += step;
    Write(b.op, Clamp(b, b.integral + p + d));
    b.op_written = Value(b.op);
    b.pv_last = pv;
}

bool Finite(double v) { return std::isfinite(v); }

// A tag usable as a block's scalar input or output.
int32_t ScalarTag(const char* name)
{
    int32_t t = FindTag(name);
    if (t < 0 || TagAt(t).is_array || TagAt(t).committed.empty()) return -1;
    return t;
}

}  // namespace

void OnCommit(int32_t tag)
{
    for (Block& b : g_blocks) {
        if (tag == b.sp_init) Write(b.sp, Value(b.sp_init));
        if (tag == b.op_init) Write(b.op, Clamp(b, Value(b.op_init)));
    }
}

void ResetProcess()
{
    g_blocks.clear();
    g_now = 0.0;
}

}  // namespace vnxsim

using namespace vnxsim;

VNXSIM_API int32_t VnxSimDefinePid(const VnxSimPid* pid)
{
    if (!pid || !pid->name) return VNX_ST_INVALID_PARAMETER;
    for (const Block& b : g_blocks) {
        if (b.name == pid->name) return VNX_ST_INVALID_PARAMETER;
    }
    Block b;
    b.name = pid->name;
    b.sp = ScalarTag(pid->sp_tag);
    b.op = ScalarTag(pid->op_tag);
    b.mode = ScalarTag(pid->mode_tag);
    b.sp_init = ScalarTag(pid->sp_init_tag);
    b.op_init = ScalarTag(pid->op_init_tag);
    if (b.sp < 0 || b.op < 0 || b.mode < 0 || b.sp_init < 0 || b.op_init < 0) {
        return VNX_ST_INVALID_PARAMETER;
    }
    if (pid->pv_index < 0) {
        b.pv = ScalarTag(pid->pv_tag);
        b.pv_element = 0;
    } else {
        b.pv = FindTag(pid->pv_tag);
        if (b.pv >= 0 && (!TagAt(b.pv).is_array ||
                          static_cast<size_t>(pid->pv_index) >= TagAt(b.pv).committed.size())) {
            b.pv = -1;
        }
        b.pv_element = static_cast<size_t>(pid->pv_index);
    }
    if (b.pv < 0) return VNX_ST_INVALID_PARAMETER;
    if (!Finite(pid->kp) || !Finite(pid->ti) || !Finite(pid->td) || pid->ti < 0.0 ||
        pid->td < 0.0 || !Finite(pid->op_lo) || !Finite(pid->op_hi) || pid->op_lo > pid->op_hi ||
        !Finite(pid->scan) || pid->scan <= 0.0) {
        return VNX_ST_INVALID_PARAMETER;
    }
    b.kp = pid->kp;
    b.ti = pid->ti;
    b.td = pid->td;
    b.op_lo = pid->op_lo;
    b.op_hi = pid->op_hi;
    b.scan = pid->scan;
    b.start = g_now;
    g_blocks.push_back(std::move(b));
    return VNX_ST_OK;
}

VNXSIM_API int32_t VnxSimSetPidPhase(const char* name, double phase)
{
    for (Block& b : g_blocks) {
        if (!name || b.name != name) continue;
        if (b.scans > 0 || !(phase >= 0.0 && phase < b.scan)) return VNX_ST_INVALID_PARAMETER;
        // Due() counts scan k + 1 from start: the first then falls at the phase.
        b.start += phase - b.scan;
        return VNX_ST_OK;
    }
    return VNX_ST_INVALID_PARAMETER;
}

VNXSIM_API void VnxSimAdvance(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return;
    double target = g_now + seconds;
    // Scans due within rounding of the target belong to this advance.
    double slack = 1e-9 * std::max(1.0, std::fabs(target));
    // Earliest scan first; equal times scan in order of definition. A queue
    // keeps a large plant linear in its blocks.
    using DueScan = std::pair<double, size_t>;
    std::priority_queue<DueScan, std::vector<DueScan>, std::greater<DueScan>> due;
    for (size_t i = 0; i < g_blocks.size(); ++i) {
        if (Due(g_blocks[i]) <= target + slack) due.push({Due(g_blocks[i]), i});
    }
    while (!due.empty()) {
        DueScan next = due.top();
        due.pop();
        Block& b = g_blocks[next.second];
        g_now = std::max(g_now, next.first);
        ++b.scans;
        Scan(b);
        if (Due(b) <= target + slack) due.push({Due(b), next.second});
    }
    g_now = target;
}

VNXSIM_API double VnxSimTime(void) { return g_now; }
