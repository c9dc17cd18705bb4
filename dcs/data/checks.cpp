// Checks that the text cells of a tag column are filled. Only the first
// character is looked at, so a text of blanks passes.
#include "dcs/data/dcs_data.h"

namespace {

bool IsFilled(const DCSCell* cells, int32_t col)
{
    return cells && cells[col].Text && cells[col].Text[0] != '\0';
}

}  // namespace

// A column the block has no definition for cannot be vouched for: 0.
int32_t CheckCtrlTagColumn(DCSData* d, int32_t col)
{
    if (d->CtrlCount <= 0) return 1;
    if (!d->CtrlDefs || col < 0 || col >= d->CtrlDefCnt) return 0;
    if (d->CtrlDefs[col].Type != DCS_TYPE_TEXT) return 1;
    if (!d->CtrlRows) return 0;
    for (int32_t row = 0; row < d->CtrlCount; ++row) {
        if (!IsFilled(d->CtrlRows[row].Cells, col)) return 0;
    }
    return 1;
}

// Missing definitions or missing general cells count as unfilled fields.
int32_t CheckGenTagFields(DCSData* d)
{
    if (d->GenDefCnt <= 0) return 1;
    if (!d->GenDefs) return 0;
    for (int32_t j = 0; j < d->GenDefCnt; ++j) {
        if (d->GenDefs[j].Type == DCS_TYPE_TEXT && !IsFilled(d->GenData, j)) return 0;
    }
    return 1;
}
