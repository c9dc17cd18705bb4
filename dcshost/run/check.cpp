#include "dcshost/run/check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dcshost/control/control_api.h"
#include "dcshost/control/fault_roles.h"
#include "dcshost/control/tag_audit.h"
#include "dcshost/control/wiring_warnings.h"
#include "dcshost/host/session.h"
#include "dcshost/plant/upsets.h"
#include "dcshost/scenario/ctrl_columns.h"
#include "dcshost/verdict.h"
#include "module/driver_loader.h"

namespace {

template <typename Row>
void NameRow(const std::vector<Row>& rows, BindingFailure& failure)
{
    if (failure.row >= 0 && static_cast<size_t>(failure.row) < rows.size())
        failure.row_name = rows[static_cast<size_t>(failure.row)].name;
}

template <typename Row>
const Row* RowAt(const std::vector<Row>& rows, int row)
{
    return row >= 0 && static_cast<size_t>(row) < rows.size() ? &rows[static_cast<size_t>(row)]
                                                              : nullptr;
}

// A validator's report names no row: point at the first empty cell.
template <typename Row>
void FindEmptyCell(const std::vector<Row>& rows, BindingFailure& failure)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        for (const CellText& cell : rows[i].cells) {
            if (cell.text.empty()) {
                failure.row = static_cast<int>(i);
                failure.row_name = rows[i].name;
                failure.column = cell.caption;
                failure.empty_cell = true;
                return;
            }
        }
    }
}

void DescribeCtrl(const ReceivedMessage& message, const Scenario& scenario,
                  const std::string& traced_tag, BindingFailure& failure)
{
    failure.table = "controller";
    failure.row = message.Row();
    NameRow(scenario.controllers, failure);
    const CtrlRowDef* row = RowAt(scenario.controllers, failure.row);
    for (const CtrlTagColumn& column : CtrlTagColumns) {
        if (message.Text() == column.context) failure.column = column.caption;
    }
    // A status report does not say which column: the failing call does.
    if (failure.column.empty() && row) {
        for (const CtrlTagColumn& column : CtrlTagColumns) {
            const std::string* text = FindCell(row->cells, column.caption);
            if (text && *text == traced_tag) {
                failure.column = column.caption;
                break;
            }
        }
    }
    const std::string* text = row ? FindCell(row->cells, failure.column) : nullptr;
    failure.tag = text ? *text : traced_tag;
}

template <typename Row>
void DescribeSingleTagRow(const ReceivedMessage& message, const std::vector<Row>& rows,
                          const char* table, BindingFailure& failure)
{
    failure.table = table;
    failure.row = message.Row();
    failure.column = "TAG";
    NameRow(rows, failure);
    if (const Row* row = RowAt(rows, failure.row)) {
        if (const std::string* text = FindCell(row->cells, "TAG")) failure.tag = *text;
    }
}

}  // namespace

BindingFailure DescribeFailure(const ReceivedMessage& message, const Scenario& scenario,
                               const std::string& traced_tag)
{
    BindingFailure failure;
    failure.key = message.key;
    failure.wording = message.wording;
    const std::string& key = message.key;
    if (key == "DCSCtrlVendorMsg") {
        DescribeCtrl(message, scenario, traced_tag, failure);
    } else if (key == "DCSPVVendorMsg") {
        DescribeSingleTagRow(message, scenario.pvs, "PV export", failure);
    } else if (key == "DCSPVImportVendorMsg") {
        DescribeSingleTagRow(message, scenario.imports, "PV import", failure);
    } else if (key == "DCSCtrlTagFieldError") {
        failure.table = "controller";
        FindEmptyCell(scenario.controllers, failure);
    } else if (key == "DCSPVTagFieldError") {
        failure.table = "PV export";
        FindEmptyCell(scenario.pvs, failure);
    } else if (key == "DCSPVImportTagFieldError") {
        failure.table = "PV import";
        FindEmptyCell(scenario.imports, failure);
    } else if (key == "DCSArrayTagError" || key == "DCSGenTagVendorMsg" ||
               key == "DCSGeneralConfigError" ||
               (key == "DCSGeneralVendorMsg2" && message.Context() == "for PV Export Array Tag")) {
        failure.table = "general field";
        failure.column = "PV Array Tag";
        failure.tag = scenario.pv_array_tag;
    } else if (key == "DCSGeneralVendorMsg1") {
        failure.table = "control system start-up";
    } else {
        failure.table = "driver";
    }
    return failure;
}

std::string FormatFailure(const BindingFailure& failure)
{
    std::string line = "binding failure: " + NameCell(failure.table, failure.row, failure.row_name,
                                                      failure.column, failure.tag);
    if (failure.empty_cell) line += " empty";
    return line + ": " + failure.key + ": " + failure.wording;
}

