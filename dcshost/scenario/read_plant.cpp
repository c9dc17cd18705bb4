// [plant]: the blocks of the plant model and their inputs.
#include "dcshost/scenario/reader.h"

#include "dcshost/scenario/limits.h"

void Reader::ReadPlant(const toml::table& table)
{
    Fields f(table, "[plant]", ctx);
    ReadEntries(f, "block", "[[plant.block]]", out.plant, [&](Fields& e, PlantBlockDef& block) {
        std::string kind;
        SourcePos kind_at = block.pos;
        if (e.Text("kind", kind, true, &kind_at)) {
            if (kind == "integrating")
                block.kind = BlockKind::Integrating;
            else if (kind != "first_order")
                ctx.Error(kind_at, "'kind' of block " + block.name +
                                       " must be \"first_order\" or \"integrating\", not \"" +
                                       kind + "\"");
        }
        for (const toml::table* in : e.Tables("inputs")) {
            Fields i(*in, "an input of block " + block.name, ctx);
            PlantInput input;
            input.pos = i.Pos();
            if (i.Text("from", input.from, true, &input.pos))
                Require(RefKind::PlantSource, input.from, input.pos,
                        "input of block " + block.name);
            i.NumberIn("gain", input.gain, false, -limits::kMaxGain, limits::kMaxGain);
            i.Done();
            block.inputs.push_back(input);
        }
        e.Number("initial", block.initial, false);
        e.NumberIn("noise", block.noise, false, 0.0, limits::kMaxFloat);
        if (block.kind == BlockKind::FirstOrder) {
            e.Number("bias", block.bias, false);
            e.NumberIn("tau", block.tau, false, limits::kMinStep, limits::kMaxTime, "s");
            // Against the step once the whole file is read.
            e.NumberIn("dead_time", block.dead_time, false, 0.0, limits::kMaxTime, "s");
            block.dead_time_pos = e.At("dead_time");
        } else {
            e.Number("lo", block.lo, false);
            e.Number("hi", block.hi, false);
            if (!(block.lo <= block.initial && block.initial <= block.hi))
                ctx.Error(block.pos,
                          "'initial' of block " + block.name + " must lie between 'lo' and 'hi'");
        }
    });
    f.Done();
}
