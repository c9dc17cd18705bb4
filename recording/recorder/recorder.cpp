#include "recording/recorder/recorder.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "module/import_seams.h"
#include "recording/format/recording_reader.h"  // kRecordingVersion
#include "recording/format/value_text.h"
#include "recording/recorder/recorder_calls.h"
#include "recording/recorder/recorder_state.h"

namespace {

// The words of a stop, in one place.
const char kStopCaption[] = "Recording";
const char kStopText[] = "Recording stopped: ";

#if defined(_WIN32)
const char kPlatform[] = "win32";
#else
const char kPlatform[] = "linux-i686";
#endif

// What of the block the recorder reads at each entry point, as it is handed
// over (`i`) and as the call leaves it (`o`): never more than the driver may
// read there. DCSLoad's block may be a fresh allocation's leftovers (counts,
// wild pointers) until DCSLoad has declared its columns; DCSTimeZero and
// DCSDestroy read nothing, and the host may have taken its rows by then.
struct EntryScope {
    BlockScope in, out;
};
const EntryScope kEntryScopes[REC_ENTRY_COUNT] = {
    {SCOPE_NOTHING, SCOPE_DEFINITIONS},  // DCSLoad
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSConfigure
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSInitialize
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSStart
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSStop
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSSimulate
    {SCOPE_NOTHING, SCOPE_NOTHING},      // DCSTimeZero
    {SCOPE_WHOLE, SCOPE_WHOLE},          // DCSReset
    {SCOPE_NOTHING, SCOPE_NOTHING},      // DCSDestroy
};

std::string g_path;

int64_t SteadyMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
RecordClock g_clock = &SteadyMicroseconds;

// "W US" before a DCSSimulate: when the host called it, counted from the
// first, so a site recording keeps the real spacing of its steps.
void AppendWall(RecorderState& r)
{
    const int64_t now = g_clock();
    if (!r.wall_known) {
        r.wall_known = true;
        r.wall_start = r.wall_last = now;
    }
    // A reader refuses a W below the one before: a clock that steps back is held.
    if (now > r.wall_last) r.wall_last = now;
    r.out += "W ";
    AppendInt(r.out, r.wall_last - r.wall_start);
    r.out += '\n';
}
// The module and its seams as patched, the originals filled in.
void* g_module = nullptr;
std::vector<ImportSeam> g_seams;

// Every slot back to what it held: a module no longer recorded calls as it
// did before.
void RestoreSeams()
{
    std::vector<ImportSeam> restore;
    for (const ImportSeam& seam : g_seams) {
        if (seam.original && seam.original != seam.replacement)
            restore.push_back({seam.library, seam.name, seam.ordinal, seam.original, nullptr});
    }
    std::string ignored;
    if (!restore.empty())
        PatchImports(g_module, restore.data(), static_cast<int>(restore.size()), ignored);
    g_seams.clear();
    g_module = nullptr;
}

// A header value on one line of printable ASCII.
std::string HeaderValue(const char* text, const char* none)
{
    std::string value = text && *text ? text : none;
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = '?';
    }
    return value;
}

std::string StartTime()
{
    std::time_t now = std::time(nullptr);
    char text[32] = "1970-01-01T00:00:00Z";
    if (const std::tm* utc = std::gmtime(&now))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", utc);
    return text;
}

// The pending lines to the file, an entry point's last; a stop when the
// writer failed.
void Hand(RecordEntryId id)
{
    RecorderState& r = Rec();
    r.writer.Write(r.out);
    r.out.clear();
    r.writer.Sync();
    if (r.writer.Failed()) {
        StopWithFailure("writing " + g_path + ": " + r.writer.Reason());
        return;
    }
    r.last_whole = id;
    ++r.whole[id];
}

// Where a recording that stopped ends: the writer cut it back to the last
// entry point it wrote whole, and a reader reads it as far as that.
std::string CutText()
{
    const RecorderState& r = Rec();
    if (r.last_whole == REC_ENTRY_COUNT)
        return ". The recording ends before its first entry point.";
    return std::string(". The recording is cut after ") + RecordEntryNames[r.last_whole] + " #" +
           std::to_string(r.whole[r.last_whole]) + " and reads as far as that.";
}

}  // namespace

ReportBox OriginalBox = nullptr;

RecorderState g_recorder;

