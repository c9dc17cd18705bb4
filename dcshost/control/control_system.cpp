#include "dcshost/control/control_system.h"

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdio>

#include "dcshost/console.h"
#include "dcshost/control/call_log.h"
#include "dcshost/control/control_api.h"
#include "dcshost/scenario/limits.h"

namespace {

// Scenario numbers are finite doubles; a plain cast of one out of range is
// undefined, so they are saturated first.
float ToFloat(double value)
{
    return static_cast<float>(
        std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

int32_t ToInt(double value)
{
    return static_cast<int32_t>(
        std::clamp(value, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

bool Defined(int32_t status, const Scenario& scenario, SourcePos pos, const std::string& what,
             ScenarioError& error)
{
    if (status == 0) return true;
    error = ScenarioError{
        scenario.file, pos,
        "the control system refuses " + what + " (status " + std::to_string(status) + ")"};
    return false;
}

std::string Counted(size_t n, const char* one, const char* many, const char* key)
{
    return std::to_string(n) + " " + (n == 1 ? one : many) + " (" + key + ")";
}

}  // namespace

std::string ControlSystemChanges(const Scenario& scenario)
{
    std::vector<std::string> parts;
    if (!scenario.tags.empty() || !scenario.arrays.empty() || !scenario.pids.empty() ||
        scenario.read_jitter_ms > 0.0)
        parts.push_back("[system] section");
    if (!scenario.run.events.empty())
        parts.push_back(Counted(scenario.run.events.size(), "operator event", "operator events",
                                "[[run.event]]"));
    if (!scenario.run.faults.empty())
        parts.push_back(Counted(scenario.run.faults.size(), "fault", "faults", "[[run.fault]]"));
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

bool BuildControlSystem(const Scenario& scenario, ScenarioError& error)
{
    Vnx().VnxSimReset();
    for (const SysTag& tag : scenario.tags) {
        int32_t status = tag.type == TagType::Int
                             ? Vnx().VnxSimDefineInt(tag.name.c_str(), ToInt(tag.value))
                             : Vnx().VnxSimDefineFloat(tag.name.c_str(), ToFloat(tag.value));
        if (!Defined(status, scenario, tag.pos, "tag '" + tag.name + "'", error)) return false;
        if (tag.status != 0)
            Vnx().VnxSimSetTagStatus(tag.name.c_str(), static_cast<int16_t>(tag.status));
        if (tag.io_status != 1) Vnx().VnxSimSetIOStatus(tag.name.c_str(), tag.io_status);
        if (tag.quality != 0) Vnx().VnxSimSetQuality(tag.name.c_str(), tag.quality);
    }
    for (const SysArray& array : scenario.arrays) {
        int32_t status =
            Vnx().VnxSimDefineArray(array.name.c_str(), static_cast<int16_t>(array.lower),
                                    static_cast<int16_t>(array.upper), ToFloat(array.value));
        if (!Defined(status, scenario, array.pos, "array '" + array.name + "'", error))
            return false;
    }
    for (const SysPid& def : scenario.pids) {
        VnxSimPid pid{};
        pid.name = def.name.c_str();
        pid.sp_tag = def.sp_tag.c_str();
        pid.op_tag = def.op_tag.c_str();
        pid.mode_tag = def.mode_tag.c_str();
        pid.sp_init_tag = def.sp_init_tag.c_str();
        pid.op_init_tag = def.op_init_tag.c_str();
        pid.pv_tag = def.pv_tag.c_str();
        pid.pv_index = def.pv_index;
        pid.kp = def.kp;
        pid.ti = def.ti;
        pid.td = def.td;
        pid.op_lo = def.op_lo;
        pid.op_hi = def.op_hi;
        pid.scan = def.scan;
        if (!Defined(Vnx().VnxSimDefinePid(&pid), scenario, def.pos, "PID '" + def.name + "'",
                     error))
            return false;
        if (def.phased && !Defined(Vnx().VnxSimSetPidPhase(pid.name, def.phase), scenario, def.pos,
                                   "the phase of PID '" + def.name + "'", error))
            return false;
    }
    return true;
}

OperatorEvents::OperatorEvents(const Scenario& scenario)
{
    for (const RunEvent& event : scenario.run.events) {
        bool is_int = false;
        for (const SysTag& tag : scenario.tags)
            if (tag.name == event.tag) is_int = tag.type == TagType::Int;
        events_.push_back(Due{event, is_int});
    }
    std::stable_sort(events_.begin(), events_.end(),
                     [](const Due& a, const Due& b) { return a.event.at < b.event.at; });
}

int OperatorEvents::ApplyDue(double time)
{
    int applied = 0;
    // A small allowance so an event at a step's time is not missed by rounding.
    while (next_ < events_.size() && events_[next_].event.at <= time + 1e-9) {
        const Due& due = events_[next_++];
        const char* tag = due.event.tag.c_str();
        if (due.is_int)
            Vnx().VnxSimSetInt(tag, 0, ToInt(due.event.value));
        else
            Vnx().VnxSimSetFloat(tag, 0, ToFloat(due.event.value));
        ++applied;
        if (!report_) continue;
        std::string write = due.event.tag + " = " + NumberText(due.event.value);
        if (calls_) calls_->Line("event", write);
        BreakProgressLine();
        std::printf("event at %s s: %s\n", NumberText(time).c_str(), write.c_str());
        std::fflush(stdout);
    }
    return applied;
}

double ReadSystemValue(const std::string& tag)
{
    float value = 0.0f;
    if (Vnx().VnxSimGetFloat(tag.c_str(), 0, &value) == 0) return value;
    int32_t number = 0;
    if (Vnx().VnxSimGetInt(tag.c_str(), 0, &number) == 0) return number;
    return 0.0;
}
