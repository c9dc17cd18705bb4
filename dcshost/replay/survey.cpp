#include "dcshost/replay/survey.h"

#include <algorithm>

#include "dcshost/replay/block_apply.h"
#include "dcshost/replay/entry_group.h"
#include "recording/format/block_mirror.h"

bool SurveyRecording(RecordingReader& reader, Survey& survey, std::string& error)
{
    survey.header = reader.Header();
    EntryGroup group;
    BlockMirror mirror;
    for (;;) {
        GroupRead read = ReadGroup(reader, group, error);
        if (read != GroupRead::Group) return read == GroupRead::End;
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
        if (group.entry != REC_SIMULATE) continue;
        ++survey.steps;
        survey.loops = std::max(survey.loops, mirror.row_count[ROW_CTRL]);
        survey.imports = std::max(survey.imports, mirror.row_count[ROW_IMPORT]);
    }
}
