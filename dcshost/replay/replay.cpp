// A replay in three steps: survey (the whole recording read and checked
// before anything is loaded, so a damaged one is refused with its place and
// never met halfway), drive (each recorded entry point called on the block
// as the host handed it over, every call and what it wrote back checked),
// and report (identical, or the first difference; the summary and files).
#include "dcshost/replay/replay.h"

#include <algorithm>
#include <cstdio>

#include "dcshost/exit_codes.h"
#include "dcshost/host/driver_loader.h"
#include "dcshost/host/host_block.h"
#include "dcshost/host/messages.h"
#include "dcshost/host/session.h"
#include "dcshost/outputs/files.h"
#include "dcshost/replay/answerers.h"
#include "dcshost/replay/block_apply.h"
#include "dcshost/replay/call_check.h"
#include "dcshost/replay/entry_group.h"
#include "dcshost/replay/replay_outputs.h"
#include "dcshost/replay/survey.h"
#include "dcshost/scenario/limits.h"
#include "recording/format/value_text.h"

namespace {

// By RecordEntryId.
DCSEntryPoint DriverEntryPoints::*const kEntries[REC_ENTRY_COUNT] = {
    &DriverEntryPoints::Load,     &DriverEntryPoints::Configure, &DriverEntryPoints::Initialize,
    &DriverEntryPoints::Start,    &DriverEntryPoints::Stop,      &DriverEntryPoints::Simulate,
    &DriverEntryPoints::TimeZero, &DriverEntryPoints::Reset,     &DriverEntryPoints::Destroy,
};

struct Replay {
    const ReplayOptions& options;
    DriverModule driver;
    MessageLog log;
    HostBlock block;
    BlockApplier applier{block};
    BlockMirror mirror;  // the block as the recording last gave it
    CallCheck check;
    ReplayOutputs outputs;
    int count[REC_ENTRY_COUNT] = {};
    HostHeapSnapshot baseline;

