#include "dcshost/control/faults.h"

#include <cstdint>

#include "dcshost/control/call_log.h"
#include "dcshost/control/control_api.h"

namespace {

// A small allowance so a window at a step's time is not missed by rounding.
constexpr double kSlack = 1e-9;

int Condition(const Scenario& scenario, const RunFault& fault)
{
    for (const SysTag& tag : scenario.tags) {
        if (tag.name != fault.tag) continue;
        if (fault.kind == FaultKind::Quality) return tag.quality;
        if (fault.kind == FaultKind::IOStatus) return tag.io_status;
        return tag.status;
    }
    return fault.kind == FaultKind::IOStatus ? 1 : 0;
}

void SetCondition(const RunFault& fault, int value)
{
    const char* tag = fault.tag.c_str();
    switch (fault.kind) {
    case FaultKind::TagStatus:
    case FaultKind::ArrayStatus:
        Vnx().VnxSimSetTagStatus(tag, static_cast<int16_t>(value));
        break;
    case FaultKind::Quality:
        Vnx().VnxSimSetQuality(tag, value);
        break;
    case FaultKind::IOStatus:
        Vnx().VnxSimSetIOStatus(tag, value);
        break;
    default:
        break;
    }
}

}  // namespace

FaultSchedule::FaultSchedule(const Scenario& scenario)
{
    for (const RunFault& fault : scenario.run.faults)
        faults_.push_back(Window{fault, Condition(scenario, fault), false, false});
}

std::string FaultSchedule::Describe(const RunFault& fault)
{
    std::string text = fault.kind_name;
    if (!fault.tag.empty()) text += " " + fault.tag;
    if (fault.kind != FaultKind::Restart) text += " = " + std::to_string(fault.value);
    return text;
}

void FaultSchedule::InjectOpen()
{
    Vnx().VnxSimClearFaults();
    for (const Window& window : faults_) {
        if (!window.open) continue;
        const RunFault& fault = window.fault;
        if (fault.kind == FaultKind::ListRead)
            Vnx().VnxSimInject(VNX_OP_ReadTagList, nullptr, fault.value, 0, -1);
        else if (fault.kind == FaultKind::WriteRefused)
            Vnx().VnxSimInject(VNX_OP_SendTag, fault.tag.c_str(), fault.value, 0, -1);
    }
}

void FaultSchedule::Open(Window& window)
{
    const RunFault& fault = window.fault;
    window.open = true;
    ++active_;
    switch (fault.kind) {
    case FaultKind::ListRead:
    case FaultKind::WriteRefused:
        InjectOpen();
        break;
    case FaultKind::Restart:
        Vnx().VnxSimRestart();
        ++instant_;
        break;
    default:
        SetCondition(fault, fault.value);
    }
}

void FaultSchedule::Close(Window& window)
{
    const RunFault& fault = window.fault;
    window.open = false;
    window.done = true;
    --active_;
    if (fault.kind == FaultKind::ListRead || fault.kind == FaultKind::WriteRefused)
        InjectOpen();
    else if (fault.kind != FaultKind::Restart)
        SetCondition(fault, window.restore);
}

void FaultSchedule::ApplyDue(double time, CallLog* calls)
{
    instant_ = 0;
    for (Window& window : faults_) {
        const RunFault& fault = window.fault;
        if (!window.open && !window.done && fault.at <= time + kSlack) {
            Open(window);
            if (calls) calls->Line("fault", "start " + Describe(fault));
        }
        // A restart is over as it happens; a window without `until` stays open.
        bool ends =
            fault.kind == FaultKind::Restart || (!fault.open_ended && fault.until <= time + kSlack);
        if (window.open && ends) {
            Close(window);
            if (calls) calls->Line("fault", "end " + Describe(fault));
        }
    }
}
