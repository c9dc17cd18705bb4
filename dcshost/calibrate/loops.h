// Which controller row and which PV row make each loop of a recording.
// With a base scenario, each [[system.pid]] is found through its tags: the
// controller row whose SP and OP tags are its sp_tag and op_tag, the PV row
// its pv_tag names (row i is element i of the PV array tag, else the row
// whose tag is pv_tag). Without one, by the loop number (dcshost/README.md):
// the part of a tag before its first '.' from its first digit on, "101" of
// both LIC101.SP and LI101.PV.
#pragma once

#include <string>
#include <vector>

#include "dcshost/calibrate/recorded.h"
#include "dcshost/scenario/scenario.h"

struct LoopRef {
    std::string name;  // the PID's with a base, else the SP tag's before its first '.'
    int ctrl = -1;     // controller row
    int pv = -1;       // PV row
    int pid = -1;      // the base's [[system.pid]]; -1 without a base
};

// The base's host tables against the recording's: the first difference in
// words, or empty when they are the same tables.
std::string BaseMismatch(const Scenario& base, const RecordedTables& tables);

// The loops in controller-row order. False with the reason for a match that
// is ambiguous (naming the rows). `notes`: each controller row or PID that
// makes no loop, and why.
bool FindLoops(const RecordedTables& tables, const Scenario* base, std::vector<LoopRef>& loops,
               std::vector<std::string>& notes, std::string& error);

// "101" of "LIC101.SP"; empty when the tag has no digit before its first '.'.
std::string LoopNumber(const std::string& tag);