    explicit Replay(const ReplayOptions& o) : options(o) {}
};

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
    for (size_t k = 0; k < group.in.size(); ++k) {
        if (!r.mirror.Apply(group.in[k], what) || !r.applier.Apply(group.in[k], what)) {
            error = LinePlace(group.in_lines[k], what);
            return false;
        }
    }
    std::string unlike;
    r.mirror.Diff(*r.block.Data(), "i", unlike);
    if (unlike.empty()) return true;
    error = LinePlace(group.line, "the block cannot be laid as recorded: " + Lines(unlike).front());
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

// What the call wrote back, then its result, against the recording.
void CheckReturn(Replay& r, const EntryGroup& group, int32_t result)
{
    std::string written;
    r.mirror.Diff(*r.block.Data(), "o", written);
    std::vector<std::string> now = Lines(written);
    std::string recorded, made;
    size_t at = 0, other_at = 0;
    if (now != group.out) {
        if (FirstUnlike(now, group.out, made, recorded, at, other_at))
            r.check.Differ(
                other_at < group.out.size() ? group.out_lines[other_at] : group.result_line,
                recorded, made);
        else if (FirstUnlike(group.out, now, recorded, made, at, other_at))
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
        d.call > 0 ? "call " + std::to_string(d.call) + " of " + std::to_string(group.calls.size())
        : d.recorded.rfind("< ", 0) == 0 ? std::string("its result")
                                         : std::string("the block written back");
    std::printf("replay: first difference at %s, %s (recording line %lld)\n",
                StepText(r, group).c_str(), what.c_str(), static_cast<long long>(d.line));
    std::printf("  recorded: %s\n  now:      %s\n", d.recorded.c_str(), d.now.c_str());
    if (!d.before.empty()) std::printf("  before it, alike in both:\n");
    for (const std::string& line : d.before) std::printf("    %s\n", line.c_str());
}

// Every recorded entry point in turn. kExitClean when all were identical.
int Drive(Replay& r, const Survey& survey)
{
    RecordingReader reader;
    std::string error;
    EntryGroup group;
    // Read once already; a file changed since is refused as any other.
    bool opened = reader.OpenFile(r.options.recording, error);
    for (;;) {
        GroupRead read = opened ? ReadGroup(reader, group, error) : GroupRead::Failed;
        if (read == GroupRead::End) break;
        if (read == GroupRead::Failed || !HandOver(r, group, error)) {
            std::fprintf(stderr, "dcshost: replay: %s: %s\n", r.options.recording.c_str(),
                         error.c_str());
            return kExitBadScenario;
        }
        ++r.count[group.entry];
        r.log.SetTime(group.time);
        r.check.Begin(group.calls, group.result_line);
        const bool step = group.entry == REC_SIMULATE;
        if (step) r.outputs.BeginStep(r.block);
        int32_t result = (r.driver.Api().*kEntries[group.entry])(r.block.Data());
        r.check.End();
        if (!r.check.Differs()) CheckReturn(r, group, result);
        if (r.check.Differs()) {
            PrintDifference(r, group);
            return kExitReplayDiffers;
        }
        if (step)
            r.outputs.EndStep(group.timed ? group.time : static_cast<double>(r.count[REC_SIMULATE]),
                              r.block);
    }
    std::printf("replay: identical (%lld steps, %lld calls)\n",
                static_cast<long long>(survey.steps), static_cast<long long>(r.check.Matched()));
    return kExitClean;
}

// Before anything is loaded: the outputs writable and none an input, the
// recording read whole and the trends within their memory.
bool Prepare(const ReplayOptions& options, Survey& survey)
{
    std::string error;
    if (!PlanReplayFiles(options).Check(false, error)) {
        std::fprintf(stderr, "dcshost: %s\n", error.c_str());
        return false;
    }
    RecordingReader reader;
    if (!reader.OpenFile(options.recording, error) || !SurveyRecording(reader, survey, error)) {
        std::fprintf(stderr, "dcshost: replay: %s: %s\n", options.recording.c_str(), error.c_str());
        return false;
    }
    double bytes = TrendBytes(survey.steps + 1.0, static_cast<size_t>(survey.loops),
                              static_cast<size_t>(survey.imports));
    if (options.trends && bytes > limits::kMaxTrendBytes) {
        std::fprintf(stderr,
                     "dcshost: replay: the trends of %lld steps for %d loops and %d imports would "
                     "take %.0f MB, more than %.0f MB; use --no-trends\n",
                     static_cast<long long>(survey.steps), survey.loops, survey.imports,
                     bytes / 1048576.0, limits::kMaxTrendBytes / 1048576.0);
        return false;
    }
    return true;
}

// The summary, the heap after FreeDCSData, the trends and the result.
int Report(Replay& r, int code)
{
    r.block.Release();
    HostHeapSnapshot now = HostHeapSnapshot::Now();
    Leftovers left;
    left.handles_known = false;  // the handles were the replay's own
    left.heap_blocks = now.blocks - r.baseline.blocks;
    left.heap_bytes = now.bytes - r.baseline.bytes;
    left.bad_releases = now.bad_releases - r.baseline.bad_releases;
    std::printf("\nsummary of the replay:\n%s",
                r.outputs.Summary(r.log.Groups(), r.log.Total()).c_str());
    const std::vector<std::string>& boxes = AnsweredBoxes();
    for (const std::string& box : boxes)
        std::printf("message box (answered as recorded, not shown): %s\n", box.c_str());
    // Its handles were the replay's own: only the heap's line says something.
    std::string leftovers = DescribeLeftovers(left);
    std::printf("%s\n", leftovers.substr(leftovers.find('\n') + 1).c_str());
    return r.outputs.WriteFiles(r.options, code, r.log.Groups(), r.log.Total(), left);
}

}  // namespace

int ReplayRecording(const ReplayOptions& options)
{
    Survey survey;
    if (!Prepare(options, survey)) return kExitBadScenario;
    const RecordingHeader& h = survey.header;
    std::printf("recording: %s (format %d, %s, recorded by %s at %s; driver %s)\n",
                options.recording.c_str(), h.version, h.platform.c_str(), h.by.c_str(),
                h.start.c_str(), h.driver.c_str());
    std::printf("driver: %s\n", options.driver_path.c_str());
    std::fflush(stdout);

    Replay r(options);
    std::string error;
    if (!r.driver.Open(options.driver_path, error) ||
        !StartAnswering(r.driver.Handle(), r.check, error)) {
        std::fprintf(stderr, "dcshost: %s\n", error.c_str());
        return kExitNoDriver;
    }
    r.log.Attach();
    r.log.SetWatch([&r](const ReceivedMessage& message) { r.outputs.Note(message); });
    r.baseline = HostHeapSnapshot::Now();
    int code = Drive(r, survey);
    StopAnswering();
    code = Report(r, code);
    r.log.SetWatch(nullptr);
    r.log.Detach();
    return code;
}
