// Scenario reading: toml++ (built without exceptions) into the plain struct,
// with every problem reported as file:line:col. References between the two
// sides (a PID's tags, a plant input, a loop's PV row) are checked once the
// whole file is read, so sections may come in any order.
#include "dcshost/scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <toml++/toml.h>

#include "dcshost/ctrl_columns.h"
#include "dcshost/limits.h"

namespace {

// A 2000-row scenario takes about 2 MB.
constexpr uintmax_t kMaxScenarioBytes = 64u * 1024 * 1024;

SourcePos PosOf(const toml::source_region& region)
{
    return SourcePos{static_cast<int>(region.begin.line), static_cast<int>(region.begin.column)};
}

const char* TypeName(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::table:
        return "a table";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "an integer";
    case toml::node_type::floating_point:
        return "a number";
    case toml::node_type::boolean:
        return "a boolean";
    default:
        return "a date or time";
    }
}

struct Context {
    std::string file;
    std::vector<ScenarioError>& errors;

    void Error(SourcePos pos, const std::string& message)
    {
        errors.push_back(ScenarioError{file, pos, message});
    }
};

// Reads the keys of one table; whatever was not asked for is an unknown key.
class Fields {
public:
    Fields(const toml::table& table, std::string where, Context& ctx)
        : table_(table), where_(std::move(where)), ctx_(ctx)
    {}

    SourcePos Pos() const { return PosOf(table_.source()); }

    // Each reader leaves out untouched when the key is absent or has the wrong
    // type; a required key that is absent is an error at the table.
    bool Text(const char* key, std::string& out, bool required, SourcePos* at = nullptr)
    {
        const toml::node* node = Find(key, required);
        if (!node) return false;
        if (!node->is_string()) return WrongType(key, *node, "a string");
        out = node->value<std::string>().value_or("");
        if (at) *at = PosOf(node->source());
        return true;
    }

    bool Number(const char* key, double& out, bool required)
    {
        const toml::node* node = Find(key, required);
        if (!node) return false;
        if (!node->is_number()) return WrongType(key, *node, "a number");
        double value = node->value<double>().value_or(0.0);
        if (!std::isfinite(value)) {
            ctx_.Error(PosOf(node->source()),
                       "'" + std::string(key) + "' in " + where_ + " must be a finite number");
            return false;
        }
        out = value;
        return true;
    }

    // A number that must also lie within lo..hi; the message names the range.
    bool NumberIn(const char* key, double& out, bool required, double lo, double hi,
                  const char* unit = "")
    {
        double value = out;
        if (!Number(key, value, required)) return false;
        if (!InRange(value, lo, hi)) {
            ctx_.Error(At(key), RangeMessage("'" + std::string(key) + "' in " + where_, value, lo,
                                             hi, unit));
            return false;
        }
        out = value;
        return true;
    }

    // Where a key's value stands; the table when it is absent.
    SourcePos At(const char* key) const
    {
        const toml::node* node = table_.get(key);
        return node ? PosOf(node->source()) : Pos();
    }

    bool Integer(const char* key, int& out, bool required, long long lo, long long hi)
    {
        const toml::node* node = Find(key, required);
        if (!node) return false;
        if (!node->is_integer()) return WrongType(key, *node, "an integer");
        long long value = node->value<int64_t>().value_or(0);
        if (value < lo || value > hi) {
            ctx_.Error(PosOf(node->source()), "'" + std::string(key) + "' in " + where_ +
                                                  " must lie between " + std::to_string(lo) +
                                                  " and " + std::to_string(hi));
            return false;
        }
        out = static_cast<int>(value);
        return true;
    }

    bool Flag(const char* key, bool& out)
    {
        const toml::node* node = Find(key, false);
        if (!node) return false;
        if (!node->is_boolean()) return WrongType(key, *node, "true or false");
        out = node->value<bool>().value_or(false);
        return true;
    }

    const toml::table* Table(const char* key)
    {
        const toml::node* node = Find(key, false);
        if (!node) return nullptr;
        if (!node->is_table()) {
            WrongType(key, *node, "a table");
            return nullptr;
        }
        return node->as_table();
    }