void StopWithFailure(const std::string& reason)
{
    RecorderState& r = Rec();
    if (!r.active) return;
    r.active = false;
    r.failure = reason;
    r.out.clear();
    std::string ignored;
    r.writer.Close(ignored);
    RestoreSeams();
    if (!r.reported && OriginalBox) {
        r.reported = true;
        OriginalBox((kStopText + reason + CutText()).c_str(), kStopCaption);
    }
}

bool StartRecording(void* module, const char* path, const char* by, const char* driver,
                    std::string& error, const NeighbourCalls* through)
{
    RecorderState& r = Rec();
    if (r.active) {
        error = "a recording runs already";
        return false;
    }
    if (!r.writer.Open(path ? path : "", error)) return false;
    std::vector<ImportSeam> seams;
    AddClientSeams(seams);
    AddHostSeams(seams);
    // A patch that fails has pointed every slot back: the driver calls as before.
    int found = PatchImports(module, seams.data(), static_cast<int>(seams.size()), error);
    if (found < 0) {
        std::string ignored;
        r.writer.Close(ignored);
        std::remove(path);
        error = "cannot record the driver's calls: " + error;
        return false;
    }
    TakeClientOriginals(seams, through);
    TakeHostOriginals(seams, through);
    g_module = module;
    g_seams = seams;

    g_path = path;
    r.mirror.Clear();
    r.encoder = PassEncoder();
    r.handles.clear();
    r.next_handle = 1;
    for (size_t& count : r.key_count) count = 0;
    r.time_known = false;
    r.wall_known = false;
    r.in_entry = false;
    r.last_whole = REC_ENTRY_COUNT;
    for (uint32_t& n : r.whole) n = 0;
    r.reported = false;
    r.failure.clear();
    r.out = "# vornak recording " + std::to_string(kRecordingVersion) + "\n@platform ";
    r.out += kPlatform;
    r.out += "\n@driver " + HeaderValue(driver, "none");
    r.out += "\n@start " + StartTime();
    r.out += "\n@by " + HeaderValue(by, "unknown") + "\n";
    // A header that cannot be written is the start's failure, not a stop.
    r.writer.Write(r.out);
    r.out.clear();
    r.writer.Sync();
    if (r.writer.Failed()) {
        error = "cannot write " + g_path + ": " + r.writer.Reason();
        std::string ignored;
        r.writer.Close(ignored);
        RestoreSeams();
        return false;
    }
    r.active = true;
    return true;
}

int32_t RecordEntry(RecordEntryId id, RecordedEntry entry, DCSData* block)
{
    RecorderState& r = Rec();
    if (!r.active || r.in_entry) return entry(block);
    r.in_entry = true;
    r.entry = id;
    if (id == REC_SIMULATE) AppendWall(r);
    r.out += "> ";
    r.out += RecordEntryNames[id];
    r.out += '\n';
    if (block) r.mirror.Diff(*block, "i", r.out, true, kEntryScopes[id].in);
    r.encoder.Begin(id);
    r.previous_calls = r.key_count[id];
    int32_t result = entry(block);
    r.in_entry = false;
    if (!r.active) return result;
    r.key_count[id] = r.encoder.Position();
    r.encoder.End(r.out);
    if (block) r.mirror.Diff(*block, "o", r.out, true, kEntryScopes[id].out);
    r.out += "< ";
    AppendInt(r.out, result);
    r.out += '\n';
    Hand(id);
    return result;
}

void RecordTime(double seconds)
{
    RecorderState& r = Rec();
    if (!r.active || r.in_entry) return;
    if (r.time_known && std::memcmp(&r.time, &seconds, sizeof seconds) == 0) return;
    r.time_known = true;
    r.time = seconds;
    r.out += "T ";
    AppendDouble(r.out, seconds);
    r.out += '\n';
}

void SetRecordClock(RecordClock clock) { g_clock = clock ? clock : &SteadyMicroseconds; }

bool StopRecording(std::string& error)
{
    RecorderState& r = Rec();
    if (r.active) {
        r.out += "end\n";
        r.writer.Write(r.out);
        r.out.clear();
        if (!r.writer.Close(error)) {
            StopWithFailure("writing " + g_path + ": " + error);
        } else {
            r.active = false;
            RestoreSeams();
        }
    }
    error = r.failure;
    return r.failure.empty();
}

bool Recording() { return Rec().active; }
