#include "dcshost/calibrate/recorded.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "dcshost/replay/survey.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <typename T>
T Field(const MirrorRow& row, size_t offset)
{
    T value;
    std::memcpy(&value, row.raw + offset, sizeof value);
    return value;
}

std::string CellText(const std::vector<CellValue>& cells, size_t column)
{
    return column < cells.size() && cells[column].form == CELL_TEXT ? cells[column].text : "";
}

RecordedTables TablesOf(const BlockMirror& block)
{
    RecordedTables t;
    t.array_tag = CellText(block.gen, GEN_COL_ARRAY_TAG);
    for (const MirrorRow& row : block.rows[ROW_CTRL]) {
        RecordedCtrl& c = t.controllers.emplace_back();
        for (int col = 0; col < CTRL_COLUMNS; ++col) c.tags[col] = CellText(row.cells, col);
        c.active = Field<int16_t>(row, offsetof(DCSCtrlRow, Active)) != 0;
        c.sp = Field<double>(row, offsetof(DCSCtrlRow, SP));
        c.op = Field<double>(row, offsetof(DCSCtrlRow, OP));
    }
    for (const MirrorRow& row : block.rows[ROW_PV])
        t.pvs.push_back({CellText(row.cells, PV_COL_TAG),
                         Field<int16_t>(row, offsetof(DCSPVRow, Active)) != 0,
                         Field<double>(row, offsetof(DCSPVRow, Value)), 0});
    for (const MirrorRow& row : block.rows[ROW_IMPORT]) {
        const bool choice = row.cells.size() > IMPORT_COL_MAPPING &&
                            row.cells[IMPORT_COL_MAPPING].form == CELL_CHOICE;
        t.imports.push_back({CellText(row.cells, IMPORT_COL_TAG),
                             Field<int16_t>(row, offsetof(DCSPVImportRow, Active)) != 0,
                             Field<double>(row, offsetof(DCSPVImportRow, Value)),
                             choice ? row.cells[IMPORT_COL_MAPPING].choice : 0});
    }
    return t;
}

// A step whose `i` lines give a row count, a tag or the array tag anew: the
// loops would not be the same loops from one step to the next.
bool ChangesTables(const EntryGroup& group)
{
    for (const BlockLine& line : group.in)
        if (line.kind == BL_ROW_COUNT || line.kind == BL_ROW_CELL || line.kind == BL_GEN_CELL ||
            line.kind == BL_DEF_COUNT || line.kind == BL_DEF_TYPE)
            return true;
    return false;
}

// The step's wall-clock time in s, from the `W` line before its DCSSimulate.
std::optional<double> WallSeconds(const EntryGroup& group)
{
    if (group.wall_us < 0) return std::nullopt;
    return static_cast<double>(group.wall_us) * 1e-6;
}

// The typical spacing of the steps: the median of the differences, so that a
// site's late step or two does not set it.
double MedianStep(const std::vector<double>& time)
{
    std::vector<double> d;
    for (size_t k = 1; k < time.size(); ++k) d.push_back(time[k] - time[k - 1]);
    if (d.empty()) return 0.0;
    std::nth_element(d.begin(), d.begin() + d.size() / 2, d.end());
    return d[d.size() / 2];
}

struct Taker {
    Recorded& out;
    std::string changed;  // where the tables changed; empty: they did not
    bool timed = true, walled = true;
    double t0 = 0.0, w0 = 0.0;
    std::vector<double> imports;  // each import row's value at the step before