    // An array whose every element is a table ([[key]] or key = [{...}, ...]).
    std::vector<const toml::table*> Tables(const char* key, bool required = false)
    {
        std::vector<const toml::table*> out;
        const toml::node* node = Find(key, required);
        if (!node) return out;
        const toml::array* array = node->as_array();
        if (!array) {
            WrongType(key, *node, "an array of tables");
            return out;
        }
        for (const toml::node& element : *array) {
            if (const toml::table* table = element.as_table()) {
                out.push_back(table);
            } else {
                ctx_.Error(PosOf(element.source()), "'" + std::string(key) + "' in " + where_ +
                                                        " holds " + TypeName(element) +
                                                        " where a table was expected");
            }
        }
        return out;
    }

    // Reports every key nobody asked for.
    void Done()
    {
        for (auto&& [key, node] : table_) {
            (void)node;
            if (!used_.count(std::string(key.str()))) {
                ctx_.Error(PosOf(key.source()),
                           "unknown key '" + std::string(key.str()) + "' in " + where_);
            }
        }
    }

private:
    const toml::node* Find(const char* key, bool required)
    {
        used_.insert(key);
        const toml::node* node = table_.get(key);
        if (!node && required) {
            ctx_.Error(Pos(), where_ + " is missing '" + std::string(key) + "'");
        }
        return node;
    }

    bool WrongType(const char* key, const toml::node& node, const char* expected)
    {
        ctx_.Error(PosOf(node.source()), "'" + std::string(key) + "' in " + where_ + " must be " +
                                             expected + ", not " + TypeName(node));
        return false;
    }

    const toml::table& table_;
    std::string where_;
    Context& ctx_;
    std::set<std::string> used_;
};

// A name one part of the scenario uses and another must define.
// ModeTag: an int tag when the control system defines it (a name it does not
// define is the driver's to report). FaultTag: a tag or an array.
enum class RefKind {
    FloatTag,
    IntTag,
    AnyTag,
    FaultTag,
    ArrayElement,
    PlantSource,
    PVRow,
    ModeTag
};

struct Reference {
    RefKind kind;
    std::string name;
    int index;  // ArrayElement only
    SourcePos pos;
    std::string what;  // "sp_tag of PID LIC101"
};

struct Reader {
    Context& ctx;
    Scenario& out;
    std::vector<Reference> refs;

    void Require(RefKind kind, const std::string& name, SourcePos pos, const std::string& what,
                 int index = -1)
    {
        refs.push_back(Reference{kind, name, index, pos, what});
    }

    void ReadRun(const toml::table& table)
    {
        Fields f(table, "[run]", ctx);
        f.NumberIn("step", out.run.step, false, limits::kMinStep, limits::kMaxStep, "s");
        if (f.Number("duration", out.run.duration, false)) {
            std::string error = CheckRunLength(out.run.duration, out.run.step);
            if (!error.empty()) ctx.Error(f.At("duration"), "'duration' in [run] " + error);
        }
        f.Integer("progress_every", out.run.progress_every, false, 0, 1000000000);
        for (const toml::table* t : f.Tables("event")) {
            Fields e(*t, "[[run.event]]", ctx);
            RunEvent event;
            event.pos = e.Pos();
            e.Number("at", event.at, true);
            SourcePos at;
            if (e.Text("tag", event.tag, true, &at))
                Require(RefKind::AnyTag, event.tag, at, "tag of [[run.event]]");
            e.Number("value", event.value, true);
            e.Done();
            out.run.events.push_back(event);
        }
        for (const toml::table* t : f.Tables("fault")) ReadFault(*t);
        f.Done();
    }

