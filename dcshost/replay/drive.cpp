#include "dcshost/replay/drive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "dcshost/host/progress.h"
#include "dcshost/replay/entry_group.h"
#include "dcshost/scenario/limits.h"
#include "dcshost/verdict.h"
#include "recording/format/value_text.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The block as the recorded host handed it over; false (with the place)
// when it cannot be laid so.
bool HandOver(Replay& r, const EntryGroup& group, std::string& error)
{
    std::string what;
    bool values_only = true;
    for (size_t k = 0; k < group.in.size(); ++k) {
        if (!r.mirror.Apply(group.in[k], what) || !r.applier.Apply(group.in[k], what)) {
            error = LinePlace(group.in_lines[k], what);
            return false;
        }
        values_only = values_only && group.in[k].kind == BL_ROW_FIELD;
    }
    // A row's field is laid bit for bit as the copy takes it: only what
    // shapes the block (counts, definitions, cells) is checked whole.
    if (values_only) return true;
    r.diff.clear();
    r.mirror.Diff(*r.block.Data(), "i", r.diff);
    if (r.diff.empty()) return true;
    error = LinePlace(group.line, "the block cannot be laid as recorded: " + Lines(r.diff).front());
    return false;
}

// "o c 0 op" of "o c 0 op 0.5": the field a block line gives.
std::string FieldOf(const std::string& line)
{
    std::string_view rest = line, field;
    size_t last = 0;
    while (!rest.empty()) {
        last = line.size() - rest.size();
        if (!NextField(rest, field)) break;
    }
    return line.substr(0, last ? last - 1 : 0);
}

// The first line of `lines` that `other` lacks, set against the line of the
// same field there (`other_at`; npos: the field unchanged there). False when
// there is none.
bool FirstUnlike(const std::vector<std::string>& lines, const std::vector<std::string>& other,
                 std::string& mine, std::string& theirs, size_t& at, size_t& other_at)
{
    for (at = 0; at < lines.size(); ++at) {
        if (std::find(other.begin(), other.end(), lines[at]) != other.end()) continue;
        mine = lines[at];
        std::string field = FieldOf(mine);
        theirs = "(" + field + " unchanged)";
        other_at = std::string::npos;
        for (size_t k = 0; k < other.size(); ++k)
            if (FieldOf(other[k]) == field) {
                theirs = other[k];
                other_at = k;
            }
        return true;
    }
    return false;
}

// Block lines as `o` lines with their rows as numbers, so that a line can be
// found by its field.
std::vector<std::string> Numbered(const std::string& text)
{
    std::vector<std::string> lines;
    BlockRowRun run;
    BlockLine line;
    std::string error;
    for (const std::string& written : Lines(text))
        if (ParseBlockLine(std::string_view(written).substr(2), line, error, &run))
            lines.push_back("o " + BlockLineText(line));
    return lines;
}

// What the call wrote back (as a recorder writes it, compared whole), then
// its result, against the recording.
void CheckReturn(Replay& r, const EntryGroup& group, int32_t result)
{
    r.diff.clear();
    r.mirror.Diff(*r.block.Data(), "o", r.diff, true);
    if (r.diff != group.out) {
        std::vector<std::string> now = Numbered(r.diff), out;
        for (const BlockLine& line : group.out_block) out.push_back("o " + BlockLineText(line));
        std::string recorded, made;
        size_t at = 0, other_at = 0;
        if (FirstUnlike(now, out, made, recorded, at, other_at))
            r.check.Differ(other_at < out.size() ? group.out_lines[other_at] : group.result_line,
                           recorded, made);
        else if (FirstUnlike(out, now, recorded, made, at, other_at))
            r.check.Differ(group.out_lines[at], recorded, made);
        return;
    }
    if (result != group.result)
        r.check.Differ(group.result_line, "< " + std::to_string(group.result),
                       "< " + std::to_string(result));
}

std::string StepText(const Replay& r, const EntryGroup& group)
{
    std::string step =
        std::string(RecordEntryNames[group.entry]) + " #" + std::to_string(r.count[group.entry]);
    if (group.timed) step += " (t = " + NumberText(group.time) + " s)";
    return step;
}

void PrintDifference(const Replay& r, const EntryGroup& group)
{
    const Difference& d = r.check.First();
    std::string what =
        d.call > 0 ? "call " + std::to_string(d.call) + " of " + std::to_string(group.call_count)
        : d.recorded.rfind("< ", 0) == 0 ? std::string("its result")
                                         : std::string("the block written back");
    std::printf("replay: first difference at %s, %s (recording line %lld)\n",
                StepText(r, group).c_str(), what.c_str(), static_cast<long long>(d.line));
    std::printf("  recorded: %s\n  now:      %s\n", d.recorded.c_str(), d.now.c_str());
    if (!d.before.empty()) std::printf("  before it, alike in both:\n");
    for (const std::string& line : d.before) std::printf("    %s\n", line.c_str());
}

void PrintIdentical(const Replay& r, const Survey& survey)
{
    if (!survey.cut) {
        std::printf("replay: identical (%lld steps, %lld calls)\n",
                    static_cast<long long>(survey.steps),
                    static_cast<long long>(r.check.Matched()));
        return;
    }
    std::string after =
        survey.cut_after.empty() ? "before any entry point" : "after " + survey.cut_after;
    std::printf(
        "replay: identical up to the cut at line %lld (%s): the session ended without "
        "DCSDestroy\n",
        static_cast<long long>(survey.cut_line), after.c_str());
}

// One recorded entry point called and checked. False at a difference.
bool Call(Replay& r, const EntryGroup& group)
{
    ++r.count[group.entry];
    r.log.SetTime(group.time);
    r.check.Begin(group.calls, group.result_line);
    const bool step = group.entry == REC_SIMULATE;
    if (step) r.outputs.BeginStep(r.block);
    int32_t result = r.driver.Entry(group.entry)(r.block.Data());
    r.check.End();
    if (!r.check.Differs()) CheckReturn(r, group, result);
    if (r.check.Differs()) return false;
    if (step)
        r.outputs.EndStep(group.timed ? group.time : static_cast<double>(r.count[REC_SIMULATE]),
                          r.block);
    return true;
}

}  // namespace

Findings Drive(Replay& r, const Survey& survey)
{
    Findings found;
    RecordingReader reader;
    std::string error;
    EntryGroup group;
    // Read once already; a file changed since is refused as any other, and a
    // cut one is read no further than the survey found it.
    bool opened = reader.OpenFile(r.options.recording, error);
    GroupReader groups(reader);
    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginRun(static_cast<int>(std::min<int64_t>(survey.steps, INT32_MAX)), survey.step, 0,
                      "replay");
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        GroupRead read = opened ? groups.Next(group, error) : GroupRead::Failed;
        if (read == GroupRead::End || (read == GroupRead::Cut && survey.cut)) break;
        if (read != GroupRead::Group || !HandOver(r, group, error)) {
            progress.EndRun();
            std::fprintf(stderr, "dcshost: replay: %s: %s\n", r.options.recording.c_str(),
                         error.c_str());
            found.unreadable = true;
            return found;
        }
        if (!Call(r, group)) {
            progress.EndRun();
            PrintDifference(r, group);
            found.replay_differs = true;
            return found;
        }
        if (group.entry == REC_SIMULATE)
            progress.RunStep(
                r.count[REC_SIMULATE],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (survey.cut && group.result_line >= survey.cut_line) break;
    }
    progress.EndRun();
    PrintIdentical(r, survey);
    return found;
}
