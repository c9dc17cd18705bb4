#include "dcshost/host/value_watch.h"

#include <cfloat>
#include <cmath>

#include "dcshost/control/control_api.h"
#include "dcshost/scenario/ctrl_columns.h"
#include "dcshost/scenario/limits.h"

namespace {

// clang-format off
struct KindEntry {
    SentKind kind;
    const char* name;
    const char* key;
};
constexpr KindEntry kKinds[] = {
    {SentKind::Sound,       "sound",                          "sound"},
    {SentKind::NaN,         "NaN",                            "nan"},
    {SentKind::Infinity,    "infinity",                       "infinity"},
    {SentKind::BeyondFloat, "beyond float range (saturated)", "beyond_float_range"},
};
// clang-format on

const KindEntry& Entry(SentKind kind) { return kKinds[static_cast<int>(kind)]; }

void Observe(const char* tag, int32_t index, int32_t /*conversion*/, double value, void* user)
{
    static_cast<ValueWatch*>(user)->Written(tag, index, value);
}

std::string Cell(const std::vector<CellText>& cells, const char* caption)
{
    const std::string* text = FindCell(cells, caption);
    return text ? *text : std::string();
}

}  // namespace

SentKind ClassifySent(double value)
{
    if (std::isnan(value)) return SentKind::NaN;
    if (std::isinf(value)) return SentKind::Infinity;
    // The driver saturates what lies beyond: the largest float arrives.
    if (std::fabs(value) >= static_cast<double>(FLT_MAX)) return SentKind::BeyondFloat;
    return SentKind::Sound;
}

const char* SentKindName(SentKind kind) { return Entry(kind).name; }
const char* SentKindKey(SentKind kind) { return Entry(kind).key; }

void ValueWatch::Setup(const Scenario& scenario)
{
    scenario_ = &scenario;
    targets_.clear();
    by_tag_.clear();
    array_tag_ = scenario.pv_array_tag;
    auto add = [&](SentTarget target, const std::string& tag) {
        if (!tag.empty()) by_tag_.emplace(tag, targets_.size());
        targets_.push_back(std::move(target));
    };
    for (size_t i = 0; i < scenario.controllers.size(); ++i) {
        const CtrlRowDef& row = scenario.controllers[i];
        int r = static_cast<int>(i);
        add({"controller", r, row.name, "OP Init"},
            Cell(row.cells, CtrlTagColumns[CTRL_COL_OP_INIT].caption));
        add({"controller", r, row.name, "SP Init"},
            Cell(row.cells, CtrlTagColumns[CTRL_COL_SP_INIT].caption));
    }
    pv_base_ = targets_.size();
    pv_has_tag_.clear();
    for (size_t i = 0; i < scenario.pvs.size(); ++i) {
        std::string tag = Cell(scenario.pvs[i].cells, "TAG");
        pv_has_tag_.push_back(!tag.empty());
        add({"PV export", static_cast<int>(i), scenario.pvs[i].name, ""}, tag);
    }
    import_base_ = targets_.size();
    for (size_t i = 0; i < scenario.imports.size(); ++i)
        add({"PV import", static_cast<int>(i), scenario.imports[i].name, ""},
            Cell(scenario.imports[i].cells, "TAG"));
}

void ValueWatch::Attach()
{
    Vnx().VnxSimSetWriteObserver(&Observe, this);
    attached_ = true;
}

void ValueWatch::Detach()
{
    if (!attached_) return;
    Vnx().VnxSimSetWriteObserver(nullptr, nullptr);
    attached_ = false;
}

void ValueWatch::Written(const char* tag, int index, double value)
{
    // Nearly every value is sound: the tag is looked up only for one that is not.
    if (ClassifySent(value) == SentKind::Sound || !tag) return;
    // Element i of the export array is PV row i.
    if (!array_tag_.empty() && array_tag_ == tag) {
        if (index >= 0 && static_cast<size_t>(index) < import_base_ - pv_base_)
            Note(pv_base_ + static_cast<size_t>(index), value);
        return;
    }
    auto found = by_tag_.find(tag);
    if (found != by_tag_.end()) Note(found->second, value);
}

void ValueWatch::CheckInitialize(HostBlock& block)
{
    CheckExports(block);
    for (size_t i = 0; i < scenario_->controllers.size(); ++i) {
        const DCSCtrlRow& row = block.Ctrl(static_cast<int>(i));
        if (row.Active != 0) Note(2 * i, row.OP * 100.0);
        Note(2 * i + 1, row.SP);
    }
    for (size_t i = 0; i < scenario_->imports.size(); ++i) {
        const DCSPVImportRow& row = block.Import(static_cast<int>(i));
        if (row.Active != 0) Note(import_base_ + i, row.Value);
    }
}

void ValueWatch::CheckExports(HostBlock& block)
{
    // The array path sends rows whose Active is exactly 1; without an array
    // tag each row with a tag and a non-zero Active goes to its own tag.
    bool array = !array_tag_.empty();
    for (size_t i = 0; i < scenario_->pvs.size(); ++i) {
        const DCSPVRow& row = block.PV(static_cast<int>(i));
        bool sent = array ? row.Active == 1 : row.Active != 0 && pv_has_tag_[i];
        if (sent) Note(pv_base_ + i, row.Value);
    }
}

void ValueWatch::Note(size_t target, double value)
{
    SentKind kind = ClassifySent(value);
    if (kind == SentKind::Sound) return;
    auto [at, fresh] = index_.emplace(std::make_pair(target, kind), found_.size());
    if (fresh) found_.push_back(UnsoundSent{targets_[target], kind, time_, 0});
    ++found_[at->second].count;
}

std::string FormatUnsoundSent(const UnsoundSent& sent)
{
    const SentTarget& t = sent.target;
    std::string where = t.table + " row " + std::to_string(t.row) + " (" + t.name + ")";
    if (!t.column.empty()) where += " " + t.column;
    return where + ": " + SentKindName(sent.kind) + " sent at " + NumberText(sent.first) + " s, " +
           std::to_string(sent.count) + (sent.count == 1 ? " time" : " times");
}
