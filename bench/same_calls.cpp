#include "bench/same_calls.h"

#include <map>
#include <utility>
#include <vector>

#include "dcs/driver/entry_points.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

constexpr int16_t kFailedStatus = VNX_ST_FAILURE;

std::vector<std::string> TracedRun(Side side, Op op, int32_t rows)
{
    std::vector<std::string> lines;
    Scene* scene = EnterScene(side, rows, /*fresh=*/true);
    if (!scene) return lines;
    PrepareOp(*scene, op);
    VnxSimTraceEnable(1);
    VnxSimTraceClear();
    RunOp(*scene, op);
    VnxSimTraceEnable(0);
    char buf[256];
    const int32_t n = VnxSimTraceCount();
    lines.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        VnxSimTraceLine(i, buf, sizeof buf);
        lines.emplace_back(buf);
    }
    VnxSimTraceClear();
    LeaveScene();
    return lines;
}

}  // namespace

void PrepareOp(Scene& scene, Op op)
{
    SetArrayTagStatus(op == Op::kSimulatePerTag ? kFailedStatus : 0);
    if (op == Op::kConfigure && scene.bound) UnbindScene(scene);
    if (op != Op::kConfigure && !scene.bound) BindScene(scene);
}

void RunOp(Scene& s, Op op)
{
    const bool driver = s.side == Side::kDriver;
    switch (op) {
    case Op::kSimulateArray:
    case Op::kSimulatePerTag:
        // The same driver step; the floor's path differs by the array's status.
        if (driver)
            DCSSimulate(s.data);
        else if (op == Op::kSimulateArray)
            FloorSimulateArray(s.plan);
        else
            FloorSimulatePerTag(s.plan);
        break;
    case Op::kConfigure:
        BindScene(s);
        break;
    case Op::kReset:
        UnbindScene(s);
        break;
    case Op::kInitialize:
        if (driver)
            DCSInitialize(s.data);
        else
            FloorInitialize(s.plan);
        break;
    }
}

std::string CompareWithFloor(Op op, int32_t rows)
{
    static std::map<std::pair<int, int32_t>, std::string> checked;
    const auto key = std::make_pair(static_cast<int>(op), rows);
    auto known = checked.find(key);
    if (known != checked.end()) return known->second;

    const std::vector<std::string> driver = TracedRun(Side::kDriver, op, rows);
    const std::vector<std::string> floor = TracedRun(Side::kFloor, op, rows);
    std::string verdict;
    if (driver.empty()) verdict = "the driver made no call";
    for (size_t i = 0; verdict.empty() && i < driver.size() && i < floor.size(); ++i) {
        if (driver[i] != floor[i]) {
            verdict = "call " + std::to_string(i) + ": driver " + driver[i] + ", floor " + floor[i];
        }
    }
    if (verdict.empty() && driver.size() != floor.size()) {
        verdict = "driver made " + std::to_string(driver.size()) + " calls, floor " +
                  std::to_string(floor.size());
    }
    checked.emplace(key, verdict);
    return verdict;
}
