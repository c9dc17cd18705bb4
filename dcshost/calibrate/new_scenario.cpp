// Without a base: a whole scenario made from the recording. The control
// system defines every tag the host's tables name, with the value the first
// step handed over; each fitted loop gets its [[system.pid]], and with
// --plant its PV comes from a plant block of the fitted kind; the
// operator's SP moves come back as events.
#include <cmath>
#include <set>
#include <sstream>

#include "dcshost/calibrate/fitted_values.h"
#include "dcshost/calibrate/scenario_out.h"
#include "dcshost/scenario/ctrl_columns.h"
#include "dcshost/scenario/limits.h"

namespace {

// SP moves of one loop written as events; more are left out and said.
constexpr size_t kMaxEventsPerLoop = 1000;

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string ValueText(double value) { return NumberText(std::isfinite(value) ? value : 0.0); }

struct Writer {
    const Recorded& rec;
    const Calibration& c;
    std::vector<std::string>& unwritten;
    std::ostringstream out;
    std::vector<std::string> ctrl_names, pv_names;

    void Names()
    {
        std::set<std::string> used;
        auto unique = [&used](std::string name, const std::string& fallback) {
            if (name.empty() || !used.insert(name).second) name = fallback;
            used.insert(name);
            return name;
        };
        ctrl_names.assign(rec.tables.controllers.size(), "");
        for (const CalibratedLoop& loop : c.loops)
            ctrl_names[loop.ref.ctrl] =
                unique(loop.ref.name, "controller" + std::to_string(loop.ref.ctrl));
        for (size_t r = 0; r < ctrl_names.size(); ++r)
            if (ctrl_names[r].empty()) ctrl_names[r] = unique("", "controller" + std::to_string(r));
        for (size_t r = 0; r < rec.tables.pvs.size(); ++r)
            pv_names.push_back(
                unique(rec.tables.pvs[r].tag.substr(0, rec.tables.pvs[r].tag.find('.')),
                       "pv" + std::to_string(r)));
    }

    void Tags()
    {
        std::set<std::string> defined;
        auto tag = [&](const std::string& name, double value, bool integer) {
            if (name.empty() || !defined.insert(name).second) return;
            out << "  { name = " << Quoted(name) << (integer ? ", type = \"int\"" : "")
                << ", value = " << ValueText(integer ? std::round(value) : value) << " },\n";
        };
        if (!rec.tables.array_tag.empty() && !rec.tables.pvs.empty())
            out << "array = [\n  { name = " << Quoted(rec.tables.array_tag)
                << ", lower = 0, upper = " << rec.tables.pvs.size() - 1 << ", value = 0.0 },\n]\n";
        defined.insert(rec.tables.array_tag);
        out << "tag = [\n";
        for (const RecordedCtrl& row : rec.tables.controllers)
            for (int col = 0; col < CTRL_COLUMNS; ++col)
                tag(row.tags[col],
                    col == CTRL_COL_SP   ? row.sp
                    : col == CTRL_COL_OP ? row.op * 100
                                         : 0,
                    CtrlTagColumns[col].integer);
        for (const RecordedRow& row : rec.tables.pvs) tag(row.tag, row.value, false);
        for (const RecordedRow& row : rec.tables.imports)
            tag(row.tag, row.value - (row.mapping == MAPPING_CONTROLLER_MODE), row.mapping != 0);
        out << "]\n";
    }

    void Value(const FittedValue& v, const std::string& who)
    {
        const std::string why = Unwritable(v);
        if (why.empty())
            out << v.key << " = " << NumberText(v.value) << " # " << Confidence(v) << "\n";
        else
            unwritten.push_back(who + ": " + why + "; not written");
    }

