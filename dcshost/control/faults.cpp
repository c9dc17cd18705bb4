#include "dcshost/control/faults.h"

#include <algorithm>

#include "dcshost/control/call_log.h"
#include "dcshost/control/control_api.h"
#include "dcshost/scenario/limits.h"

namespace {

// The client-library operation a fault answers for; 0 for a restart.
int32_t AnsweredOp(FaultKind kind)
{
    switch (kind) {
    case FaultKind::TagStatus:
    case FaultKind::ArrayStatus:
        return VNX_OP_GetTagStatus;
    case FaultKind::Quality:
        return VNX_OP_GetDataQuality;
    case FaultKind::IOStatus:
        return VNX_OP_GetIOStatus;
    case FaultKind::ListRead:
        return VNX_OP_ReadTagList;
    case FaultKind::WriteRefused:
        return VNX_OP_SendTag;
    default:
        return 0;
    }
}

int64_t Answered(int32_t rule) { return rule > 0 ? std::max(Vnx().VnxSimAnswered(rule), 0) : 0; }

}  // namespace

FaultSchedule::FaultSchedule(const Scenario& scenario)
{
    for (const RunFault& fault : scenario.run.faults) faults_.push_back(Window{fault});
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
    for (Window& window : faults_) {
        window.acted += Answered(window.rule);
        window.rule = 0;
    }
    Vnx().VnxSimClearFaults();
    for (Window& window : faults_) {
        const RunFault& fault = window.fault;
        int32_t op = AnsweredOp(fault.kind);
        if (!window.open || !op) continue;
        // list_read names no tag: every list's read is answered.
        window.rule = Vnx().VnxSimInject(op, fault.tag.empty() ? nullptr : fault.tag.c_str(),
                                         fault.value, 0, -1);
    }
}

void FaultSchedule::Open(Window& window)
{
    window.open = true;
    ++active_;
    if (window.fault.kind == FaultKind::Restart) {
        Vnx().VnxSimRestart();
        ++instant_;
    } else {
        InjectOpen();
    }
}

void FaultSchedule::Close(Window& window)
{
    window.open = false;
    window.done = true;
    --active_;
    if (window.fault.kind != FaultKind::Restart) InjectOpen();
}

void FaultSchedule::ApplyDue(double time, CallLog* calls)
{
    instant_ = 0;
    for (Window& window : faults_) {
        const RunFault& fault = window.fault;
        if (!window.open && !window.done && fault.at <= time + kFaultSlack) {
            Open(window);
            if (calls) calls->Line("fault", "start " + Describe(fault));
        }
        // A restart is over as it happens; a window without `until` stays open.
        bool ends = fault.kind == FaultKind::Restart ||
                    (!fault.open_ended && fault.until <= time + kFaultSlack);
        if (window.open && ends) {
            Close(window);
            if (calls) calls->Line("fault", "end " + Describe(fault));
        }
    }
}

std::vector<FaultOutcome> FaultSchedule::Outcomes(double end) const
{
    std::vector<FaultOutcome> outcomes;
    for (const Window& window : faults_) {
        FaultOutcome outcome;
        outcome.opened = window.open || window.done;
        outcome.acted =
            window.fault.kind == FaultKind::Restart ? -1 : window.acted + Answered(window.rule);
        // Still open with an `until`: the run ended before it.
        if (window.open && !window.fault.open_ended) outcome.cut_at = end;
        outcomes.push_back(outcome);
    }
    return outcomes;
}

std::string FaultSchedule::Summary(const RunFault& fault, const FaultOutcome& outcome, double end)
{
    std::string line = "fault: " + Describe(fault) + " from " + NumberText(fault.at) + " s";
    if (fault.kind != FaultKind::Restart)
        line += fault.open_ended ? " to the end" : " until " + NumberText(fault.until) + " s";
    if (!outcome.opened) return line + " (not reached: the run ended at " + NumberText(end) + " s)";
    if (outcome.cut_at >= 0) line += " (cut at " + NumberText(outcome.cut_at) + " s)";
    if (outcome.acted >= 0)
        line += ": acted on " + std::to_string(outcome.acted) +
                (outcome.acted == 1 ? " call" : " calls");
    return line;
}

bool FaultSchedule::Acted(const RunFault& fault, const FaultOutcome& outcome)
{
    return outcome.opened && (fault.kind == FaultKind::Restart || outcome.acted > 0);
}
