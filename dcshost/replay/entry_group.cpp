#include "dcshost/replay/entry_group.h"

#include "recording/format/value_text.h"

std::string LinePlace(int64_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

GroupReader::GroupReader(RecordingReader& reader) : reader_(reader) { reader_.KeepRuns(); }

// The call kept at a position; a list that grows moves, and the group's
// calls with it.
RecordedCall& GroupReader::Known(EntryGroup& group, RecordEntryId entry, size_t position)
{
    std::vector<RecordedCall>& known = known_[entry];
    if (position < known.size()) return known[position];
    const RecordedCall* old = known.data();
    const size_t old_size = known.size();
    known.resize(position + 1);
    if (known.data() == old) return known[position];
    for (RecordedAt& at : group.calls)
        if (at.call >= old && at.call < old + old_size) at.call = &known[at.call - old];
    return known[position];
}

GroupRead GroupReader::Next(EntryGroup& group, std::string& error)
{
    RecordingEvent event;
    group.in.clear();
    group.in_lines.clear();
    group.calls.clear();
    group.call_count = 0;
    group.out.clear();
    group.out_block.clear();
    group.out_lines.clear();
    group.wall_us = -1;
    hosts_.clear();
    bool inside = false;
    while (reader_.Next(event)) {
        switch (event.kind) {
        case EV_TIME:
            group.time = event.time;
            group.timed = true;
            break;
        case EV_WALL:  // the recorded run's wall clock: nothing a replay repeats, calibrate's step
            group.wall_us = event.wall_us;
            break;
        case EV_ENTER:
            group.entry = event.entry;
            group.line = event.line;
            inside = true;
            break;
        case EV_BLOCK_IN:
            group.in.push_back(event.block);
            group.in_lines.push_back(event.line);
            break;
        case EV_SAME: {
            // The reader checked that the previous call had them.
            group.calls.push_back(
                {known_[event.entry].data() + event.position, event.count, event.line});
            group.call_count += event.count;
            break;
        }
        case EV_CALL:
        case EV_MESSAGE:
        case EV_BOX:
        case EV_SLEEP: {
            RecordedCall& call = event.kind != EV_CALL ? hosts_.emplace_back()
                                                       : Known(group, event.entry, event.position);
            std::string what;
            if (!TakeRecordedLine(event, call, what)) {
                error = LinePlace(event.line, what);
                return GroupRead::Failed;
            }
            group.calls.push_back({&call, 1, event.line});
            ++group.call_count;
            break;
        }
        case EV_BLOCK_OUT:
            group.out.append(event.raw.data(), event.raw.size());
            group.out += '\n';
            group.out_block.push_back(event.block);
            group.out_lines.push_back(event.line);
            break;
        case EV_RETURN:
            group.result = event.result;
            group.result_line = event.line;
            return GroupRead::Group;
        case EV_END:
            return inside ? GroupRead::Failed : GroupRead::End;
        }
    }
    error = reader_.Error();
    return reader_.Cut() ? GroupRead::Cut : GroupRead::Failed;
}

std::string BlockLineText(const BlockLine& line)
{
    std::string out;
    auto blank = [&out] { out += ' '; };
    switch (line.kind) {
    case BL_DEF_COUNT:
        out = std::string("n ") + DefTables[line.table].count_name + " ";
        AppendInt(out, line.number);
        break;
    case BL_DEF_TYPE:
        out = std::string("d ") + DefTables[line.table].letter + " ";
        AppendInt(out, line.column);
        blank();
        AppendInt(out, line.number);
        break;
    case BL_ROW_COUNT:
        out = std::string("n ") + RowTables[line.table].letter + " ";
        AppendInt(out, line.number);
        break;
    case BL_GEN_CELL:
        out = "g ";
        AppendInt(out, line.column);
        blank();
        AppendCell(out, line.cell);
        break;
    case BL_ROW_FIELD:
    case BL_ROW_CELL: {
        const RowTableInfo& info = RowTables[line.table];
        out = std::string(1, info.letter) + " ";
        AppendInt(out, line.row);
        if (line.kind == BL_ROW_CELL) {
            out += " k";
            AppendInt(out, line.column);
            blank();
            AppendCell(out, line.cell);
            break;
        }
        const BlockField& field = info.fields[line.field];
        out += std::string(" ") + field.name + " ";
        if (field.kind == FIELD_DOUBLE)
            AppendDouble(out, line.value);
        else
            AppendInt(out, line.number);
        break;
    }
    }
    return out;
}
