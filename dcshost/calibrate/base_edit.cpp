// The base's text with the fitted values in place: line by line, so that
// every other line and comment of the user's stays as written. A key on a
// line of its own takes its confidence after it; keys of an inline table
// ({ kp = 5, ti = 60 }) are replaced where they stand, their confidence on
// a comment line above.
#include <map>
#include <regex>

#include <toml++/toml.h>

#include "dcshost/calibrate/fitted_values.h"
#include "dcshost/calibrate/scenario_out.h"
#include "dcshost/scenario/limits.h"

namespace {

struct Lines {
    std::vector<std::string> text;  // without their line ends
    std::string eol = "\n";
    std::map<size_t, std::vector<std::string>> after;  // lines added after a line
    std::map<size_t, std::string> above;               // a comment line before a line

    explicit Lines(const std::string& whole)
    {
        if (whole.find("\r\n") != std::string::npos) eol = "\r\n";
        size_t at = 0;
        while (at <= whole.size()) {
            size_t end = whole.find('\n', at);
            if (end == std::string::npos) end = whole.size();
            std::string line = whole.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            text.push_back(line);
            at = end + 1;
        }
    }

    std::string Joined() const
    {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            auto note = above.find(i);
            if (note != above.end())
                out += text[i].substr(0, text[i].find_first_not_of(" \t")) +
                       "# fitted: " + note->second + eol;
            out += text[i];
            auto added = after.find(i);
            if (added != after.end())
                for (const std::string& line : added->second) out += eol + line;
            if (i + 1 < text.size()) out += eol;
        }
        return out;
    }
};

// "KEY = VALUE # comment" on its own line: VALUE replaced, the old value and
// the user's comment kept after the confidence.
bool SetOnLine(std::string& line, const FittedValue& v)
{
    const std::regex form("^(\\s*\"?" + std::string(v.key) +
                          "\"?\\s*=\\s*)([^\\s#,}\\]]+)\\s*(#.*)?$");
    std::smatch m;
    if (!std::regex_match(line, m, form)) return false;
    line = m[1].str() + NumberText(v.value) + " # " + Confidence(v) + "; was " + m[2].str() +
           (m[3].matched ? " " + m[3].str() : "");
    return true;
}

// "KEY = VALUE" once among others on the line; `was` the value replaced.
bool SetInLine(std::string& line, const FittedValue& v, std::string& was)
{
    const std::regex key("(\\b" + std::string(v.key) + "\\s*=\\s*)([^\\s#,}\\]]+)");
    if (std::distance(std::sregex_iterator(line.begin(), line.end(), key),
                      std::sregex_iterator()) != 1)
        return false;
    std::smatch m;
    std::regex_search(line, m, key);
    was = m[2].str();
    line = m.prefix().str() + m[1].str() + NumberText(v.value) + m.suffix().str();
    return true;
}

// The last line of a table's keys (0-based).
size_t LastLine(const toml::table& t)
{
    size_t last = t.source().begin.line;
    for (auto&& [key, node] : t) last = std::max<size_t>(last, node.source().end.line);
    return last - 1;
}

// Keys the scenario reader takes as 0 when they are left out.
bool ZeroByDefault(const char* key)
{
    for (const char* zero : {"ti", "td", "bias", "dead_time"})
        if (std::string(key) == zero) return true;
    return false;
}

// One fitted value into a table: its line edited, or for a standard table a
// line of its own after the table's last when the base leaves the key out.
// Empty when written; else why not.
std::string Written(Lines& lines, const toml::table& t, const FittedValue& v)
{
    const std::string why = Unwritable(v), key = v.key;
    if (!why.empty()) return why;
    const toml::node* node = t.get(key);
    if (!node && !t.is_inline()) {
        lines.after[LastLine(t)].push_back(key + " = " + NumberText(v.value) + " # " +
                                           Confidence(v));
        return "";
    }
    if (!node && v.value == 0.0 && ZeroByDefault(v.key)) return "";  // what leaving it out says
    if (!node) return key + " is not in the base's inline table";
    const size_t line = node->source().begin.line - 1;
    std::string was;
    if (line < lines.text.size() && !t.is_inline() && SetOnLine(lines.text[line], v)) return "";
    if (line < lines.text.size() && SetInLine(lines.text[line], v, was)) {
        std::string& note = lines.above[line];
        note += (note.empty() ? "" : ", ") + key + " " +
                Confidence(v).substr(std::string("fitted, ").size()) + " (was " + was + ")";
        return "";
    }
    return key + " on line " + std::to_string(line + 1) +
           " is not written as KEY = NUMBER, once on its line";
}

