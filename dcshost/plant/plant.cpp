#include "dcshost/plant/plant.h"

#include <algorithm>
#include <cmath>

namespace {

int IndexOf(const std::vector<std::string>& names, const std::string& name)
{
    auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

}  // namespace

bool Plant::Build(const std::vector<PlantBlockDef>& defs, const std::vector<std::string>& loops,
                  const std::vector<std::string>& imports, std::string& error)
{
    loops_ = loops;
    imports_ = imports;
    blocks_.clear();
    for (const PlantBlockDef& def : defs) {
        Block block;
        block.def = def;
        block.y = def.initial;
        blocks_.push_back(block);
    }
    for (Block& block : blocks_) {
        for (const PlantInput& input : block.def.inputs) {
            PlantSource source;
            if (!Resolve(input.from, source)) {
                error = "block " + block.def.name + ": nothing named by '" + input.from + "'";
                return false;
            }
            block.inputs.push_back(Input{source, input.gain});
        }
    }
    return true;
}

void Plant::MarkUpstream(int to, std::vector<unsigned char>& upstream) const
{
    std::vector<int> next{to};
    while (!next.empty()) {
        const size_t block = static_cast<size_t>(next.back());
        next.pop_back();
        if (upstream[block]) continue;
        upstream[block] = 1;
        for (const Input& input : blocks_[block].inputs)
            if (input.source.kind == PlantSource::Block) next.push_back(input.source.index);
    }
}

bool Plant::Resolve(const std::string& from, PlantSource& out) const
{
    size_t colon = from.find(':');
    if (colon == std::string::npos) return false;
    std::string prefix = from.substr(0, colon);
    std::string name = from.substr(colon + 1);
    int index = -1;
    if (prefix == "op") {
        out.kind = PlantSource::Op;
        index = IndexOf(loops_, name);
    } else if (prefix == "import") {
        out.kind = PlantSource::Import;
        index = IndexOf(imports_, name);
    } else if (prefix == "plant") {
        out.kind = PlantSource::Block;
        for (size_t i = 0; i < blocks_.size(); ++i)
            if (blocks_[i].def.name == name) index = static_cast<int>(i);
    }
    out.index = index;
    return index >= 0;
}

double Plant::Value(const PlantSource& source, const PlantSignals& signals) const
{
    size_t i = static_cast<size_t>(source.index);
    switch (source.kind) {
    case PlantSource::Op:
        return i < signals.op_percent.size() ? signals.op_percent[i] : 0.0;
    case PlantSource::Import:
        return i < signals.imports.size() ? signals.imports[i] : 0.0;
    case PlantSource::Block:
        return blocks_[i].y + blocks_[i].added;
    }
    return 0.0;
}

double Plant::Drive(const Block& block, const PlantSignals& signals) const
{
    double sum = 0.0;
    for (const Input& input : block.inputs) sum += input.gain * Value(input.source, signals);
    return sum;
}

void Plant::Start(double step, const PlantSignals& signals)
{
    step_ = step;
    for (Block& block : blocks_) {
        block.y = block.def.initial;
        if (block.def.kind != BlockKind::FirstOrder) continue;
        // Exact for a piecewise-constant input, so any step stays stable.
        block.alpha = 1.0 - std::exp(-step / block.def.tau);
        size_t steps = static_cast<size_t>(std::lround(block.def.dead_time / step));
        block.delay.assign(steps, Drive(block, signals));
        block.head = 0;
    }
}

void Plant::Advance(const PlantSignals& signals)
{
    std::vector<double> drive(blocks_.size());
    for (size_t i = 0; i < blocks_.size(); ++i) drive[i] = Drive(blocks_[i], signals);
    for (size_t i = 0; i < blocks_.size(); ++i) {
        Block& block = blocks_[i];
        if (block.def.kind == BlockKind::Integrating) {
            block.y = std::clamp(block.y + step_ * drive[i], block.def.lo, block.def.hi);
            continue;
        }
        double u = drive[i];
        if (!block.delay.empty()) {
            // The line holds the inputs of the last n steps; the oldest acts now.
            std::swap(u, block.delay[block.head]);
            block.head = (block.head + 1) % block.delay.size();
        }
        block.y += block.alpha * (block.def.bias + u - block.y);
    }
}
