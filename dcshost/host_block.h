// The host's DCSData block: the host creates it, fills rows and cells after
// the driver declared its columns (DCSLoad), and releases it at the end with
// FreeDCSData from the data-block code. Rows, their cells and tag names are
// the host's own memory; GenData and its text come from the host heap, as the
// release routine expects.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dcs/data/dcs_data.h"
#include "dcshost/scenario.h"

// The host heap's live blocks, both families, at one moment.
struct HostHeapSnapshot {
    int32_t blocks = 0;
    int32_t bytes = 0;
    int32_t bad_releases = 0;

    static HostHeapSnapshot Now();
};

class HostBlock {
public:
    HostBlock() = default;
    ~HostBlock();
    HostBlock(const HostBlock&) = delete;
    HostBlock& operator=(const HostBlock&) = delete;

    DCSData* Data() { return &data_; }

    // Rows, one cell per declared column (text columns by caption, choice
    // columns by the option's text), GenData and the starting values. Call
    // after DCSLoad. False with a reason when a choice is not on offer.
    bool Fill(const Scenario& scenario, std::string& error);

    // GenData's texts back to the host heap, then FreeDCSData. Once only.
    void Release();
    bool Released() const { return released_; }

    DCSCtrlRow& Ctrl(int row) { return ctrl_[static_cast<size_t>(row)]; }
    DCSPVRow& PV(int row) { return pv_[static_cast<size_t>(row)]; }
    DCSPVImportRow& Import(int row) { return import_[static_cast<size_t>(row)]; }

private:
    DCSCell* NewCells(int32_t count);
    char* Keep(const std::string& text);
    bool FillCells(DCSCell* cells, const DCSDataDef* defs, int32_t count,
                   const std::vector<CellText>& texts, const std::vector<CellText>& choices,
                   const std::string& row, std::string& error);

    DCSData data_{};
    std::vector<DCSCtrlRow> ctrl_;
    std::vector<DCSPVRow> pv_;
    std::vector<DCSPVImportRow> import_;
    std::deque<std::vector<DCSCell>> cells_;
    std::deque<std::string> texts_;
    std::vector<char*> gen_texts_;
    bool released_ = false;
};
