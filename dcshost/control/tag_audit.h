// The first half of `check`: every tag of the host tables looked at directly
// through the client library, all of them in one pass (the driver's own
// binding stops at the first failure of a table): the name, whether it
// opens, its status, and its data type against what the column needs.
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

struct TagProblem {
    std::string table;  // "controller", "PV export", "PV import", "general field"
    int row = -1;       // 0-based; -1: a general field
    std::string row_name;
    std::string column;  // the column's caption
    std::string tag;
    std::string problem;  // "cannot be opened", "data type 11 (float); the column needs ..."
};

// Starts the client library, looks at every tag cell and the PV array tag,
// closes what it opened and shuts the library down again.
std::vector<TagProblem> AuditTags(const Scenario& scenario);

// controller row 1 (FIC102) column "Mode TAG" tag "FIC102.SP"; the parts
// that are empty (or a row of -1) left out.
std::string NameCell(const std::string& table, int row, const std::string& row_name,
                     const std::string& column, const std::string& tag);

// tag problem: controller row 1 (FIC102) column "Mode TAG" tag "FIC102.SP": PROBLEM
std::string FormatTagProblem(const TagProblem& problem);