std::string TagNameFromTraceLine(const std::string& line)
{
    size_t open = line.find('(');
    if (open == std::string::npos) return "";
    size_t quote = line.find('"', open);
    size_t close = line.find(')', open);
    if (quote != std::string::npos && (close == std::string::npos || quote < close)) {
        // The trace escapes quotes, backslashes and control characters.
        std::string name;
        for (size_t i = quote + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') return name;
            if (c != '\\' || i + 1 >= line.size()) {
                name += c;
            } else if (line[i + 1] == 'x' && i + 3 < line.size()) {
                name += static_cast<char>(std::strtol(line.substr(i + 2, 2).c_str(), nullptr, 16));
                i += 3;
            } else {
                name += line[++i];
            }
        }
        return "";
    }
    const char kTag[] = "tag:";
    if (line.compare(open + 1, std::strlen(kTag), kTag) == 0) {
        size_t start = open + 1 + std::strlen(kTag);
        size_t end = line.find_first_of(",)", start);
        return end == std::string::npos ? "" : line.substr(start, end - start);
    }
    return "";
}

int CheckScenario(const Scenario& scenario, const CheckOptions& options)
{
    std::printf("check: %s (%s): %zu controllers, %zu PV exports, %zu PV imports\n",
                scenario.title.empty() ? "untitled" : scenario.title.c_str(), scenario.file.c_str(),
                scenario.controllers.size(), scenario.pvs.size(), scenario.imports.size());
    std::printf("driver: %s\n", options.driver_path.c_str());
    if (!RefuseIdleWindows(scenario, false)) return kExitBadScenario;
    for (const std::string& warning : WiringWarnings(scenario))
        std::printf("%s\n", warning.c_str());
    for (const std::string& upset : Upsets::Planned(scenario))
        std::printf("upset: %s\n", upset.c_str());
    std::fflush(stdout);

    Session session;
    if (int loaded = session.Load(options.driver_path); loaded != kExitClean) return loaded;
    if (session.Live())
        std::printf(
            "live run: the client library %s has no control API; the check only reads and "
            "binds\n",
            Vnx().path.c_str());
    int opened = session.Open(scenario, options.driver_path);
    if (opened != kExitClean) return opened;

    // Every tag at once first, then the driver's own binding.
    std::vector<TagProblem> problems = AuditTags(scenario);
    for (const TagProblem& problem : problems)
        std::printf("%s\n", FormatTagProblem(problem).c_str());
    std::fflush(stdout);

    std::vector<BindingFailure> failures;
    session.Log().SetPrinting(false);
    session.Log().SetObserver([&](const ReceivedMessage& message) {
        // The report follows the call that failed: the trace's last line.
        std::string traced;
        int32_t count = Vnx().VnxSimTraceCount();
        char line[1024];
        if (count > 0 && Vnx().VnxSimTraceLine(count - 1, line, sizeof line) >= 0)
            traced = TagNameFromTraceLine(line);
        failures.push_back(DescribeFailure(message, scenario, traced));
    });

    Vnx().VnxSimTraceClear();
    Vnx().VnxSimTraceEnable(1);
    int32_t configured = session.Configure(options.settle_wait);
    Vnx().VnxSimTraceEnable(0);
    Vnx().VnxSimTraceClear();
    // A successful bind is released at once: the check leaves nothing behind.
    if (configured == 1) session.Api().Reset(session.Data());
    session.Log().SetObserver(nullptr);
    Leftovers left = session.Close();

    for (const BindingFailure& failure : failures)
        std::printf("%s\n", FormatFailure(failure).c_str());
    if (!left.Clean()) std::printf("%s\n", DescribeLeftovers(left).c_str());
    if (!problems.empty())
        std::printf("check: %zu tag problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    Findings found;
    found.configure_failed = configured != 1 || !failures.empty() || !problems.empty();
    found.left_open = !left.Clean();
    if (!found.configure_failed)
        std::printf(
            "check: every tag bound (%zu controllers with 5 tags each, %zu PV exports, "
            "%zu PV imports, PV array tag \"%s\")\n",
            scenario.controllers.size(), scenario.pvs.size(), scenario.imports.size(),
            scenario.pv_array_tag.c_str());
    else if (configured == 1 && failures.empty())
        std::printf(
            "check: DCSConfigure bound every tag, but the tags above are not what their "
            "columns need\n");
    else if (failures.empty())
        std::printf("check: DCSConfigure failed without a host message\n");
    else
        std::printf("check: %zu binding failure%s\n", failures.size(),
                    failures.size() == 1 ? "" : "s");
    return Judge(found).code;
}
