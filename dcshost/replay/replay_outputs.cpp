#include "dcshost/replay/replay_outputs.h"

#include <cmath>
#include <cstdio>

#include "dcs/data/columns.h"
#include "dcshost/outputs/files.h"
#include "dcshost/outputs/json_result.h"
#include "dcshost/scenario/limits.h"

namespace {

// A row's tag (a loop's SP tag without its last ".PART": "FIC101.SP" is
// loop FIC101), else the table's word and the row.
std::string RowName(const DCSCell* cells, int column, const char* table, int row, bool loop)
{
    const char* tag = cells ? cells[column].Text : nullptr;
    if (!tag || !*tag) return std::string(table) + " " + std::to_string(row);
    std::string name = tag;
    size_t dot = name.rfind('.');
    return !loop || dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

void ReplayOutputs::Name(HostBlock& block)
{
    named_ = true;
    DCSData& d = *block.Data();
    const int loops = d.CtrlRows ? d.CtrlCount : 0;
    const int imports = d.PVImportRows ? d.PVImportCount : 0;
    std::vector<std::string> loop_names, import_names;
    for (int i = 0; i < loops; ++i) {
        CtrlRowDef loop;
        loop.name = RowName(d.CtrlRows[i].Cells, CTRL_COL_SP, "controller", i, true);
        loop.active = d.CtrlRows[i].Active != 0;
        loop_names.push_back(loop.name);
        scenario_.controllers.push_back(loop);
    }
    for (int i = 0; i < imports; ++i) {
        ImportRowDef import;
        import.name = RowName(d.PVImportRows[i].Cells, IMPORT_COL_TAG, "import", i, false);
        import_names.push_back(import.name);
        scenario_.imports.push_back(import);
    }
    coupling_ = CouplingWatch(imports > 0);
    // Nothing is known of a loop until a step has ended.
    loops_.assign(loop_names.size(), LoopSample{NAN, NAN, NAN, 0});
    imports_.assign(import_names.size(), NAN);
    trend_.Setup(loop_names, import_names);
    figures_.Setup(loop_names.size(), 2.0);
}

void ReplayOutputs::BeginStep(HostBlock& block)
{
    if (!named_) Name(block);
    coupling_.BeginStep();
}

void ReplayOutputs::EndStep(double time, HostBlock& block)
{
    bool lost = coupling_.EndStep(time);
    DCSData& d = *block.Data();
    // Rows the recorded host took away since the first step keep their last values.
    for (size_t i = 0; i < loops_.size() && static_cast<int>(i) < d.CtrlCount && d.CtrlRows; ++i) {
        const DCSCtrlRow& row = d.CtrlRows[i];
        loops_[i] = LoopSample{NAN, row.SP, row.OP * 100.0, row.Active != 0 ? 1 : 0};
    }
    for (size_t i = 0;
         i < imports_.size() && static_cast<int>(i) < d.PVImportCount && d.PVImportRows; ++i)
        imports_[i] = d.PVImportRows[i].Value;
    if (steps_ > 0) step_ = time - last_time_;
    last_time_ = time;
    ++steps_;
    if (keep_trend_) trend_.Sample(time, loops_, imports_, 0, !lost);
    figures_.Add(time, step_, loops_);
}

std::string ReplayOutputs::Summary(const std::vector<MessageGroup>& messages, size_t total) const
{
    std::string out;
    if (steps_ == 0) {
        out += "  no step was replayed to its end: no values of loops or imports\n";
    } else {
        std::vector<LoopResult> results;
        for (size_t i = 0; i < loops_.size(); ++i) {
            LoopResult loop;
            loop.name = scenario_.controllers[i].name;
            loop.active = scenario_.controllers[i].active;
            loop.sp = loops_[i].sp;
            loop.pv = NAN;
            loop.op_percent = loops_[i].op;
            loop.mode = loops_[i].mode;
            results.push_back(loop);
        }
        out += FormatLoopTable(results);
        for (size_t i = 0; i < imports_.size(); ++i)
            out += "  imported " + scenario_.imports[i].name + " " + NumberText(imports_[i]) + "\n";
    }
    std::string counts = MessageCounts(messages);
    out += "host messages: " + std::to_string(total) + (total ? " - " : "") + counts + "\n" +
           FormatMessageGroups(messages);
    for (const CouplingLoss& loss : coupling_.Losses()) out += FormatCouplingLoss(loss) + "\n";
    return out;
}

OutputPlan PlanReplayFiles(const ReplayOptions& o)
{
    const std::string name = TrendName(o.out_name, o.recording, {".gz", ".rec"}, ".replay");
    return PlanFiles({o.trends, o.out_dir, name, o.json, o.driver_path}, {},
                     {{"FILE", o.recording}});
}

void ReplayOutputs::WriteFiles(const ReplayOptions& options, Findings& found,
                               const std::vector<MessageGroup>& messages, size_t total,
                               const Leftovers& left, const std::string& member) const
{
    const OutputPlan plan = PlanReplayFiles(options);
    std::vector<std::pair<std::string, std::string>> files;  // path, text
    if (plan.Trends()) {
        const int kChartLoops = 12;
        files.emplace_back(plan.TrendCsv(), trend_.Csv());
        files.emplace_back(plan.TrendSvg(),
                           trend_.Svg("replay of " + options.recording, kChartLoops));
    }
    std::string written;
    for (const auto& [path, text] : files) {
        std::string error;
        if (WriteTextFile(path, text, error)) {
            written += (written.empty() ? "" : ", ") + path;
        } else {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            found.file_unwritten = true;
        }
    }
    if (!written.empty()) std::printf("trends: %s\n", written.c_str());
    if (options.json.empty()) return;
    std::string error, json = Json(options.recording, Judge(found), messages, total, left);
    size_t end = json.rfind("\n}");
    if (end != std::string::npos) json.insert(end, ",\n  " + member);
    if (WriteTextFile(options.json, json, error)) {
        std::printf("result: %s\n", options.json.c_str());
        return;
    }
    std::fprintf(stderr, "dcshost: %s\n", error.c_str());
    found.file_unwritten = true;
}

std::string ReplayOutputs::Json(const std::string& recording, const Verdict& verdict,
                                const std::vector<MessageGroup>& messages, size_t total,
                                const Leftovers& left) const
{
    Scenario scenario = scenario_;
    scenario.file = recording;
    scenario.title = "replay of " + recording;
    scenario.run.step = step_;
    scenario.run.duration = last_time_;
    RunRecord record;
    record.scenario = &scenario;
    record.steps = steps_;
    record.steps_run = steps_;
    record.settle_band = 2.0;
    record.verdict = verdict;
    // Loops are given as a step left them; before any step there is nothing to give.
    for (size_t i = 0; i < loops_.size() && steps_ > 0; ++i) {
        LoopResult loop;
        loop.name = scenario.controllers[i].name;
        loop.active = scenario.controllers[i].active;
        loop.sp = loops_[i].sp;
        loop.op_percent = loops_[i].op;
        loop.mode = loops_[i].mode;
        record.loops.push_back(loop);
    }
    record.figures = figures_.Figures();
    record.imports = imports_;
    record.message_total = total;
    record.messages = messages;
    record.left = left;
    record.coupling = coupling_.Losses();
    return FormatJsonResult(record);
}
