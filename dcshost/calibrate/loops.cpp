#include "dcshost/calibrate/loops.h"

#include <algorithm>
#include <map>

namespace {

std::string Row(const char* table, size_t row)
{
    return std::string(table) + " row " + std::to_string(row);
}

std::string Text(const std::string* text) { return text ? *text : ""; }

// "CAPTION 'A' in BASE, 'B' in the recording" when they differ.
std::string Differs(const std::string& where, const char* caption, const std::string& base,
                    const std::string& recorded)
{
    if (base == recorded) return "";
    return where + ": " + caption + " is '" + base + "' in the base, '" + recorded +
           "' in the recording";
}

std::string Count(const char* what, size_t base, size_t recorded)
{
    if (base == recorded) return "";
    return std::string("the base has ") + std::to_string(base) + " " + what + ", the recording " +
           std::to_string(recorded);
}

std::string Controllers(const Scenario& base, const RecordedTables& tables)
{
    std::string d = Count("controller rows", base.controllers.size(), tables.controllers.size());
    for (size_t r = 0; d.empty() && r < base.controllers.size(); ++r)
        for (int c = 0; d.empty() && c < CTRL_COLUMNS; ++c)
            d = Differs(Row("controller", r) + " (" + base.controllers[r].name + ")",
                        CtrlTagColumns[c].caption,
                        Text(FindCell(base.controllers[r].cells, CtrlTagColumns[c].caption)),
                        tables.controllers[r].tags[c]);
    return d;
}

template <typename Def>
std::string Rows(const std::vector<Def>& base, const std::vector<RecordedRow>& recorded,
                 const char* table)
{
    std::string d = Count((std::string(table) + " rows").c_str(), base.size(), recorded.size());
    for (size_t r = 0; d.empty() && r < base.size(); ++r)
        d = Differs(Row(table, r) + " (" + base[r].name + ")", "TAG",
                    Text(FindCell(base[r].cells, "TAG")), recorded[r].tag);
    return d;
}

// The PV row a PID's pv_tag names, or -1; `twice`: a second row it names.
int PvRowOf(const SysPid& pid, const RecordedTables& tables, int& twice)
{
    twice = -1;
    if (pid.pv_index >= 0)
        return pid.pv_tag == tables.array_tag && pid.pv_index < static_cast<int>(tables.pvs.size())
                   ? pid.pv_index
                   : -1;
    int found = -1;
    for (size_t r = 0; r < tables.pvs.size(); ++r)
        if (tables.pvs[r].tag == pid.pv_tag) (found < 0 ? found : twice) = static_cast<int>(r);
    return found;
}

// The base's own `pv` link of the controller row, when it has one, names
// the PV row the PID's pv_tag gives.
bool LinkAgrees(const Scenario& base, int ctrl, int pv, const std::string& pid, std::string& error)
{
    if (static_cast<size_t>(ctrl) >= base.controllers.size() ||
        static_cast<size_t>(pv) >= base.pvs.size())
        return true;  // not the base's tables: BaseMismatch says so
    const std::string& link = base.controllers[ctrl].pv;
    if (link.empty() || base.pvs[pv].name == link) return true;
    error = "PID " + pid + ": its pv_tag is PV row " + std::to_string(pv) + " (" +
            base.pvs[pv].name + "), but controller " + base.controllers[ctrl].name +
            " names PV row " + link + " as its pv";
    return false;
}

bool MatchBase(const RecordedTables& tables, const Scenario& base, std::vector<LoopRef>& loops,
               std::vector<std::string>& notes, std::string& error)
{
    for (size_t p = 0; p < base.pids.size(); ++p) {
        const SysPid& pid = base.pids[p];
        std::vector<int> rows;
        for (size_t r = 0; r < tables.controllers.size(); ++r)
            if (tables.controllers[r].tags[CTRL_COL_SP] == pid.sp_tag &&
                tables.controllers[r].tags[CTRL_COL_OP] == pid.op_tag)
                rows.push_back(static_cast<int>(r));
        if (rows.size() > 1) {
            error = "PID " + pid.name + ": controller rows " + std::to_string(rows[0]) + " and " +
                    std::to_string(rows[1]) + " both read its SP and OP tags";
            return false;
        }
        if (rows.empty()) {
            notes.push_back("PID " + pid.name + ": no controller row reads " + pid.sp_tag +
                            " and " + pid.op_tag + "; not fitted");
            continue;
        }
        int twice = -1, pv = PvRowOf(pid, tables, twice);
        if (twice >= 0) {
            error = "PID " + pid.name + ": PV rows " + std::to_string(pv) + " and " +
                    std::to_string(twice) + " both carry its pv_tag " + pid.pv_tag;
            return false;
        }
        if (pv < 0) {
            notes.push_back("PID " + pid.name + ": no PV row carries its PV (" + pid.pv_tag +
                            (pid.pv_index >= 0 ? "[" + std::to_string(pid.pv_index) + "]" : "") +
                            "); not fitted");
            continue;
        }
        if (!LinkAgrees(base, rows[0], pv, pid.name, error)) return false;
        // One row's SP and OP are one block's: two would be fitted to the
        // same reads and written back as the same block twice.
        for (const LoopRef& other : loops)
            if (other.ctrl == rows[0]) {
                error = "PIDs " + other.name + " and " + pid.name + " both act on controller row " +
                        std::to_string(rows[0]) + " (" + pid.sp_tag + ", " + pid.op_tag + ")";
                return false;
            }
        loops.push_back(LoopRef{pid.name, rows[0], pv, static_cast<int>(p)});
    }
    std::sort(loops.begin(), loops.end(),
              [](const LoopRef& a, const LoopRef& b) { return a.ctrl < b.ctrl; });
    return true;
}

std::string Stem(const std::string& tag) { return tag.substr(0, tag.find('.')); }

bool MatchNumbers(const RecordedTables& tables, std::vector<LoopRef>& loops,
                  std::vector<std::string>& notes, std::string& error)
{
    std::multimap<std::string, int> pv_rows;
    for (size_t r = 0; r < tables.pvs.size(); ++r)
        if (!LoopNumber(tables.pvs[r].tag).empty())
            pv_rows.emplace(LoopNumber(tables.pvs[r].tag), static_cast<int>(r));
    std::map<int, int> claimed;  // PV row -> controller row
    for (size_t c = 0; c < tables.controllers.size(); ++c) {
        const std::string& sp = tables.controllers[c].tags[CTRL_COL_SP];
        const std::string number = LoopNumber(sp);
        const std::string here = "controller row " + std::to_string(c) + " (SP tag " + sp + ")";
        auto [first, last] = pv_rows.equal_range(number);
        if (number.empty() || first == last) {
            notes.push_back(here + ": no PV row's tag carries " +
                            (number.empty() ? "a loop number" : "loop number " + number) +
                            "; not fitted");
            continue;
        }
        if (std::next(first) != last) {
            error = here + ": PV rows " + std::to_string(first->second) + " (" +
                    tables.pvs[first->second].tag + ") and " +
                    std::to_string(std::next(first)->second) + " (" +
                    tables.pvs[std::next(first)->second].tag + ") both carry loop number " +
                    number + "; give the loops with --scenario";
            return false;
        }
        auto [at, fresh] = claimed.emplace(first->second, static_cast<int>(c));
        if (!fresh) {
            error = "controller rows " + std::to_string(at->second) + " and " + std::to_string(c) +
                    " both carry loop number " + number + " of PV row " +
                    std::to_string(first->second) + " (" + tables.pvs[first->second].tag +
                    "); give the loops with --scenario";
            return false;
        }
        loops.push_back(LoopRef{Stem(sp), static_cast<int>(c), first->second, -1});
    }
    return true;
}

}  // namespace

std::string LoopNumber(const std::string& tag)
{
    const std::string stem = Stem(tag);
    const size_t digit = stem.find_first_of("0123456789");
    return digit == std::string::npos ? "" : stem.substr(digit);
}

std::string BaseMismatch(const Scenario& base, const RecordedTables& tables)
{
    std::string d =
        Differs("the general fields", "PV Array Tag", base.pv_array_tag, tables.array_tag);
    if (d.empty()) d = Controllers(base, tables);
    if (d.empty()) d = Rows(base.pvs, tables.pvs, "PV");
    if (d.empty()) d = Rows(base.imports, tables.imports, "import");
    return d;
}

bool FindLoops(const RecordedTables& tables, const Scenario* base, std::vector<LoopRef>& loops,
               std::vector<std::string>& notes, std::string& error)
{
    loops.clear();
    return base ? MatchBase(tables, *base, loops, notes, error)
                : MatchNumbers(tables, loops, notes, error);
}
