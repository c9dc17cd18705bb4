// The host's DCSData block: the host creates it, fills rows and cells after
// the driver declared its columns (DCSLoad), and releases it at the end with
// FreeDCSData from the data-block code. Rows, their cells and tag names are
// the host's own memory (the shared block builder's); GenData and its text
// come from the host heap, as the release routine expects.
#pragma once

#include <string>
#include <vector>

#include "dcs/data/dcs_data.h"
#include "dcshost/scenario/scenario.h"
#include "module/no_copy.h"
#include "standins/hostblock/block_builder.h"

// The host heap's live blocks, both families, at one moment.
struct HostHeapSnapshot {
    int32_t blocks = 0;
    int32_t bytes = 0;
    int32_t bad_releases = 0;

    static HostHeapSnapshot Now();
};

class HostBlock : NoCopy {
public:
    HostBlock() = default;
    ~HostBlock();

    DCSData* Data() { return builder_.get(); }

    // Rows, one cell per declared column (text columns by caption, choice
    // columns by the option's text), GenData and the starting values. Call
    // after DCSLoad. False with a reason when a choice is not on offer.
    bool Fill(const Scenario& scenario, std::string& error);

    // GenData's texts back to the host heap, then FreeDCSData. Once only.
    void Release();
    bool Released() const { return released_; }

    DCSCtrlRow& Ctrl(int row) { return builder_.Ctrl(row); }
    DCSPVRow& PV(int row) { return builder_.PV(row); }
    DCSPVImportRow& Import(int row) { return builder_.Import(row); }
    // Rows and cells laid by plan, for a block filled other than from a scenario.
    BlockBuilder& Builder() { return builder_; }

private:
    bool FillCells(DCSCell* cells, const DCSDataDef* defs, int32_t count,
                   const std::vector<CellText>& texts, const std::vector<CellText>& choices,
                   const std::string& row, std::string& error);

    BlockBuilder builder_;
    std::vector<char*> gen_texts_;
    bool released_ = false;
};
