#include "dcshost/control/fault_roles.h"

#include <cmath>
#include <cstdio>

#include "dcshost/control/faults.h"
#include "dcshost/scenario/ctrl_columns.h"
#include "dcshost/scenario/limits.h"

namespace {

// When a kind naming a tag acts on a role: the table of dcshost/README.md.
// array_status acts on the PV array as tag_status does; list_read and
// restart name no tag and act in every run.
enum Acts : unsigned char {
    kNever,
    kAlways,
    kWhileArrayFails,  // a PV's own tag: written only while the array path fails
    kIfOpenAtStop,     // a mode tag: written at DCSStop, after the last step
};

struct KindActs {
    FaultKind kind;
    const char* name;
    Acts acts[kTagRoleCount];
};

// clang-format off
constexpr KindActs kActs[] = {
    //                                       list item PV array PV own tag         mode tag       init tag
    {FaultKind::TagStatus,    "tag_status",    {kNever,  kAlways, kWhileArrayFails, kIfOpenAtStop, kNever}},
    {FaultKind::Quality,      "quality",       {kAlways, kNever,  kNever,           kNever,        kNever}},
    {FaultKind::IOStatus,     "io_status",     {kAlways, kNever,  kNever,           kNever,        kNever}},
    {FaultKind::WriteRefused, "write_refused", {kNever,  kAlways, kWhileArrayFails, kIfOpenAtStop, kNever}},
};
// clang-format on

const char* const kRoleNames[kTagRoleCount] = {
    "a list item (read every step)",
    "the PV export array (written every step)",
    "a PV's own tag (written only while the array path fails)",
    "a mode tag (written at DCSStart and DCSStop)",
    "an SP or OP Init tag (written at DCSInitialize only, before any fault window)",
};

// The role of each controller column's tag (CTRL_COL_* order); of an
// inactive row the host uses the setpoint side only.
struct CtrlColumnRole {
    TagRole role;
    bool inactive_too;
};
constexpr CtrlColumnRole kCtrlColumnRoles[CTRL_COLUMNS] = {
    {TagRole::ListItem, true},   // SP
    {TagRole::ListItem, false},  // OP
    {TagRole::ModeTag, false},   // Mode
    {TagRole::InitTag, true},    // SP Init
    {TagRole::InitTag, false},   // OP Init
};

void Add(TagRoles& roles, const std::string* tag, TagRole role)
{
    if (tag && !tag->empty()) roles[*tag] |= 1u << static_cast<int>(role);
}

const KindActs* FindKind(FaultKind kind)
{
    for (const KindActs& row : kActs)
        if (row.kind == kind) return &row;
    return nullptr;
}

// The time of the run's last step, as the run counts its steps.
double RunEnd(const RunDef& run)
{
    return static_cast<double>(std::lround(run.duration / run.step)) * run.step;
}

double WindowEnd(const RunFault& fault) { return fault.open_ended ? HUGE_VAL : fault.until; }

// Whether the PV array path fails while `fault` is open, so the driver writes
// each PV to its own tag: there is no array, or another fault of the array's
// status or sends overlaps the window.
bool ArrayFailsDuring(const Scenario& scenario, const RunFault& fault)
{
    if (scenario.pv_array_tag.empty()) return true;
    for (const RunFault& other : scenario.run.faults) {
        const bool on_array =
            other.tag == scenario.pv_array_tag &&
            (other.kind == FaultKind::ArrayStatus || other.kind == FaultKind::TagStatus ||
             other.kind == FaultKind::WriteRefused);
        if (&other != &fault && on_array && other.value != 0 &&
            other.at < WindowEnd(fault) - kFaultSlack && fault.at < WindowEnd(other) - kFaultSlack)
            return true;
    }
    return false;
}

// Why a kind's condition on a role does not hold for this fault; empty when
// it holds.
std::string ConditionFails(Acts acts, const Scenario& scenario, const RunFault& fault)
{
    const std::string window =
        NumberText(fault.at) + " s " +
        (fault.open_ended ? std::string("to the end") : "until " + NumberText(fault.until) + " s");
    if (acts == kWhileArrayFails && !ArrayFailsDuring(scenario, fault))
        return "the host writes it (a PV's own tag) only while the PV array path fails, and no "
               "array_status, tag_status or write_refused fault of the PV array '" +
               scenario.pv_array_tag + "' is open from " + window;
    const double end = RunEnd(scenario.run);
    if (acts == kIfOpenAtStop && !fault.open_ended && fault.until <= end + kFaultSlack)
        return "the host writes it (a mode tag) at DCSStart and DCSStop only, and the window "
               "from " +
               window + " closes before DCSStop (after the last step, at " + NumberText(end) +
               " s); leave out 'until' to keep it open";
    return "";
}

// Why a tag kind cannot act on a tag with these roles; empty when it can.
// A run that reconfigures binds, initializes and starts again whenever the
// coupling is lost, so a role's condition cannot be judged before it.
std::string WhyIdle(const KindActs& kind, const RunFault& fault, unsigned roles,
                    const Scenario& scenario, bool reconfigures)
{
    std::string uses, acting, condition;
    for (int r = 0; r < kTagRoleCount; ++r) {
        if (!HasRole(roles, static_cast<TagRole>(r))) continue;
        if (kind.acts[r] == kAlways) return "";
        if (kind.acts[r] != kNever) {
            if (reconfigures) return "";
            std::string fails = ConditionFails(kind.acts[r], scenario, fault);
            if (fails.empty()) return "";
            if (condition.empty()) condition = fails;
            continue;
        }
        uses += (uses.empty() ? "" : " and ") + std::string(kRoleNames[r]);
        for (const KindActs& other : kActs)
            if (other.acts[r] != kNever && acting.find(other.name) == std::string::npos)
                acting += (acting.empty() ? "" : ", ") + std::string(other.name);
    }
    std::string why = "a " + std::string(kind.name) + " fault on '" + fault.tag + "' cannot act: ";
    if (!condition.empty()) return why + condition;
    if (uses.empty())
        return why +
               "the host neither reads nor writes it during the run (a fault acts only on "
               "what crosses the coupling)";
    why += "the host uses it as " + uses;
    return acting.empty() ? why + "; no fault kind acts on that"
                          : why + "; on that only " + acting + " act";
}

std::string StartsAtOrAfterEnd(const std::string& what, double at, double end)
{
    return "the " + what + " at " + NumberText(at) + " s starts at or after the end of the run (" +
           NumberText(end) + " s)";
}

// An upset acts on the steps whose time t (0, step, 2 step, ... end) lies in
// at <= t < until. One that starts at the end would act on the last step
// alone, which rehearses nothing: refused, as a fault there is.
std::string UpsetIdle(const std::string& what, double at, double until, bool open_ended,
                      const RunDef& run)
{
    const double end = RunEnd(run);
    if (at >= end - kFaultSlack)
        return StartsAtOrAfterEnd(what, at, end) + (at > end + kFaultSlack
                                                        ? ": it would never act"
                                                        : ": it would act on the last step only");
    const double first = std::ceil((at - kFaultSlack) / run.step) * run.step;
    if (open_ended || first < until - kFaultSlack) return "";
    return "the " + what + " from " + NumberText(at) + " s until " + NumberText(until) +
           " s holds no step of the run (one every " + NumberText(run.step) +
           " s): it would never act";
}

}  // namespace

