#include "dcshost/tag_audit.h"

#include "dcshost/control_api.h"
#include "dcshost/ctrl_columns.h"

namespace {

enum class Need { Float, Int, Number, FloatArray };

const char* Describe(Need need)
{
    switch (need) {
    case Need::Float:
        return "11 (float)";
    case Need::Int:
        return "128 (int)";
    case Need::Number:
        return "11 (float) or 128 (int)";
    case Need::FloatArray:
        return "a one-dimensional float array";
    }
    return "";
}

std::string TypeText(int32_t type)
{
    if (type == VNX_TYPE_FLOAT) return "11 (float)";
    if (type == VNX_TYPE_INT) return "128 (int)";
    return std::to_string(type);
}

// What is wrong with one tag for a column that needs `need`; "" when nothing.
std::string Inspect(const std::string& name, Need need)
{
    const ControlApi& api = Vnx();
    if (name.empty()) return "the cell is empty";
    int16_t valid = api.ValidateTagName(name.c_str());
    if (valid != 0) return "not a valid tag name (status " + std::to_string(valid) + ")";
    VnxHandle tag = api.OpenTag(name.c_str());
    if (!tag) return "cannot be opened: the control system has no such tag";
    std::string problem;
    int16_t status = api.GetTagStatus(tag);
    int32_t type = api.GetTagDataType(tag);
    bool array = api.GetArrayDims(tag) == 1;
    if (status != 0) {
        problem = "tag status " + std::to_string(status);
    } else if (need == Need::FloatArray ? !(array && type == VNX_TYPE_FLOAT)
               : need == Need::Float    ? type != VNX_TYPE_FLOAT
               : need == Need::Int      ? type != VNX_TYPE_INT
                                        : type != VNX_TYPE_FLOAT && type != VNX_TYPE_INT) {
        problem = "data type " + TypeText(type) + (array ? ", an array" : "") +
                  "; the column needs " + Describe(need);
    }
    api.CloseTag(tag);
    return problem;
}

struct Column {
    const char* caption;
    Need need;
};

// One cell of one row, when the row has that column.
void AuditCell(const char* table, size_t row, const std::string& row_name,
               const std::vector<CellText>& cells, const Column& column,
               std::vector<TagProblem>& out)
{
    const std::string* text = FindCell(cells, column.caption);
    if (!text) return;
    std::string problem = Inspect(*text, column.need);
    if (!problem.empty())
        out.push_back(
            TagProblem{table, static_cast<int>(row), row_name, column.caption, *text, problem});
}

}  // namespace

std::vector<TagProblem> AuditTags(const Scenario& scenario)
{
    std::vector<TagProblem> problems;
    void* slot = nullptr;
    const ControlApi& api = Vnx();
    if (api.ApiStartup() != 0 || api.DataServicesStartup(&slot) != 0) {
        problems.push_back(TagProblem{"control system start-up", -1, "", "", "",
                                      "the client library does not start"});
        api.ApiShutdown();
        return problems;
    }
    for (size_t i = 0; i < scenario.controllers.size(); ++i)
        for (const CtrlTagColumn& column : CtrlTagColumns)
            AuditCell("controller", i, scenario.controllers[i].name, scenario.controllers[i].cells,
                      {column.caption, column.integer ? Need::Int : Need::Float}, problems);
    for (size_t i = 0; i < scenario.pvs.size(); ++i)
        AuditCell("PV export", i, scenario.pvs[i].name, scenario.pvs[i].cells, {"TAG", Need::Float},
                  problems);
    // A mode arrives as an integer; a 1:1 value as either.
    for (size_t i = 0; i < scenario.imports.size(); ++i) {
        const ImportRowDef& row = scenario.imports[i];
        Need need = row.mapping == "Controller Mode" ? Need::Int : Need::Number;
        AuditCell("PV import", i, row.name, row.cells, {"TAG", need}, problems);
    }
    if (!scenario.pv_array_tag.empty()) {
        std::string problem = Inspect(scenario.pv_array_tag, Need::FloatArray);
        if (!problem.empty())
            problems.push_back(TagProblem{"general field", -1, "", "PV Array Tag",
                                          scenario.pv_array_tag, problem});
    }
    api.DataServicesShutdown();
    api.ApiShutdown();
    return problems;
}

std::string NameCell(const std::string& table, int row, const std::string& row_name,
                     const std::string& column, const std::string& tag)
{
    std::string text = table;
    if (row >= 0) text += " row " + std::to_string(row);
    if (!row_name.empty()) text += " (" + row_name + ")";
    if (!column.empty()) text += " column \"" + column + "\"";
    if (!tag.empty()) text += " tag \"" + tag + "\"";
    return text;
}

std::string FormatTagProblem(const TagProblem& p)
{
    return "tag problem: " + NameCell(p.table, p.row, p.row_name, p.column, p.tag) + ": " +
           p.problem;
}