    void ReadFault(const toml::table& table)
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
                            fault.kind == FaultKind::ListRead ||
                            fault.kind == FaultKind::WriteRefused
                        ? 32767
                        : INT32_MAX;
        e.Integer("value", fault.value, false, -limit - 1, limit);
        if (fault.kind == FaultKind::Restart && table.get("until"))
            ctx.Error(e.At("until"), "a restart fault has no 'until': it happens at 'at'");
        e.Done();
        out.run.faults.push_back(fault);
    }

    void ReadSystem(const toml::table& table)
    {
        Fields f(table, "[system]", ctx);
        for (const toml::table* t : f.Tables("tag")) {
            Fields e(*t, "[[system.tag]]", ctx);
            SysTag tag;
            tag.pos = e.Pos();
            e.Text("name", tag.name, true);
            std::string type = "float";
            SourcePos type_at = tag.pos;
            e.Text("type", type, false, &type_at);
            if (type == "int")
                tag.type = TagType::Int;
            else if (type != "float")
                ctx.Error(type_at, "'type' in [[system.tag]] must be \"float\" or \"int\", not \"" +
                                       type + "\"");
            if (tag.type == TagType::Int)
                e.NumberIn("value", tag.value, false, INT32_MIN, INT32_MAX);
            else
                e.NumberIn("value", tag.value, false, -limits::kMaxFloat, limits::kMaxFloat);
            e.Integer("status", tag.status, false, -32768, 32767);
            e.Integer("io_status", tag.io_status, false, INT32_MIN, INT32_MAX);
            e.Integer("quality", tag.quality, false, INT32_MIN, INT32_MAX);
            e.Done();
            out.tags.push_back(tag);
        }
        for (const toml::table* t : f.Tables("array")) {
            Fields e(*t, "[[system.array]]", ctx);
            SysArray array;
            array.pos = e.Pos();
            e.Text("name", array.name, true);
            e.Integer("lower", array.lower, false, -32768, 32767);
            e.Integer("upper", array.upper, true, -32768, 32767);
            e.NumberIn("value", array.value, false, -limits::kMaxFloat, limits::kMaxFloat);
            e.Done();
            out.arrays.push_back(array);
        }
        for (const toml::table* t : f.Tables("pid")) ReadPid(*t);
        f.Done();
    }

    void ReadPid(const toml::table& table)
    {
        Fields e(table, "[[system.pid]]", ctx);
        SysPid pid;
        pid.pos = e.Pos();
        e.Text("name", pid.name, true);
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
            if (e.Text(tag.key, *tag.slot, true, &at))
                Require(tag.kind, *tag.slot, at, tag.key + of);
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
        e.Done();
        out.pids.push_back(pid);
    }

    // A row's tag column: the scenario's key, the driver's caption.
    bool ReadCell(Fields& e, std::vector<CellText>& cells, const char* key, const char* caption,
                  SourcePos* at = nullptr)
    {
        std::string text;
        if (!e.Text(key, text, true, at)) return false;
        cells.push_back(CellText{caption, text});
        return true;
    }

    void ReadHost(const toml::table& table)
    {
        Fields f(table, "[host]", ctx);
        f.Text("pv_array_tag", out.pv_array_tag, false);
        for (const toml::table* t : f.Tables("controller")) {
            Fields e(*t, "[[host.controller]]", ctx);
            CtrlRowDef row;
            row.pos = e.Pos();
            e.Text("name", row.name, true);
            for (const CtrlTagColumn& column : CtrlTagColumns) {
                SourcePos at;
                // The driver writes modes as integers: a float tag would take
                // the mode in place of whatever it holds.
                if (ReadCell(e, row.cells, kCtrlTagKeys[column.col], column.caption, &at) &&
                    column.integer)
                    Require(RefKind::ModeTag, row.cells.back().text, at,
                            "mode_tag of controller " + row.name);
            }
            e.Flag("active", row.active);
            e.Number("sp", row.sp, false);
            // The host holds outputs as fractions: 50 here is 5000 %.
            if (e.Number("op", row.op, false) && !InRange(row.op, 0.0, 1.0))
                ctx.Error(e.At("op"),
                          RangeMessage("'op' of controller " + row.name, row.op, 0.0, 1.0, "",
                                       "(a fraction of full range: 50 % is 0.5)"));
            SourcePos pv_at;
            if (e.Text("pv", row.pv, false, &pv_at))
                Require(RefKind::PVRow, row.pv, pv_at, "pv of controller " + row.name);
            e.Done();
            out.controllers.push_back(row);
        }
        for (const toml::table* t : f.Tables("pv")) {
            Fields e(*t, "[[host.pv]]", ctx);
            PVRowDef row;
            row.pos = e.Pos();
            e.Text("name", row.name, true);
            ReadCell(e, row.cells, "tag", "TAG");
            e.Flag("active", row.active);
            SourcePos from_at;
            bool has_from = e.Text("from", row.from, false, &from_at);
            bool has_value = e.Number("value", row.value, false);
            if (has_from)
                Require(RefKind::PlantSource, row.from, from_at, "from of PV " + row.name);
            if (has_from == has_value)
                ctx.Error(row.pos, "[[host.pv]] " + row.name + " needs either 'from' or 'value'");
            e.Done();
            out.pvs.push_back(row);
        }
        for (const toml::table* t : f.Tables("import")) {
            Fields e(*t, "[[host.import]]", ctx);
            ImportRowDef row;
            row.pos = e.Pos();
            e.Text("name", row.name, true);
            ReadCell(e, row.cells, "tag", "TAG");
            SourcePos mapping_at = row.pos;
            e.Text("mapping", row.mapping, false, &mapping_at);
            if (row.mapping != "1:1" && row.mapping != "Controller Mode")
                ctx.Error(mapping_at,
                          "'mapping' in [[host.import]] must be \"1:1\" or "
                          "\"Controller Mode\", not \"" +
                              row.mapping + "\"");
            e.Flag("active", row.active);
            e.Number("value", row.value, false);
            e.Done();
            out.imports.push_back(row);
        }
        f.Done();
    }

    void ReadPlant(const toml::table& table)
    {
        Fields f(table, "[plant]", ctx);
        for (const toml::table* t : f.Tables("block")) {
            Fields e(*t, "[[plant.block]]", ctx);
            PlantBlockDef block;
            block.pos = e.Pos();
            e.Text("name", block.name, true);
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
                    ctx.Error(block.pos, "'initial' of block " + block.name +
                                             " must lie between 'lo' and 'hi'");
            }
            e.Done();
            out.plant.push_back(block);
        }
        f.Done();
    }

    template <typename T>
    void CheckUnique(const std::vector<T>& items, const char* what)
    {
        std::set<std::string> seen;
        for (const T& item : items) {
            if (!item.name.empty() && !seen.insert(item.name).second)
                ctx.Error(item.pos, std::string(what) + " '" + item.name + "' is defined twice");
        }
    }

    template <typename T>
    void CheckRowCount(const std::vector<T>& rows, const char* table)
    {
        if (rows.size() > static_cast<size_t>(limits::kMaxRows))
            ctx.Error(rows[static_cast<size_t>(limits::kMaxRows)].pos,
                      std::string(table) + " has " + std::to_string(rows.size()) +
                          " rows; the driver binds at most " + std::to_string(limits::kMaxRows));
    }

    // What is sized or repeated per step: dead-time lines, PID scans.
    void CheckAgainstStep()
    {
        const double step = out.run.step;
        if (!InRange(step, limits::kMinStep, limits::kMaxStep)) return;  // reported already
        double total = 0.0;
        for (const PlantBlockDef& block : out.plant) {
            if (block.kind != BlockKind::FirstOrder) continue;
            double steps = std::round(block.dead_time / step);
            total += steps;
            if (steps > limits::kMaxDelaySteps)
                ctx.Error(block.dead_time_pos,
                          RangeMessage("'dead_time' of block " + block.name, block.dead_time, 0.0,
                                       limits::kMaxDelaySteps * step, "s",
                                       "(a million steps of " + NumberText(step) + " s)"));
        }
        if (total > limits::kMaxDelayTotal)
            ctx.Error(SourcePos{}, "the dead times of all blocks together take " +
                                       NumberText(total) + " steps of " + NumberText(step) +
                                       " s; they may take at most " +
                                       NumberText(limits::kMaxDelayTotal));
        for (const SysPid& pid : out.pids) {
            double lo = step / limits::kMaxScansPerStep;
            if (pid.scan < lo)
                ctx.Error(pid.scan_pos,
                          RangeMessage("'scan' of PID " + pid.name, pid.scan, lo, limits::kMaxStep,
                                       "s", "(at most 1000 scans per step)"));
        }
    }

    void CheckReferences()
    {
        std::map<std::string, TagType> tags;
        std::map<std::string, const SysArray*> arrays;
        for (const SysTag& tag : out.tags) {
            if (!tags.emplace(tag.name, tag.type).second)
                ctx.Error(tag.pos, "tag '" + tag.name + "' is defined twice");
        }
        for (const SysArray& array : out.arrays) {
            if (tags.count(array.name) || !arrays.emplace(array.name, &array).second)
                ctx.Error(array.pos, "tag '" + array.name + "' is defined twice");
            if (array.lower > array.upper)
                ctx.Error(array.pos, "array '" + array.name + "': 'lower' lies above 'upper'");
        }
        CheckUnique(out.pids, "PID");
        CheckUnique(out.controllers, "controller");
        CheckUnique(out.pvs, "PV row");
        CheckUnique(out.imports, "import row");
        CheckUnique(out.plant, "plant block");

        auto has = [](const auto& items, const std::string& name) {
            for (const auto& item : items)
                if (item.name == name) return true;
            return false;
        };
        for (const Reference& ref : refs) {
            std::string missing;
            auto tag = tags.find(ref.name);
            switch (ref.kind) {
            case RefKind::FloatTag:
                if (tag == tags.end())
                    missing = "missing tag '" + ref.name + "'";
                else if (tag->second != TagType::Float)
                    missing = "tag '" + ref.name + "' is not a float tag";
                break;
            case RefKind::IntTag:
                if (tag == tags.end())
                    missing = "missing tag '" + ref.name + "'";
                else if (tag->second != TagType::Int)
                    missing = "tag '" + ref.name + "' is not an int tag";
                break;
            case RefKind::AnyTag:
                if (tag == tags.end()) missing = "missing tag '" + ref.name + "'";
                break;
            case RefKind::FaultTag:
                if (tag == tags.end() && !arrays.count(ref.name))
                    missing = "missing tag '" + ref.name + "'";
                break;
            case RefKind::ModeTag:
                if ((tag != tags.end() && tag->second != TagType::Int) || arrays.count(ref.name))
                    missing = "tag '" + ref.name +
                              "' is not an int tag of the control system; a mode tag must be";
                break;
            case RefKind::ArrayElement: {
                auto array = arrays.find(ref.name);
                if (array == arrays.end())
                    missing = "missing array tag '" + ref.name + "'";
                else if (ref.index < array->second->lower || ref.index > array->second->upper)
                    missing = "pv_index " + std::to_string(ref.index) + " lies outside array '" +
                              ref.name + "'";
                break;
            }
            case RefKind::PVRow:
                if (!has(out.pvs, ref.name)) missing = "no PV row named '" + ref.name + "'";
                break;
            case RefKind::PlantSource: {
                size_t colon = ref.name.find(':');
                std::string prefix = ref.name.substr(0, colon == std::string::npos ? 0 : colon);
                std::string name = colon == std::string::npos ? "" : ref.name.substr(colon + 1);
                bool found = (prefix == "op" && has(out.controllers, name)) ||
                             (prefix == "import" && has(out.imports, name)) ||
                             (prefix == "plant" && has(out.plant, name));
                if (prefix != "op" && prefix != "import" && prefix != "plant")
                    missing = "'" + ref.name + "' must be op:LOOP, import:ROW or plant:BLOCK";
                else if (!found)
                    missing = "nothing named '" + name + "' for '" + ref.name + "'";
                break;
            }
            }
            if (!missing.empty()) ctx.Error(ref.pos, ref.what + ": " + missing);
        }
        for (RunFault& fault : out.run.faults) {
            if (!InRange(fault.at, 0.0, out.run.duration))
                ctx.Error(fault.pos, RangeMessage("'at' of [[run.fault]]", fault.at, 0.0,
                                                  out.run.duration, "s"));
            else if (!fault.open_ended && !InRange(fault.until, fault.at, out.run.duration))
                ctx.Error(fault.pos, RangeMessage("'until' of [[run.fault]]", fault.until, fault.at,
                                                  out.run.duration, "s"));
            if (fault.kind == FaultKind::ArrayStatus && fault.tag.empty()) {
                fault.tag = out.pv_array_tag;
                if (!arrays.count(fault.tag))
                    ctx.Error(fault.pos,
                              "an array_status fault needs [host] pv_array_tag to name "
                              "an array of the control system");
            }
        }
        for (const RunEvent& event : out.run.events) {
            if (event.at < 0.0 || event.at > out.run.duration)
                ctx.Error(event.pos, "'at' of [[run.event]] lies outside the run");
            auto tag = tags.find(event.tag);
            bool is_int = tag != tags.end() && tag->second == TagType::Int;
            double bound = is_int ? 2147483647.0 : limits::kMaxFloat;
            if (tag != tags.end() && !InRange(event.value, is_int ? -bound - 1 : -bound, bound))
                ctx.Error(event.pos,
                          RangeMessage("'value' of [[run.event]] for tag '" + event.tag + "'",
                                       event.value, is_int ? -bound - 1 : -bound, bound));
        }
        CheckAgainstStep();
        CheckRowCount(out.controllers, "[[host.controller]]");
        CheckRowCount(out.pvs, "[[host.pv]]");
        CheckRowCount(out.imports, "[[host.import]]");
    }
};

}  // namespace