    void Take(const EntryGroup& group, const BlockMirror& block)
    {
        if (out.steps == 0) {
            out.tables = TablesOf(block);
            out.sp.assign(out.tables.controllers.size(), {});
            out.op.assign(out.tables.controllers.size(), {});
            out.pv.assign(out.tables.pvs.size(), {});
            imports.assign(out.tables.imports.size(), 0.0);
        } else if (changed.empty() && ChangesTables(group)) {
            changed = "line " + std::to_string(group.line) + ": DCSSimulate #" +
                      std::to_string(out.steps + 1) + " is handed other tables than the first";
        }
        if (!changed.empty()) return;
        const std::optional<double> wall = WallSeconds(group);
        if (out.steps == 0) t0 = group.time, w0 = wall.value_or(0.0);
        timed = timed && group.timed;
        walled = walled && wall.has_value();
        out.time.push_back(timed ? group.time - t0 : walled ? *wall - w0 : 0.0);
        for (size_t r = 0; r < out.sp.size(); ++r) {
            const MirrorRow& row = block.rows[ROW_CTRL][r];
            const bool active = Field<int16_t>(row, offsetof(DCSCtrlRow, Active)) != 0;
            const bool sp = Field<uint8_t>(row, offsetof(DCSCtrlRow, SPUpdated)) != 0;
            const bool op = active && Field<uint8_t>(row, offsetof(DCSCtrlRow, OPUpdated)) != 0;
            out.sp[r].push_back(sp ? Field<double>(row, offsetof(DCSCtrlRow, SP)) : kNaN);
            out.op[r].push_back(op ? Field<double>(row, offsetof(DCSCtrlRow, OP)) * 100.0 : kNaN);
        }
        for (size_t r = 0; r < out.tables.imports.size(); ++r) {
            const double value =
                Field<double>(block.rows[ROW_IMPORT][r], offsetof(DCSPVImportRow, Value));
            if (out.steps > 0 && value != imports[r])
                out.import_changes.push_back({out.steps, static_cast<int>(r), value});
            imports[r] = value;
        }
        for (size_t r = 0; r < out.pv.size(); ++r) {
            const MirrorRow& row = block.rows[ROW_PV][r];
            const bool active = Field<int16_t>(row, offsetof(DCSPVRow, Active)) != 0;
            out.pv[r].push_back(active ? Field<double>(row, offsetof(DCSPVRow, Value)) : kNaN);
        }
        ++out.steps;
    }
};

bool Time(Recorded& out, bool timed, bool walled, double step, std::string& error)
{
    // T lines are the model's own time; the wall clock times the host's
    // pacing, which a run faster than real time leaves far from the step:
    // --step, when given, says what the step was.
    out.timing = timed                   ? StepTiming::TLines
                 : walled && step <= 0.0 ? StepTiming::WallClock
                                         : StepTiming::Given;
    if (out.timing == StepTiming::Given) {
        if (step <= 0.0) {
            error = "the recording has neither T nor wall-clock lines: give the step with --step";
            return false;
        }
        for (size_t k = 0; k < out.time.size(); ++k) out.time[k] = static_cast<double>(k) * step;
        out.step = step;
        return true;
    }
    out.step = MedianStep(out.time);
    if (out.step > 0.0 && std::isfinite(out.step)) return true;
    if (step > 0.0) {  // one step, or none apart: --step says how long
        out.step = step;
        return true;
    }
    error = "the " + std::string(TimingName(out.timing)) +
            " give no step (one DCSSimulate, or none apart): give it with --step";
    return false;
}

}  // namespace

const char* TimingName(StepTiming timing)
{
    switch (timing) {
    case StepTiming::TLines:
        return "T lines";
    case StepTiming::WallClock:
        return "wall-clock lines";
    case StepTiming::Given:
        break;
    }
    return "--step";
}

bool LoadRecorded(const std::string& path, double step, Recorded& out, std::string& error)
{
    out = Recorded{};
    RecordingReader reader;
    Survey survey;
    Taker taker{out, {}, true, true, 0.0, 0.0, {}};
    if (!reader.OpenFile(path, error) ||
        !SurveyRecording(reader, survey, error,
                         [&taker](const EntryGroup& g, const BlockMirror& b) { taker.Take(g, b); }))
        return false;
    out.header = survey.header;
    if (survey.cut)
        out.cut = "line " + std::to_string(survey.cut_line) +
                  (survey.cut_after.empty() ? "" : " (after " + survey.cut_after + ")");
    if (!taker.changed.empty()) {
        error = taker.changed;
        return false;
    }
    if (out.steps == 0) {
        error = "nothing to fit: the recording holds no DCSSimulate";
        return false;
    }
    return Time(out, taker.timed, taker.walled, step, error);
}
