#include "dcshost/host_block.h"

#include <algorithm>
#include <cstring>

#include "dcs/host/iface.h"
#include "standins/iface/iface_control.h"

HostHeapSnapshot HostHeapSnapshot::Now() {
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

HostBlock::~HostBlock() { Release(); }

DCSCell* HostBlock::NewCells(int32_t count) {
    cells_.emplace_back(static_cast<size_t>(std::max<int32_t>(count, 1)), DCSCell{});
    return cells_.back().data();
}

char* HostBlock::Keep(const std::string& text) {
    texts_.push_back(text);
    return texts_.back().data();
}

bool HostBlock::FillCells(DCSCell* cells, const DCSDataDef* defs, int32_t count,
                          const std::vector<CellText>& texts, const std::vector<CellText>& choices,
                          const std::string& row, std::string& error) {
    for (int32_t j = 0; defs && j < count; ++j) {
        const char* label = defs[j].Label ? defs[j].Label : "";
        if (defs[j].Type == DCS_TYPE_TEXT) {
            // A column the scenario does not fill stays a null text.
            if (const std::string* text = FindCell(texts, label)) cells[j].Text = Keep(*text);
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

bool HostBlock::Fill(const Scenario& scenario, std::string& error) {
    // New rows start as the driver's default rows say (HostValue1 and the like).
    for (const CtrlRowDef& def : scenario.controllers) {
        DCSCtrlRow row = data_.CtrlDataDefault;
        row.Active = def.active ? 1 : 0;
        row.SP = def.sp;
        row.OP = def.op;
        row.SPUpdated = 0;
        row.OPUpdated = 0;
        row.Cells = NewCells(data_.CtrlDefCnt);
        if (!FillCells(row.Cells, data_.CtrlDefs, data_.CtrlDefCnt, def.cells, {},
                       "controller " + def.name, error))
            return false;
        ctrl_.push_back(row);
    }
    for (const PVRowDef& def : scenario.pvs) {
        DCSPVRow row = data_.PVDataDefault;
        row.Active = def.active ? 1 : 0;
        row.Value = def.value;
        row.Cells = NewCells(data_.PVDefCnt);
        if (!FillCells(row.Cells, data_.PVDefs, data_.PVDefCnt, def.cells, {}, "PV " + def.name,
                       error))
            return false;
        pv_.push_back(row);
    }
    for (const ImportRowDef& def : scenario.imports) {
        DCSPVImportRow row = data_.PVImportDataDefault;
        row.Active = def.active ? 1 : 0;
        row.Value = def.value;
        row.Cells = NewCells(data_.PVImportDefCnt);
        if (!FillCells(row.Cells, data_.PVImportDefs, data_.PVImportDefCnt, def.cells,
                       {CellText{"Mapping", def.mapping}}, "import " + def.name, error))
            return false;
        import_.push_back(row);
    }
    data_.CtrlCount = static_cast<int32_t>(ctrl_.size());
    data_.CtrlRows = ctrl_.empty() ? nullptr : ctrl_.data();
    data_.PVCount = static_cast<int32_t>(pv_.size());
    data_.PVRows = pv_.empty() ? nullptr : pv_.data();
    data_.PVImportCount = static_cast<int32_t>(import_.size());
    data_.PVImportRows = import_.empty() ? nullptr : import_.data();

    // GenData is the host's and FreeDCSData releases it, so it comes from the
    // host heap; its texts FreeDCSData leaves to the host (Release).
    int32_t gen_count = std::max<int32_t>(data_.GenDefCnt, 0);
    void* gen = IFace_new(static_cast<size_t>(gen_count) * sizeof(DCSCell));
    if (!gen) {
        error = "the host heap has no room for GenData";
        return false;
    }
    std::memset(gen, 0, static_cast<size_t>(gen_count) * sizeof(DCSCell));
    data_.GenData = static_cast<DCSCell*>(gen);
    for (int32_t j = 0; data_.GenDefs && j < gen_count; ++j) {
        const DCSDataDef& def = data_.GenDefs[j];
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
        data_.GenData[j].Text = text;
    }
    return true;
}

void HostBlock::Release() {
    if (released_) return;
    released_ = true;
    for (char* text : gen_texts_) IFace_free(text);
    gen_texts_.clear();
    for (int32_t j = 0; data_.GenData && j < data_.GenDefCnt; ++j) data_.GenData[j].Text = nullptr;
    FreeDCSData(&data_);
}
