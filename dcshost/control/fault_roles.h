// What the host does with each tag of its tables during a run, and which
// fault kinds can act on that: a fault that cannot act on its tag is refused
// before anything is loaded, as is a fault's or an upset's window, or an
// operator event, the run never reaches (also when --duration shortens it).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

// A tag's part in the coupling, as the driver treats it once the run is on
// (fault windows open after DCSStart).
enum class TagRole {
    ListItem,  // read every step: SP of every row, OP of active rows, active imports
    PVArray,   // the PV export array: status asked, elements set and sent every step
    PVOwnTag,  // an active PV row's own tag: written only while the array path fails
    ModeTag,   // an active row's mode: written at DCSStart, and at DCSStop
    InitTag,   // SP Init, OP Init: written at DCSInitialize only
};
constexpr int kTagRoleCount = 5;

// Bits of (1 << TagRole) per tag name the host tables use.
using TagRoles = std::map<std::string, unsigned>;
TagRoles HostTagRoles(const Scenario& scenario);

inline bool HasRole(unsigned roles, TagRole role) { return (roles >> static_cast<int>(role)) & 1u; }

// "a list item (read every step)"
const char* RoleName(TagRole role);

// One error per fault that cannot act here: its kind does nothing on any
// role of its tag (a PV's own tag: while no fault fails the array path in
// its window; a mode tag: with a window closed before DCSStop), or its
// window starts at or after the end of the run. `reconfigures`: the run binds
// and starts again after a loss of the coupling (--on-loss reconfigure), so
// the first two conditions are left to the run.
std::vector<ScenarioError> IdleFaults(const Scenario& scenario, bool reconfigures);
// One error per malfunction and disturbance whose window holds no step of
// the run: it starts at or after the end, or lies between two steps.
std::vector<ScenarioError> IdleUpsets(const Scenario& scenario);
// One error per operator event after the end of the run.
std::vector<ScenarioError> IdleEvents(const Scenario& scenario);
// All three, printed to stderr; false when there was one.
bool RefuseIdleWindows(const Scenario& scenario, bool reconfigures);
