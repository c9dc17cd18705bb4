// A replay in three steps: survey (the whole recording read and checked
// before anything is loaded, so a damaged one is refused with its place and
// never met halfway), drive (each recorded entry point called on the block
// as the host handed it over, every call and what it wrote back checked),
// and report (identical, or the first difference; the summary and files).
#include "dcshost/replay/replay.h"

#include <algorithm>
#include <cstdio>

#include "dcshost/exit_codes.h"
#include "dcshost/host/session.h"
#include "dcshost/outputs/files.h"
#include "dcshost/outputs/output_plan.h"
#include "dcshost/replay/answerers.h"
#include "dcshost/replay/drive.h"
#include "dcshost/scenario/limits.h"

namespace {

// Before anything is loaded: the outputs writable and none an input, the
// recording read whole and the trends within their memory.
bool Prepare(const ReplayOptions& options, Survey& survey)
{
    if (!CheckFiles(PlanReplayFiles(options), false)) return false;
    std::string error;
    RecordingReader reader;
    if (!reader.OpenFile(options.recording, error) || !SurveyRecording(reader, survey, error)) {
        std::fprintf(stderr, "dcshost: replay: %s: %s\n", options.recording.c_str(), error.c_str());
        return false;
    }
    error =
        CheckTrendMemory(static_cast<long long>(survey.steps), static_cast<size_t>(survey.loops),
                         static_cast<size_t>(survey.imports));
    if (options.trends && !error.empty()) {
        std::fprintf(stderr, "dcshost: replay: %s; use --no-trends\n", error.c_str());
        return false;
    }
    return true;
}

// What only a replay's result has: whether the recording was cut, and after
// which line and entry point.
std::string CutMember(const Survey& survey)
{
    std::string cut = "\"recording\": {\"cut\": ";
    if (survey.cut)
        cut += "true, \"cut_at_line\": " + std::to_string(survey.cut_line) + ", \"cut_after\": " +
               (survey.cut_after.empty() ? "null" : "\"" + survey.cut_after + "\"") + "}";
    else
        cut += "false, \"cut_at_line\": null, \"cut_after\": null}";
    return cut;
}

// The summary, the heap after FreeDCSData, the trends and the result.
int Report(Replay& r, const Survey& survey, Findings found)
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
    r.outputs.WriteFiles(r.options, found, r.log.Groups(), r.log.Total(), left, CutMember(survey));
    return Judge(found).code;
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
    r.outputs.KeepTrend(options.trends);
    r.log.Attach();
    r.log.SetWatch([&r](const ReceivedMessage& message) { r.outputs.Note(message); });
    r.baseline = HostHeapSnapshot::Now();
    Findings found = Drive(r, survey);
    StopAnswering();
    int code = Report(r, survey, found);
    r.log.SetWatch(nullptr);
    r.log.Detach();
    return code;
}
