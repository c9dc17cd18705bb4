#include "dcshost/outputs/json_result.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "dcshost/control/faults.h"
#include "dcshost/control/modes.h"
#include "dcshost/scenario/limits.h"
#include "standins/vnxsim/utf8.h"

namespace {

// JSON's string: quotes, backslashes and C0 controls escaped, every other
// character as it is. JSON is UTF-8: a byte that is not (a driver's message
// in another code page, a file name) becomes U+FFFD.
std::string Quote(const std::string& text)
{
    std::string out = "\"";
    char32_t cp = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8::Decode(text, at, cp);
        if (length == 0) {
            out += utf8::kReplacement;
            ++at;
            continue;
        }
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(cp));
            out += escaped;
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out + "\"";
}

// JSON has no NaN or infinity: null.
std::string Number(double value) { return std::isfinite(value) ? NumberText(value) : "null"; }

std::string Flag(bool value) { return value ? "true" : "false"; }

// Members joined as an object or array on one line.
std::string Join(const std::vector<std::string>& items, char open, char close)
{
    std::string out(1, open);
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + close;
}

std::string Member(const char* name, const std::string& value)
{
    return Quote(name) + ": " + value;
}

// The lag figures are null in a run that did not wait on the clock.
std::string Pacing(const PaceFigures& f)
{
    auto lag = [&f](double value) { return f.Paced() ? Number(value) : std::string("null"); };
    return Join(
        {Member("speed", f.Paced() ? Number(f.speed) : Quote("max")), Member("slot_s", lag(f.slot)),
         Member("steps", std::to_string(f.steps)), Member("wall_s", Number(f.wall)),
         Member("overruns", f.Paced() ? std::to_string(f.overruns) : "null"),
         Member("worst_percent", lag(f.worst)), Member("p99_percent", lag(f.p99)),
         Member("last_step_late_s", lag(f.drift)),
         Member("resyncs", f.Paced() ? std::to_string(f.resyncs) : "null"),
         Member("resync_stall_s", lag(f.stalled))},
        '{', '}');
}

std::string Loop(const LoopResult& loop, const LoopFigures& f)
{
    bool judged = loop.has_pv;
    return Join({Member("name", Quote(loop.name)), Member("active", Flag(loop.active)),
                 Member("mode", std::to_string(loop.mode)),
                 Member("mode_name", Quote(ModeName(loop.mode))), Member("stale", Flag(loop.stale)),
                 Member("sp", Number(loop.sp)), Member("pv", judged ? Number(loop.pv) : "null"),
                 Member("op_percent", Number(loop.op_percent)),
                 Member("error_percent", judged ? Number(loop.error_percent) : "null"),
                 Member("iae", judged ? Number(f.iae) : "null"),
                 Member("overshoot_percent", judged ? Number(f.overshoot_percent) : "null"),
                 Member("settling_time_s", judged ? Number(f.settling_time) : "null")},
                '{', '}');
}

std::string Fault(const RunFault& fault, const FaultOutcome* outcome)
{
    bool instant = fault.kind == FaultKind::Restart;
    bool counted = outcome && outcome->opened && outcome->acted >= 0;
    bool cut = outcome && outcome->cut_at >= 0;
    return Join({Member("kind", Quote(fault.kind_name)),
                 Member("tag", fault.tag.empty() ? "null" : Quote(fault.tag)),
                 Member("value", instant ? "null" : std::to_string(fault.value)),
                 Member("at_s", Number(fault.at)),
                 Member("until_s", instant            ? Number(fault.at)
                                   : fault.open_ended ? "null"
                                                      : Number(fault.until)),
                 Member("opened", Flag(outcome && outcome->opened)),
                 Member("acted_calls", counted ? std::to_string(outcome->acted) : "null"),
                 Member("cut_at_s", cut ? Number(outcome->cut_at) : "null")},
                '{', '}');
}

std::string Loss(const CouplingLoss& loss)
{
    return Join({Member("lost_at", Number(loss.lost_at)),
                 Member("restored_at", loss.to_end ? "null" : Number(loss.restored_at)),
                 Member("steps_lost", std::to_string(loss.steps))},
                '{', '}');
}

// How many steps an upset acted on (null: the run did not start), and where
// the run cut its window.
std::vector<std::string> UpsetOutcomeMembers(const UpsetOutcome* outcome)
{
    bool cut = outcome && outcome->cut_at >= 0;
    return {Member("acted_steps", outcome ? std::to_string(outcome->steps) : "null"),
            Member("cut_at_s", cut ? Number(outcome->cut_at) : "null")};
}