TagRoles HostTagRoles(const Scenario& scenario)
{
    TagRoles roles;
    Add(roles, &scenario.pv_array_tag, TagRole::PVArray);
    for (const CtrlRowDef& row : scenario.controllers)
        for (int column = 0; column < CTRL_COLUMNS; ++column)
            if (row.active || kCtrlColumnRoles[column].inactive_too)
                Add(roles, FindCtrlCell(row, column), kCtrlColumnRoles[column].role);
    for (const PVRowDef& row : scenario.pvs)
        if (row.active) Add(roles, FindCell(row.cells, "TAG"), TagRole::PVOwnTag);
    for (const ImportRowDef& row : scenario.imports)
        if (row.active) Add(roles, FindCell(row.cells, "TAG"), TagRole::ListItem);
    return roles;
}

const char* RoleName(TagRole role) { return kRoleNames[static_cast<int>(role)]; }

std::vector<ScenarioError> IdleFaults(const Scenario& scenario, bool reconfigures)
{
    std::vector<ScenarioError> errors;
    const TagRoles roles = HostTagRoles(scenario);
    const RunDef& run = scenario.run;
    const double end = RunEnd(run);
    for (const RunFault& fault : run.faults) {
        auto refuse = [&](const std::string& why) {
            errors.push_back(ScenarioError{scenario.file, fault.pos, why});
        };
        if (fault.at >= end - kFaultSlack)
            refuse(StartsAtOrAfterEnd(fault.kind_name + " fault", fault.at, end) +
                   ": it would never act");
        const KindActs* kind = FindKind(fault.kind);
        if (!kind) continue;
        auto found = roles.find(fault.tag);
        std::string why = WhyIdle(*kind, fault, found == roles.end() ? 0u : found->second, scenario,
                                  reconfigures);
        if (!why.empty()) refuse(why);
    }
    return errors;
}

std::vector<ScenarioError> IdleUpsets(const Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    const RunDef& run = scenario.run;
    for (const RunMalfunction& m : run.malfunctions) {
        std::string why = UpsetIdle(m.kind_name + " malfunction", m.at, m.until, false, run);
        if (!why.empty()) errors.push_back(ScenarioError{scenario.file, m.pos, why});
    }
    for (const RunDisturbance& d : run.disturbances) {
        std::string why = UpsetIdle("disturbance", d.at, d.until, d.open_ended, run);
        if (!why.empty()) errors.push_back(ScenarioError{scenario.file, d.pos, why});
    }
    return errors;
}

std::vector<ScenarioError> IdleEvents(const Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    const double end = RunEnd(scenario.run);
    for (const RunEvent& event : scenario.run.events)
        if (event.at > end + kFaultSlack)
            errors.push_back(ScenarioError{scenario.file, event.pos,
                                           "the event at " + NumberText(event.at) + " s on '" +
                                               event.tag + "' lies after the end of the run (" +
                                               NumberText(end) + " s): it would never act"});
    return errors;
}

bool RefuseIdleWindows(const Scenario& scenario, bool reconfigures)
{
    std::vector<ScenarioError> errors = IdleEvents(scenario);
    for (const auto& more : {IdleFaults(scenario, reconfigures), IdleUpsets(scenario)})
        errors.insert(errors.end(), more.begin(), more.end());
    for (const ScenarioError& error : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(error).c_str());
    return errors.empty();
}