    void Pid(const CalibratedLoop& loop)
    {
        const RecordedCtrl& row = rec.tables.controllers[loop.ref.ctrl];
        const std::string who = "PID " + loop.ref.name;
        if (loop.pid.not_identifiable) {
            out << "\n# " << who << ": not identifiable: " << loop.pid.not_identifiable << "\n";
            return;
        }
        if (!Unwritable(PidValues(loop.pid)[0]).empty()) {
            unwritten.push_back(who + ": " + Unwritable(PidValues(loop.pid)[0]) + "; not written");
            return;
        }
        out << "\n[[system.pid]]\nname = " << Quoted(ctrl_names[loop.ref.ctrl]) << "\n";
        for (int col = 0; col < CTRL_COLUMNS; ++col)
            out << kCtrlTagKeys[col] << " = " << Quoted(row.tags[col]) << "\n";
        if (!rec.tables.array_tag.empty())
            out << "pv_tag = " << Quoted(rec.tables.array_tag) << "\npv_index = " << loop.ref.pv
                << "\n";
        else
            out << "pv_tag = " << Quoted(rec.tables.pvs[loop.ref.pv].tag) << "\n";
        for (const FittedValue& v : PidValues(loop.pid)) Value(v, who);
        if (loop.pid.scan_below_step)
            out << "scan = " << ValueText(c.step) << " # at most the step: not fitted\n";
    }

    void Host()
    {
        out << "\n[host]\n";
        if (!rec.tables.array_tag.empty())
            out << "pv_array_tag = " << Quoted(rec.tables.array_tag) << "\n";
        std::vector<int> pv_of(rec.tables.controllers.size(), -1);
        for (const CalibratedLoop& loop : c.loops) pv_of[loop.ref.ctrl] = loop.ref.pv;
        for (size_t r = 0; r < rec.tables.controllers.size(); ++r) {
            const RecordedCtrl& row = rec.tables.controllers[r];
            out << "\n[[host.controller]]\nname = " << Quoted(ctrl_names[r]) << "\n";
            for (int col = 0; col < CTRL_COLUMNS; ++col)
                out << kCtrlTagKeys[col] << " = " << Quoted(row.tags[col]) << "\n";
            if (!row.active) out << "active = false\n";
            out << "sp = " << ValueText(row.sp)
                << "\nop = " << ValueText(std::fmin(std::fmax(row.op, 0), 1)) << "\n";
            if (pv_of[r] >= 0) out << "pv = " << Quoted(pv_names[pv_of[r]]) << "\n";
        }
        for (size_t r = 0; r < rec.tables.pvs.size(); ++r) {
            const RecordedRow& row = rec.tables.pvs[r];
            out << "\n[[host.pv]]\nname = " << Quoted(pv_names[r]) << "\ntag = " << Quoted(row.tag)
                << "\n"
                << (row.active ? "" : "active = false\n");
            const CalibratedLoop* loop = PlantOf(static_cast<int>(r));
            if (loop)
                out << "from = " << Quoted("plant:" + pv_names[r]) << "\n";
            else
                out << "value = " << ValueText(row.value) << "\n";
        }
        for (size_t r = 0; r < rec.tables.imports.size(); ++r) {
            const RecordedRow& row = rec.tables.imports[r];
            out << "\n[[host.import]]\nname = " << Quoted("import" + std::to_string(r))
                << "\ntag = " << Quoted(row.tag) << "\nmapping = "
                << (row.mapping == MAPPING_CONTROLLER_MODE ? "\"Controller Mode\"" : "\"1:1\"")
                << "\n"
                << (row.active ? "" : "active = false\n") << "value = " << ValueText(row.value)
                << "\n";
        }
    }

    // The loop whose fitted plant gives PV row `pv`, when every value of it
    // can be written.
    const CalibratedLoop* PlantOf(int pv) const
    {
        for (const CalibratedLoop& loop : c.loops) {
            if (loop.ref.pv != pv || !loop.plant_fitted || loop.plant.not_identifiable) continue;
            for (const FittedValue& v : PlantValues(loop.plant, c.step))
                if (!Unwritable(v).empty()) return nullptr;
            return &loop;
        }
        return nullptr;
    }