std::string Malfunction(const RunMalfunction& m, const UpsetOutcome* outcome)
{
    const bool value = m.kind != MalfunctionKind::Freeze && m.kind != MalfunctionKind::Drift;
    std::vector<std::string> members = {
        Member("kind", Quote(m.kind_name)),
        Member("pv", Quote(m.pv)),
        Member("value", value ? Number(m.value) : "null"),
        Member("rate", m.kind == MalfunctionKind::Drift ? Number(m.rate) : "null"),
        Member("at_s", Number(m.at)),
        Member("until_s", Number(m.until))};
    for (std::string& member : UpsetOutcomeMembers(outcome)) members.push_back(member);
    return Join(members, '{', '}');
}

std::string Disturbance(const RunDisturbance& d, const UpsetOutcome* outcome)
{
    std::vector<std::string> members = {
        Member("block", Quote(d.block)), Member("value", Number(d.value)),
        Member("ramp_s", d.ramp > 0 ? Number(d.ramp) : "null"), Member("at_s", Number(d.at)),
        Member("until_s", d.open_ended ? "null" : Number(d.until))};
    for (std::string& member : UpsetOutcomeMembers(outcome)) members.push_back(member);
    return Join(members, '{', '}');
}

std::string Reconfigure(const ReconfigureTry& tried)
{
    return Join({Member("at", Number(tried.at)),
                 Member("configure_result", std::to_string(tried.configured)),
                 Member("bound", Flag(tried.configured == 1))},
                '{', '}');
}

// The first loss, when the last one ended (null: still lost at the end, or
// never lost), every step lost; then each span, what the host did about it
// and each try at binding again.
std::string Coupling(const std::vector<CouplingLoss>& losses, OnLoss on_loss,
                     const std::vector<ReconfigureTry>& tries)
{
    int steps = 0;
    std::vector<std::string> spans;
    for (const CouplingLoss& loss : losses) {
        steps += loss.steps;
        spans.push_back(Loss(loss));
    }
    std::vector<std::string> reconfigures;
    for (const ReconfigureTry& tried : tries) reconfigures.push_back(Reconfigure(tried));
    bool lost = !losses.empty();
    return Join(
        {Member("lost_at", lost ? Number(losses.front().lost_at) : "null"),
         Member("restored_at",
                lost && !losses.back().to_end ? Number(losses.back().restored_at) : "null"),
         Member("steps_lost", std::to_string(steps)), Member("losses", Join(spans, '[', ']')),
         Member("on_loss", Quote(OnLossName(on_loss))),
         Member("reconfigures", Join(reconfigures, '[', ']'))},
        '{', '}');
}

std::string Unsound(const UnsoundSent& sent)
{
    const SentTarget& t = sent.target;
    return Join(
        {Member("table", Quote(t.table)), Member("row", std::to_string(t.row)),
         Member("name", Quote(t.name)),
         Member("column", t.column.empty() ? "null" : Quote(t.column)),
         Member("kind", Quote(SentKindKey(sent.kind))), Member("first_s", Number(sent.first)),
         Member("count", std::to_string(sent.count))},
        '{', '}');
}

std::string Block(const std::vector<std::string>& lines, const char* indent)
{
    if (lines.empty()) return std::string("[]");
    std::string out = "[\n";
    for (size_t i = 0; i < lines.size(); ++i)
        out += lines[i] + (i + 1 < lines.size() ? ",\n" : "\n");
    return out + indent + "]";
}

// The host messages: their total, the count per key, and each wording.
std::string Messages(const RunRecord& r)
{
    std::vector<std::string> wordings, keys;
    std::map<std::string, int> by_key;
    for (const MessageGroup& g : r.messages) {
        by_key[g.key] += g.count;
        wordings.push_back(
            "      " + Join({Member("key", Quote(g.key)), Member("wording", Quote(g.wording)),
                             Member("count", std::to_string(g.count)),
                             Member("first_s", Number(g.first)), Member("last_s", Number(g.last))},
                            '{', '}'));
    }
    for (const auto& [key, count] : by_key)
        keys.push_back(Member(key.c_str(), std::to_string(count)));
    return "{\n    " + Member("total", std::to_string(r.message_total)) + ",\n    " +
           Member("by_key", Join(keys, '{', '}')) + ",\n    " +
           Member("wordings", Block(wordings, "    ")) + "\n  }";
}

std::string Compared(const RunRecord& r)
{
    if (r.compared < 0) return "null";
    return Join({Member("reference", Quote(r.compare)), Member("within", Flag(r.compared == 1)),
                 Member("deviation", r.deviation.empty() ? "null" : Quote(r.deviation))},
                '{', '}');
}