void Put(Lines& lines, const toml::table& t, const FittedValue& v, const std::string& who,
         std::vector<std::string>& unwritten)
{
    const std::string why = Written(lines, t, v);
    if (!why.empty()) unwritten.push_back(who + ": " + why + "; not written");
}

const toml::table* TableAt(const toml::table& root, const char* section, const char* array,
                           size_t index)
{
    const toml::array* items = root[section][array].as_array();
    return items && index < items->size() ? (*items)[index].as_table() : nullptr;
}

// The plant block of a loop, when its fit can go there; else why not.
const toml::table* PlantBlock(const toml::table& root, const Scenario& base,
                              const CalibratedLoop& loop, std::string& why)
{
    const std::string& from = base.pvs[loop.ref.pv].from;
    if (from.rfind("plant:", 0) != 0) {
        why = "PV row " + base.pvs[loop.ref.pv].name + " is not from a plant block";
        return nullptr;
    }
    for (size_t b = 0; b < base.plant.size(); ++b) {
        const PlantBlockDef& block = base.plant[b];
        if (block.name != from.substr(6)) continue;
        const bool first = block.kind == BlockKind::FirstOrder;
        if (first != (loop.plant.kind == PlantKind::FirstOrder))
            why = "block " + block.name + " is of the other kind than the one fitted";
        else if (block.inputs.size() != 1 ||
                 block.inputs[0].from != "op:" + base.controllers[loop.ref.ctrl].name)
            why = "block " + block.name + " has other inputs than the loop's OP alone";
        const toml::table* t = TableAt(root, "plant", "block", b);
        return why.empty() ? t : nullptr;
    }
    why = "no plant block " + from.substr(6);
    return nullptr;
}

void PutPlant(Lines& lines, const toml::table& root, const Scenario& base,
              const CalibratedLoop& loop, double step, std::vector<std::string>& unwritten)
{
    const std::string who = "plant of loop " + loop.ref.name;
    if (loop.plant.not_identifiable) return;
    std::string why;
    const toml::table* block = PlantBlock(root, base, loop, why);
    const toml::array* inputs = block ? (*block)["inputs"].as_array() : nullptr;
    const toml::table* input = inputs && inputs->size() == 1 ? (*inputs)[0].as_table() : nullptr;
    if (!input) {
        unwritten.push_back(who + ": " + (why.empty() ? "no input table" : why) + "; not written");
        return;
    }
    for (const FittedValue& v : PlantValues(loop.plant, step))
        Put(lines, std::string(v.key) == "gain" ? *input : *block, v, who, unwritten);
}

}  // namespace

std::string EditedBase(const std::string& text, const Scenario& base, const Calibration& c,
                       bool plant, std::vector<std::string>& unwritten)
{
    const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    toml::parse_result parsed = toml::parse(std::string_view(text).substr(bom ? 3 : 0));
    Lines lines(text);
    if (!parsed) return text;  // read as a scenario already: not reached
    const toml::table& root = parsed.table();
    for (const CalibratedLoop& loop : c.loops) {
        if (loop.pid.not_identifiable || loop.ref.pid < 0) continue;
        const std::string who = "PID " + loop.ref.name;
        const toml::table* t = TableAt(root, "system", "pid", static_cast<size_t>(loop.ref.pid));
        if (!t) continue;  // read as a scenario already: not reached
        for (const FittedValue& v : PidValues(loop.pid)) Put(lines, *t, v, who, unwritten);
        if (plant && loop.plant_fitted) PutPlant(lines, root, base, loop, c.step, unwritten);
    }
    return lines.Joined();
}
