// [system]: the simulated control system's tags, arrays and PID blocks.
#include "dcshost/scenario/reader.h"

#include <cmath>
#include <cstdint>

#include "dcshost/scenario/limits.h"

void Reader::ReadSystem(const toml::table& table)
{
    Fields f(table, "[system]", ctx);
    ReadEntries(f, "tag", "[[system.tag]]", out.tags, [&](Fields& e, SysTag& tag) {
        std::string type = "float";
        SourcePos type_at = tag.pos;
        e.Text("type", type, false, &type_at);
        if (type == "int")
            tag.type = TagType::Int;
        else if (type != "float")
            ctx.Error(type_at, "'type' in [[system.tag]] must be \"float\" or \"int\", not \"" +
                                   type + "\"");
        if (tag.type == TagType::Int) {
            if (e.NumberIn("value", tag.value, false, INT32_MIN, INT32_MAX) &&
                tag.value != std::trunc(tag.value))
                ctx.Error(e.At("value"),
                          NotWhole("'value' of int tag '" + tag.name + "'", tag.value));
        } else
            e.NumberIn("value", tag.value, false, -limits::kMaxFloat, limits::kMaxFloat);
        e.Integer("status", tag.status, false, -32768, 32767);
        e.Integer("io_status", tag.io_status, false, INT32_MIN, INT32_MAX);
        e.Integer("quality", tag.quality, false, INT32_MIN, INT32_MAX);
    });
    ReadEntries(f, "array", "[[system.array]]", out.arrays, [&](Fields& e, SysArray& array) {
        e.Integer("lower", array.lower, false, -32768, 32767);
        e.Integer("upper", array.upper, true, -32768, 32767);
        e.NumberIn("value", array.value, false, -limits::kMaxFloat, limits::kMaxFloat);
    });
    for (const toml::table* t : f.Tables("pid")) ReadPid(*t);
    // Against the step once the whole file is read.
    f.NumberIn("read_jitter_ms", out.read_jitter_ms, false, 0.0, limits::kMaxReadJitterMs, "ms");
    out.read_jitter_pos = f.At("read_jitter_ms");
    f.Done();
}

void Reader::ReadPid(const toml::table& table)
{
    Fields e(table, "[[system.pid]]", ctx);
    SysPid pid;
    e.ReadName(pid);
    const std::string of = " of PID " + pid.name;
    struct {
        const char* key;
        std::string* slot;
        RefKind kind;
    } tags[] = {
        {"sp_tag", &pid.sp_tag, RefKind::FloatTag},
        {"op_tag", &pid.op_tag, RefKind::FloatTag},
        {"mode_tag", &pid.mode_tag, RefKind::IntTag},
        {"sp_init_tag", &pid.sp_init_tag, RefKind::FloatTag},
        {"op_init_tag", &pid.op_init_tag, RefKind::FloatTag},
    };
    for (auto& tag : tags) {
        SourcePos at;
        if (e.Text(tag.key, *tag.slot, true, &at)) Require(tag.kind, *tag.slot, at, tag.key + of);
    }
    SourcePos pv_at;
    bool has_pv = e.Text("pv_tag", pid.pv_tag, true, &pv_at);
    e.Integer("pv_index", pid.pv_index, false, -1, 32767);
    if (has_pv) {
        if (pid.pv_index >= 0)
            Require(RefKind::ArrayElement, pid.pv_tag, pv_at, "pv_tag" + of, pid.pv_index);
        else
            Require(RefKind::FloatTag, pid.pv_tag, pv_at, "pv_tag" + of);
    }
    e.NumberIn("kp", pid.kp, true, -limits::kMaxGain, limits::kMaxGain, "% per unit");
    e.NumberIn("ti", pid.ti, false, 0.0, limits::kMaxTime, "s");
    e.NumberIn("td", pid.td, false, 0.0, limits::kMaxTime, "s");
    e.NumberIn("op_lo", pid.op_lo, false, 0.0, 100.0, "%");
    e.NumberIn("op_hi", pid.op_hi, false, 0.0, 100.0, "%");
    if (pid.op_lo >= pid.op_hi) ctx.Error(pid.pos, "'op_lo'" + of + " must lie below 'op_hi'");
    // Against the step once the whole file is read: [run] may come later.
    e.NumberIn("scan", pid.scan, false, limits::kMinStep, limits::kMaxStep, "s");
    pid.scan_pos = e.At("scan");
    pid.phased = e.NumberIn("phase", pid.phase, false, 0.0, limits::kMaxStep, "s");
    if (pid.phased && pid.phase >= pid.scan)
        ctx.Error(e.At("phase"), "'phase'" + of + " is " + NumberText(pid.phase) +
                                     " s; it must lie from 0 to below its 'scan' (" +
                                     NumberText(pid.scan) + " s)");
    e.Done();
    out.pids.push_back(pid);
}
