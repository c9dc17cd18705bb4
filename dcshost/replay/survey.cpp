#include "dcshost/replay/survey.h"

#include <algorithm>

#include "dcshost/replay/block_apply.h"
#include "dcshost/replay/entry_group.h"
#include "recording/format/block_mirror.h"

namespace {

bool TakeBlock(BlockMirror& mirror, const EntryGroup& group, std::string& error)
{
    std::string what;
    for (size_t k = 0; k < group.in.size(); ++k)
        if (!mirror.Apply(group.in[k], what) || !Layable(group.in[k], what)) {
            error = LinePlace(group.in_lines[k], what);
            return false;
        }
    for (size_t k = 0; k < group.out_block.size(); ++k)
        if (!mirror.Apply(group.out_block[k], what)) {
            error = LinePlace(group.out_lines[k], what);
            return false;
        }
    return true;
}

bool Read(RecordingReader& reader, Survey& survey, std::string& error, const StepWatch& watch)
{
    survey.header = reader.Header();
    GroupReader groups(reader);
    EntryGroup group;
    BlockMirror mirror;
    int64_t count[REC_ENTRY_COUNT] = {};
    double first_time = 0.0;
    for (;;) {
        GroupRead read = groups.Next(group, error);
        if (read == GroupRead::Cut) {
            survey.cut = true;
            survey.cut_line = groups.CutLine();
            return true;
        }
        if (read != GroupRead::Group) return read == GroupRead::End;
        if (!TakeBlock(mirror, group, error)) return false;
        ++count[group.entry];
        survey.cut_after =
            std::string(RecordEntryNames[group.entry]) + " #" + std::to_string(count[group.entry]);
        if (group.entry != REC_SIMULATE) continue;
        ++survey.steps;
        if (survey.steps == 1) first_time = group.time;
        if (survey.steps == 2 && group.timed && group.time > first_time)
            survey.step = group.time - first_time;
        survey.loops = std::max(survey.loops, mirror.row_count[ROW_CTRL]);
        survey.imports = std::max(survey.imports, mirror.row_count[ROW_IMPORT]);
        if (watch) watch(group, mirror);
    }
}

}  // namespace

bool SurveyRecording(RecordingReader& reader, Survey& survey, std::string& error,
                     const StepWatch& watch)
{
    if (Read(reader, survey, error, watch)) return true;
    // A damaged stream can read as lines of the wrong text before zlib notices.
    std::string damage = reader.Failed() ? "" : reader.DamageAfter();
    if (!damage.empty()) error += " (" + damage + ")";
    return false;
}
