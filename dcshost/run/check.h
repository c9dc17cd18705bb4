// `dcshost check`: the commissioning check of a tag list. Binds only
// (DCSConfigure, then DCSReset) and turns every failure the driver reported
// into one line naming the table, the row and the tag.
#pragma once

#include <string>

#include "dcshost/host/messages.h"
#include "dcshost/scenario/scenario.h"

struct BindingFailure {
    std::string table;        // "controller", "PV export", "PV import", "general field", ...
    int row = -1;             // 0-based, as the driver reports it; -1: no row
    std::string row_name;     // the scenario's name of the row
    std::string column;       // caption, when known
    std::string tag;          // the tag name concerned, when known
    bool empty_cell = false;  // the column's cell is empty (a validator's report)
    std::string key;
    std::string wording;
};

// What a message raised during binding is about. traced_tag is the tag the
// last client-library call named (empty when it named none).
BindingFailure DescribeFailure(const ReceivedMessage& message, const Scenario& scenario,
                               const std::string& traced_tag);

// binding failure: controller row 1 (FIC102) column "Mode TAG" tag "FIC102.MODX": KEY: wording
std::string FormatFailure(const BindingFailure& failure);

// The tag a trace line names: OpenTag("X") = ..., GetTagStatus(tag:X) = ...
std::string TagNameFromTraceLine(const std::string& line);

struct CheckOptions {
    std::string driver_path;
    bool settle_wait = true;
};

// Returns the process exit code (exit_codes.h): 0 when every tag bound.
int CheckScenario(const Scenario& scenario, const CheckOptions& options);