    void Plant()
    {
        for (const CalibratedLoop& loop : c.loops) {
            if (!loop.plant_fitted || loop.plant.not_identifiable) continue;
            const std::string who = "plant of loop " + loop.ref.name;
            if (PlantOf(loop.ref.pv) != &loop) {
                for (const FittedValue& v : PlantValues(loop.plant, c.step))
                    if (!Unwritable(v).empty())
                        unwritten.push_back(who + ": " + Unwritable(v) + "; not written");
                continue;
            }
            const bool first = loop.plant.kind == PlantKind::FirstOrder;
            const std::vector<FittedValue> values = PlantValues(loop.plant, c.step);
            out << "\n[[plant.block]]\nname = " << Quoted(pv_names[loop.ref.pv])
                << "\nkind = " << (first ? "\"first_order\"" : "\"integrating\"")
                << "\ninitial = " << ValueText(rec.tables.pvs[loop.ref.pv].value)
                << "\ninputs = [{ from = " << Quoted("op:" + ctrl_names[loop.ref.ctrl])
                << ", gain = " << NumberText(values[0].value) << " }] # gain "
                << Confidence(values[0]) << "\n";
            for (size_t i = 1; i < values.size(); ++i) Value(values[i], who);
            if (!first && loop.plant.bias.value != 0.0)
                unwritten.push_back(who + ": its drift at 0 % OP (" +
                                    NumberText(loop.plant.bias.value) +
                                    " per s) has no key in an integrating block; not written");
        }
    }

    // Each SP move, as the operator's write of the SP tag.
    void Events()
    {
        for (const CalibratedLoop& loop : c.loops) {
            const std::vector<double>& sp = rec.sp[loop.ref.ctrl];
            std::ostringstream moves;
            size_t count = 0;
            for (size_t k = 1; k < sp.size(); ++k) {
                if (!std::isfinite(sp[k]) || !std::isfinite(sp[k - 1]) || sp[k] == sp[k - 1])
                    continue;
                if (++count > kMaxEventsPerLoop) break;
                moves << "\n[[run.event]]\nat = " << ValueText(rec.time[k])
                      << "\ntag = " << Quoted(loop.sp_tag) << "\nvalue = " << ValueText(sp[k])
                      << "\n";
            }
            if (count > kMaxEventsPerLoop)
                unwritten.push_back("loop " + loop.ref.name + ": more than " +
                                    std::to_string(kMaxEventsPerLoop) +
                                    " SP moves; none written as events");
            else
                out << moves.str();
        }
        ImportEvents();
    }

    // The imports no PID block writes, as the operator's writes: the first
    // value at 0 s (so that the run sees who writes them), then each change.
    void ImportEvents()
    {
        std::set<std::string> pid_tags;
        for (const RecordedCtrl& row : rec.tables.controllers)
            pid_tags.insert({row.tags[CTRL_COL_SP], row.tags[CTRL_COL_OP]});
        std::vector<size_t> count(rec.tables.imports.size(), 0);
        auto write = [&](int r, double at, double value) {
            const RecordedRow& row = rec.tables.imports[r];
            if (row.tag.empty() || pid_tags.count(row.tag) || ++count[r] > kMaxEventsPerLoop)
                return;
            if (row.mapping == MAPPING_CONTROLLER_MODE) value = std::round(value - 1);
            out << "\n[[run.event]]\nat = " << ValueText(at) << "\ntag = " << Quoted(row.tag)
                << "\nvalue = " << ValueText(value) << "\n";
        };
        for (size_t r = 0; r < rec.tables.imports.size(); ++r)
            write(static_cast<int>(r), 0.0, rec.tables.imports[r].value);
        for (const Recorded::ImportChange& change : rec.import_changes)
            write(change.row, rec.time[change.step], change.value);
        for (size_t r = 0; r < count.size(); ++r)
            if (count[r] > kMaxEventsPerLoop)
                unwritten.push_back("import " + rec.tables.imports[r].tag + ": more than " +
                                    std::to_string(kMaxEventsPerLoop) +
                                    " changes; the rest not written as events");
    }
};

}  // namespace

std::string NewScenario(const Recorded& recorded, const Calibration& c,
                        std::vector<std::string>& unwritten)
{
    Writer w{recorded, c, unwritten, {}, {}, {}};
    w.Names();
    w.out << "# Made by dcshost calibrate from " << c.recording << ": " << c.steps << " steps of "
          << ValueText(c.step) << " s.\ntitle = " << Quoted("calibrated from " + c.recording)
          << "\n\n[run]\nstep = " << ValueText(c.step)
          << "\nduration = " << ValueText(c.step * static_cast<double>(c.steps)) << "\n";
    w.Events();
    w.out << "\n[system]\n";
    w.Tags();
    for (const CalibratedLoop& loop : c.loops) w.Pid(loop);
    w.Host();
    w.Plant();
    return w.out.str();
}
