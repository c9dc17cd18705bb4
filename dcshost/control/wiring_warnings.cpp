#include "dcshost/control/wiring_warnings.h"

#include <set>

#include "dcshost/control/fault_roles.h"

namespace {

unsigned RolesOf(const TagRoles& roles, const std::string& tag)
{
    auto found = roles.find(tag);
    return found == roles.end() ? 0u : found->second;
}

// Why the host does not write a block's PV on every step; empty when it does.
std::string PvProblem(const Scenario& s, const SysPid& pid, unsigned roles)
{
    if (pid.pv_index < 0) {
        if (!HasRole(roles, TagRole::PVOwnTag))
            return "is a tag the host does not write: the block's PV does not follow the plant";
        std::string hint;
        for (size_t i = 0; i < s.pvs.size(); ++i) {
            const std::string* tag = FindCell(s.pvs[i].cells, "TAG");
            if (tag && *tag == pid.pv_tag && !s.pv_array_tag.empty())
                hint = " (element " + std::to_string(i) + " of '" + s.pv_array_tag +
                       "' is written every step)";
        }
        return "is a PV's own tag, which the host writes only while the PV array path fails" + hint;
    }
    std::string element = "element " + std::to_string(pid.pv_index);
    if (pid.pv_tag != s.pv_array_tag)
        return "is an array the host does not write (its PV array is '" + s.pv_array_tag + "')";
    if (static_cast<size_t>(pid.pv_index) >= s.pvs.size())
        return element + ": no PV row fills it (the host writes elements 0 to " +
               std::to_string(static_cast<long>(s.pvs.size()) - 1) + ")";
    if (!s.pvs[static_cast<size_t>(pid.pv_index)].active)
        return element + ": its PV row " + s.pvs[static_cast<size_t>(pid.pv_index)].name +
               " is not active, so the host does not write it";
    return "";
}

}  // namespace

std::vector<std::string> WiringWarnings(const Scenario& s)
{
    std::vector<std::string> warnings;
    if (s.tags.empty() && s.arrays.empty() && s.pids.empty()) return warnings;
    const TagRoles roles = HostTagRoles(s);
    for (const SysPid& pid : s.pids) {
        std::string why = PvProblem(s, pid, RolesOf(roles, pid.pv_tag));
        if (!why.empty())
            warnings.push_back("warning: PID " + pid.name + ": pv_tag '" + pid.pv_tag + "' " + why);
    }

    // What writes a tag while the run is on: the blocks, the host (its own
    // import writes at DCSInitialize aside) and the operator.
    std::set<std::string> written, defined;
    for (const SysPid& pid : s.pids) written.insert({pid.op_tag, pid.sp_tag});
    for (const RunEvent& event : s.run.events) written.insert(event.tag);
    for (const auto& [tag, bits] : roles)
        if (bits & ~(1u << static_cast<int>(TagRole::ListItem))) written.insert(tag);
    for (const SysTag& tag : s.tags) defined.insert(tag.name);
    for (const SysArray& array : s.arrays) defined.insert(array.name);
    for (size_t i = 0; i < s.imports.size(); ++i) {
        const ImportRowDef& row = s.imports[i];
        const std::string* tag = FindCell(row.cells, "TAG");
        // An undefined tag is the binding's to report.
        if (!row.active || !tag || !defined.count(*tag) || written.count(*tag)) continue;
        warnings.push_back("warning: PV import row " + std::to_string(i) + " (" + row.name +
                           ") reads '" + *tag +
                           "', which nothing writes (no PID block's op_tag or sp_tag, no host "
                           "write, no operator event): it keeps its defined value");
    }
    return warnings;
}
