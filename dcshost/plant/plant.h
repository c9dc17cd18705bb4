// The plant the host simulates: first-order-with-dead-time elements and
// integrating (level) elements, advanced together by a fixed step. Inputs are
// weighted sums of controller outputs, imported values and block outputs.
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

// Where a value comes from: "op:LOOP", "import:ROW" or "plant:BLOCK".
struct PlantSource {
    enum Kind { Op, Import, Block } kind = Block;
    int index = 0;
};

// What the host holds this step: controller outputs in percent, imported values.
struct PlantSignals {
    std::vector<double> op_percent;
    std::vector<double> imports;
};

class Plant {
public:
    // Resolves every input against the loop, import and block names; false
    // with a reason when one names nothing.
    bool Build(const std::vector<PlantBlockDef>& defs, const std::vector<std::string>& loops,
               const std::vector<std::string>& imports, std::string& error);
    bool Resolve(const std::string& from, PlantSource& out) const;

    // Fills the dead-time lines with the present inputs: the plant starts at
    // rest on them.
    void Start(double step, const PlantSignals& signals);
    // One step. Every block sees the others' outputs from before the step, so
    // the order of the blocks does not matter.
    void Advance(const PlantSignals& signals);

    double Value(const PlantSource& source, const PlantSignals& signals) const;
    double Output(int block) const
    {
        const Block& b = blocks_[static_cast<size_t>(block)];
        return b.y + b.added;
    }
    // A disturbance: what is added to the block's output from now on, outside
    // its state, so it leaves no trace once taken back.
    void SetAdded(int block, double added) { blocks_[static_cast<size_t>(block)].added = added; }
    int Count() const { return static_cast<int>(blocks_.size()); }
    // Sets upstream[b] to 1 for each block b whose output reaches block
    // `to`'s: itself, and each that feeds it through other blocks' inputs.
    // `upstream` holds a flag per block. Not for a step: it walks the plant.
    void MarkUpstream(int to, std::vector<unsigned char>& upstream) const;

private:
    struct Input {
        PlantSource source;
        double gain;
    };
    struct Block {
        PlantBlockDef def;
        std::vector<Input> inputs;
        double y = 0.0;
        double added = 0.0;
        double alpha = 0.0;         // first order: share of the gap closed per step
        std::vector<double> delay;  // first order: inputs of the last dead-time steps
        size_t head = 0;
    };
    double Drive(const Block& block, const PlantSignals& signals) const;

    std::vector<std::string> loops_, imports_;
    std::vector<Block> blocks_;
    double step_ = 1.0;
};
