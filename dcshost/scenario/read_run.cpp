// [run]: the step, the length, operator events and faults of the control system.
#include "dcshost/scenario/reader.h"

#include <cstdint>

#include "dcshost/scenario/limits.h"

void Reader::ReadRun(const toml::table& table)
{
    Fields f(table, "[run]", ctx);
    f.NumberIn("step", out.run.step, false, limits::kMinStep, limits::kMaxStep, "s");
    if (f.Number("duration", out.run.duration, false)) {
        std::string error = CheckRunLength(out.run.duration, out.run.step);
        if (!error.empty()) ctx.Error(f.At("duration"), "'duration' in [run] " + error);
    }
    f.Integer("progress_every", out.run.progress_every, false, 0, 1000000000);
    f.Integer("seed", out.run.seed, false, 0, limits::kMaxSeed);
    for (const toml::table* t : f.Tables("event")) {
        Fields e(*t, "[[run.event]]", ctx);
        RunEvent event;
        event.pos = e.Pos();
        e.Number("at", event.at, true);
        SourcePos at;
        if (e.Text("tag", event.tag, true, &at))
            Require(RefKind::AnyTag, event.tag, at, "tag of [[run.event]]");
        e.Number("value", event.value, true);
        event.value_pos = e.At("value");
        e.Done();
        out.run.events.push_back(event);
    }
    for (const toml::table* t : f.Tables("fault")) ReadFault(*t);
    for (const toml::table* t : f.Tables("malfunction")) ReadMalfunction(*t);
    for (const toml::table* t : f.Tables("disturbance")) ReadDisturbance(*t);
    f.Done();
}

void Reader::ReadFault(const toml::table& table)
{
    // kind, whether it names a tag, the answer when `value` is not given
    struct Kind {
        const char* name;
        FaultKind kind;
        bool tag;
        int value;
    };
    static const Kind kKinds[] = {
        {"tag_status", FaultKind::TagStatus, true, 1},
        {"quality", FaultKind::Quality, true, 1},
        {"io_status", FaultKind::IOStatus, true, 0},
        {"list_read", FaultKind::ListRead, false, 254},
        {"array_status", FaultKind::ArrayStatus, false, 1},
        {"write_refused", FaultKind::WriteRefused, true, 254},
        {"restart", FaultKind::Restart, false, 0},
    };
    Fields e(table, "[[run.fault]]", ctx);
    RunFault fault;
    fault.pos = e.Pos();
    e.Number("at", fault.at, true);
    fault.open_ended = !e.Number("until", fault.until, false);
    SourcePos kind_at = fault.pos;
    const Kind* kind = nullptr;
    if (e.Text("kind", fault.kind_name, true, &kind_at)) {
        for (const Kind& k : kKinds)
            if (fault.kind_name == k.name) kind = &k;
        if (!kind)
            ctx.Error(kind_at,
                      "'kind' of [[run.fault]] must be one of tag_status, quality, "
                      "io_status, list_read, array_status, write_refused, restart; "
                      "not \"" +
                          fault.kind_name + "\"");
    }
    SourcePos tag_at = fault.pos;
    bool has_tag = e.Text("tag", fault.tag, kind && kind->tag, &tag_at);
    if (kind) {
        fault.kind = kind->kind;
        fault.value = kind->value;
        if (has_tag && kind->tag)
            Require(RefKind::FaultTag, fault.tag, tag_at, "tag of [[run.fault]]");
        else if (has_tag)
            ctx.Error(tag_at, "a " + fault.kind_name + " fault names no tag");
    }
    int limit = fault.kind == FaultKind::TagStatus || fault.kind == FaultKind::ArrayStatus ||
                        fault.kind == FaultKind::ListRead || fault.kind == FaultKind::WriteRefused
                    ? 32767
                    : INT32_MAX;
    e.Integer("value", fault.value, false, -limit - 1, limit);
    if (fault.kind == FaultKind::Restart && table.get("until"))
        ctx.Error(e.At("until"), "a restart fault has no 'until': it happens at 'at'");
    e.Done();
    out.run.faults.push_back(fault);
}

void Reader::ReadMalfunction(const toml::table& table)
{
    // kind, and the key of its number ("" none)
    struct Kind {
        const char* name;
        MalfunctionKind kind;
        const char* key;
    };
    static const Kind kKinds[] = {
        {"freeze", MalfunctionKind::Freeze, ""},
        {"offset", MalfunctionKind::Offset, "value"},
        {"drift", MalfunctionKind::Drift, "rate"},
        {"fixed", MalfunctionKind::Fixed, "value"},
        {"fail_high", MalfunctionKind::FailHigh, "hi"},
        {"fail_low", MalfunctionKind::FailLow, "lo"},
    };
    Fields e(table, "[[run.malfunction]]", ctx);
    RunMalfunction m;
    m.pos = e.Pos();
    e.Number("at", m.at, true);
    // Missing, it is reported once, not again as lying before 'at'.
    if (!e.Number("until", m.until, true)) m.until = m.at;
    SourcePos at = m.pos;
    if (e.Text("pv", m.pv, true, &at))
        Require(RefKind::PVRow, m.pv, at, "pv of [[run.malfunction]]");
    const Kind* kind = nullptr;
    if (e.Text("kind", m.kind_name, true, &at)) {
        for (const Kind& k : kKinds)
            if (m.kind_name == k.name) kind = &k;
        if (!kind)
            ctx.Error(at,
                      "'kind' of [[run.malfunction]] must be one of freeze, offset, drift, "
                      "fixed, fail_high, fail_low; not \"" +
                          m.kind_name + "\"");
    }
    if (kind) {
        m.kind = kind->kind;
        // Only the kind's own number is read: any other is an unknown key.
        if (*kind->key)
            e.NumberIn(kind->key, kind->kind == MalfunctionKind::Drift ? m.rate : m.value, true,
                       -limits::kMaxFloat, limits::kMaxFloat,
                       kind->kind == MalfunctionKind::Drift ? "per s" : "");
    }
    e.Done();
    out.run.malfunctions.push_back(m);
}

void Reader::ReadDisturbance(const toml::table& table)
{
    Fields e(table, "[[run.disturbance]]", ctx);
    RunDisturbance d;
    d.pos = e.Pos();
    e.Number("at", d.at, true);
    d.open_ended = !e.Number("until", d.until, false);
    SourcePos at = d.pos;
    if (e.Text("block", d.block, true, &at))
        Require(RefKind::PlantBlock, d.block, at, "block of [[run.disturbance]]");
    e.NumberIn("value", d.value, true, -limits::kMaxFloat, limits::kMaxFloat);
    if (e.Number("ramp", d.ramp, false) && !(d.ramp > 0.0))
        ctx.Error(e.At("ramp"), "'ramp' of [[run.disturbance]] is " + NumberText(d.ramp) +
                                    " s; it must be above 0 (leave it out for a step)");
    e.Done();
    out.run.disturbances.push_back(d);
}