std::string FormatScenarioError(const ScenarioError& error)
{
    std::ostringstream text;
    text << error.file;
    if (error.pos.line > 0) text << ':' << error.pos.line;
    if (error.pos.column > 0) text << ':' << error.pos.column;
    text << ": error: " << error.message;
    return text.str();
}

const std::string* FindCell(const std::vector<CellText>& cells, const std::string& caption)
{
    for (const CellText& cell : cells)
        if (cell.caption == caption) return &cell.text;
    return nullptr;
}

bool ParseScenario(const std::string& text, const std::string& file, Scenario& out,
                   std::vector<ScenarioError>& errors)
{
    size_t before = errors.size();
    Context ctx{file, errors};
    toml::parse_result parsed = toml::parse(std::string_view(text), file);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        ctx.Error(PosOf(error.source()), std::string(error.description()));
        return false;
    }
    const toml::table& root = parsed.table();
    out = Scenario{};
    out.file = file;
    Reader reader{ctx, out, {}};
    Fields top(root, "the scenario", ctx);
    top.Text("title", out.title, false);
    if (const toml::table* t = top.Table("run")) reader.ReadRun(*t);
    if (const toml::table* t = top.Table("system")) reader.ReadSystem(*t);
    if (const toml::table* t = top.Table("host")) reader.ReadHost(*t);
    if (const toml::table* t = top.Table("plant")) reader.ReadPlant(*t);
    top.Done();
    reader.CheckReferences();
    if (errors.size() == before) return true;
    // Keep the report in file order.
    std::stable_sort(errors.begin() + static_cast<std::ptrdiff_t>(before), errors.end(),
                     [](const ScenarioError& a, const ScenarioError& b) {
                         return a.pos.line != b.pos.line ? a.pos.line < b.pos.line
                                                         : a.pos.column < b.pos.column;
                     });
    return false;
}

bool LoadScenario(const std::string& path_or_name, Scenario& out,
                  std::vector<ScenarioError>& errors)
{
    if (path_or_name == "default")
        return ParseScenario(DefaultScenarioText(), "default.toml (built in)", out, errors);
    auto refuse = [&](const std::string& why) {
        errors.push_back(ScenarioError{path_or_name, {}, why});
        return false;
    };
    // A directory or a device would read as an empty scenario.
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(path_or_name, ec);
    if (std::filesystem::is_directory(status)) return refuse("is a directory, not a scenario file");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return refuse("is not a regular file");
    std::ifstream in(path_or_name, std::ios::binary);
    if (!in) return refuse("cannot open the scenario file");
    uintmax_t size = std::filesystem::file_size(path_or_name, ec);
    if (!ec && size > kMaxScenarioBytes)
        return refuse("is " + std::to_string(size) + " bytes; a scenario file may have at most " +
                      std::to_string(kMaxScenarioBytes));
    if (!ec && size == 0) return refuse("is empty");
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseScenario(text.str(), path_or_name, out, errors)) return false;
    if (out.controllers.empty())
        return refuse("the scenario has no [[host.controller]]: nothing to run");
    return true;
}