std::string HandlesOpen(const Leftovers& left)
{
    if (!left.handles_known) return "null";
    return Join(
        {Member("tags", std::to_string(left.tags)), Member("items", std::to_string(left.items)),
         Member("lists", std::to_string(left.lists))},
        '{', '}');
}

std::string Heap(const Leftovers& left)
{
    bool balanced = left.heap_blocks == 0 && left.heap_bytes == 0 && left.bad_releases == 0;
    return Join(
        {Member("balanced", Flag(balanced)), Member("blocks", std::to_string(left.heap_blocks)),
         Member("bytes", std::to_string(left.heap_bytes)),
         Member("bad_releases", std::to_string(left.bad_releases))},
        '{', '}');
}

}  // namespace

std::string JsonQuote(const std::string& text) { return Quote(text); }

std::string FormatJsonResult(const RunRecord& r)
{
    const Scenario& s = *r.scenario;
    std::vector<std::string> loops, imports, faults;
    for (size_t i = 0; i < r.loops.size(); ++i)
        loops.push_back("    " +
                        Loop(r.loops[i], i < r.figures.size() ? r.figures[i] : LoopFigures{}));
    for (size_t i = 0; i < s.imports.size() && i < r.imports.size(); ++i)
        imports.push_back("    " + Join({Member("name", Quote(s.imports[i].name)),
                                         Member("value", Number(r.imports[i]))},
                                        '{', '}'));
    for (size_t i = 0; i < s.run.faults.size(); ++i)
        faults.push_back("    " + Fault(s.run.faults[i], i < r.fault_outcomes.size()
                                                             ? &r.fault_outcomes[i]
                                                             : nullptr));
    std::vector<std::string> malfunctions, disturbances;
    const std::vector<UpsetOutcome>& upsets = r.upset_outcomes;
    for (size_t i = 0; i < s.run.malfunctions.size(); ++i)
        malfunctions.push_back(
            "    " + Malfunction(s.run.malfunctions[i], i < upsets.size() ? &upsets[i] : nullptr));
    for (size_t i = 0, at = s.run.malfunctions.size(); i < s.run.disturbances.size(); ++i)
        disturbances.push_back("    " + Disturbance(s.run.disturbances[i], at + i < upsets.size()
                                                                               ? &upsets[at + i]
                                                                               : nullptr));
    std::vector<std::string> warnings;
    for (const std::string& warning : r.warnings) warnings.push_back("    " + Quote(warning));
    std::vector<std::string> unsound;
    for (const UnsoundSent& sent : r.unsound) unsound.push_back("    " + Unsound(sent));
    std::string out = "{\n";
    out += "  " + Member("format", Quote("dcshost run result")) + ",\n";
    out += "  " + Member("version", std::to_string(kJsonResultVersion)) + ",\n";
    out += "  " + Member("live_run", Flag(r.live)) + ",\n";
    out += "  " +
           Member("scenario", Join({Member("file", Quote(s.file)), Member("title", Quote(s.title)),
                                    Member("step_s", Number(s.run.step)),
                                    Member("duration_s", Number(s.run.duration)),
                                    Member("steps", std::to_string(r.steps)),
                                    Member("steps_run", std::to_string(r.steps_run))},
                                   '{', '}')) +
           ",\n";
    out +=
        "  " +
        Member("verdict", Join({Member("exit_code", std::to_string(r.verdict.code)),
                                Member("clean", Flag(r.verdict.clean)),
                                Member("interrupted", Flag(r.interrupted)),
                                Member("settled", r.settled < 0 ? "null" : Flag(r.settled == 1))},
                               '{', '}')) +
        ",\n";
    out += "  " + Member("settle_band_percent", Number(r.settle_band)) + ",\n";
    out += "  " + Member("loops", Block(loops, "  ")) + ",\n";
    out += "  " + Member("imports", Block(imports, "  ")) + ",\n";
    out += "  " + Member("messages", Messages(r)) + ",\n";
    out += "  " + Member("faults", Block(faults, "  ")) + ",\n";
    out += "  " + Member("malfunctions", Block(malfunctions, "  ")) + ",\n";
    out += "  " + Member("disturbances", Block(disturbances, "  ")) + ",\n";
    out += "  " + Member("warnings", Block(warnings, "  ")) + ",\n";
    out += "  " + Member("coupling", Coupling(r.coupling, r.on_loss, r.reconfigures)) + ",\n";
    out += "  " + Member("unsound_values", Block(unsound, "  ")) + ",\n";
    out += "  " + Member("pacing", Pacing(r.pacing)) + ",\n";
    out += "  " + Member("compare", Compared(r)) + ",\n";
    out += "  " + Member("handles_open", HandlesOpen(r.left)) + ",\n";
    out += "  " + Member("heap", Heap(r.left)) + "\n";
    return out + "}\n";
}
