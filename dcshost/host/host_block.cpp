#include "dcshost/host/host_block.h"

#include <algorithm>
#include <cstring>

#include "dcs/host/iface.h"
#include "standins/iface/iface_control.h"

HostHeapSnapshot HostHeapSnapshot::Now()
{
    HostHeapSnapshot snapshot;
    for (int32_t family : {IFACE_FAMILY_MALLOC, IFACE_FAMILY_NEW}) {
        IFaceHeapStats stats{};
        IFaceHeapGetStats(family, &stats);
        snapshot.blocks += stats.live_blocks;
        snapshot.bytes += stats.live_bytes;
        snapshot.bad_releases += stats.bad_releases;
    }
    return snapshot;
}

namespace {

int16_t ActiveFlag(bool active) { return active ? 1 : 0; }

}  // namespace

HostBlock::~HostBlock() { Release(); }

bool HostBlock::FillCells(DCSCell* cells, const DCSDataDef* defs, int32_t count,
                          const std::vector<CellText>& texts, const std::vector<CellText>& choices,
                          const std::string& row, std::string& error)
{
    for (int32_t j = 0; defs && j < count; ++j) {
        const char* label = defs[j].Label ? defs[j].Label : "";
        if (defs[j].Type == DCS_TYPE_TEXT) {
            // A column the scenario does not fill stays a null text.
            const std::string* text = FindCell(texts, label);
            if (text) cells[j].Text = builder_.Name(*text);
        } else if (defs[j].Type == DCS_TYPE_CHOICE) {
            const std::string* choice = FindCell(choices, label);
            if (!choice) continue;  // index 0, the column's first option
            int32_t index = -1;
            for (int32_t k = 0; defs[j].Options && defs[j].Options[k]; ++k) {
                if (*choice == defs[j].Options[k]) index = k;
            }
            if (index < 0) {
                error = row + ": the driver offers no choice \"" + *choice + "\" in column \"" +
                        label + "\"";
                return false;
            }
            cells[j].Int = index;
        }
    }
    return true;
}

bool HostBlock::Fill(const Scenario& scenario, std::string& error)
{
    // New rows start as the driver's default rows have them (HostValue1 1.0,
    // the rest zero); the scenario gives Active and the values.
    for (const CtrlRowDef& def : scenario.controllers) {
        builder_.ctrl.push_back(CtrlRowPlan{{}, ActiveFlag(def.active), def.sp, def.op});
    }
    for (const PVRowDef& def : scenario.pvs) {
        builder_.pv.push_back(PVRowPlan{{}, ActiveFlag(def.active), def.value});
    }
    for (const ImportRowDef& def : scenario.imports) {
        builder_.imports.push_back(
            ImportRowPlan{{}, MAPPING_ONE_TO_ONE, ActiveFlag(def.active), def.value});
    }
    // GenData is the host's and FreeDCSData releases it, so it comes from the
    // host heap; its texts FreeDCSData leaves to the host (Release).
    if (!builder_.Lay()) {
        error = "the host heap has no room for GenData";
        return false;
    }
    DCSData* d = builder_.get();
    // The cells by the driver's captions, whatever order it declared them in.
    for (size_t i = 0; i < scenario.controllers.size(); ++i) {
        const CtrlRowDef& def = scenario.controllers[i];
        if (!FillCells(Ctrl(static_cast<int>(i)).Cells, d->CtrlDefs, d->CtrlDefCnt, def.cells, {},
                       "controller " + def.name, error))
            return false;
    }
    for (size_t i = 0; i < scenario.pvs.size(); ++i) {
        const PVRowDef& def = scenario.pvs[i];
        if (!FillCells(PV(static_cast<int>(i)).Cells, d->PVDefs, d->PVDefCnt, def.cells, {},
                       "PV " + def.name, error))
            return false;
    }
    for (size_t i = 0; i < scenario.imports.size(); ++i) {
        const ImportRowDef& def = scenario.imports[i];
        if (!FillCells(Import(static_cast<int>(i)).Cells, d->PVImportDefs, d->PVImportDefCnt,
                       def.cells, {CellText{"Mapping", def.mapping}}, "import " + def.name, error))
            return false;
    }

    const int32_t gen_count = std::max<int32_t>(d->GenDefCnt, 0);
    for (int32_t j = 0; d->GenDefs && j < gen_count; ++j) {
        const DCSDataDef& def = d->GenDefs[j];
        if (def.Type != DCS_TYPE_TEXT || !def.Label) continue;
        if (std::strcmp(def.Label, "PV Array Tag") != 0 || scenario.pv_array_tag.empty()) continue;
        const std::string& name = scenario.pv_array_tag;
        char* text = static_cast<char*>(IFace_malloc(std::max<size_t>(64, name.size() + 1)));
        if (!text) {
            error = "the host heap has no room for the PV Array Tag text";
            return false;
        }
        std::memcpy(text, name.c_str(), name.size() + 1);
        gen_texts_.push_back(text);
        d->GenData[j].Text = text;
    }
    return true;
}

void HostBlock::Release()
{
    if (released_) return;
    released_ = true;
    for (char* text : gen_texts_) IFace_free(text);
    gen_texts_.clear();
    DCSData* d = builder_.get();
    for (int32_t j = 0; d->GenData && j < d->GenDefCnt; ++j) d->GenData[j].Text = nullptr;
    builder_.Free();
}
