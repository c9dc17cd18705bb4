// Caption copiers and default-text setters: each puts a copy of the text in a
// fresh 64-byte host buffer. A buffer the slot held before is not released.
// A text longer than 63 characters is cut to fit; a null text is stored as an
// empty one, so readers never meet a null caption they did not ask for.
#include "dcs/data/dcs_data.h"
#include "dcs/host/iface.h"

namespace {

const size_t kTextSize = 64;

// Null when the host heap has no block; nothing is shown.
char* NewText(const char* text)
{
    char* buf = static_cast<char*>(IFace_malloc(kTextSize));
    if (!buf) return nullptr;
    size_t n = 0;
    if (text) {
        for (; n < kTextSize - 1 && text[n] != '\0'; ++n) buf[n] = text[n];
    }
    for (size_t i = n; i < kTextSize; ++i) buf[i] = '\0';
    return buf;
}

// The slot sits in an array the block may not have; without it nothing is
// allocated and the copy counts as failed.
int32_t CopyLabel(DCSDataDef* defs, int32_t col, const char* text)
{
    if (!defs) return 1;
    defs[col].Label = NewText(text);
    return defs[col].Label ? 0 : 1;
}

int32_t CopyCellText(DCSCell* cells, int32_t col, const char* text)
{
    if (!cells) return 1;
    cells[col].Text = NewText(text);
    return cells[col].Text ? 0 : 1;
}

}  // namespace

int32_t SetGenDefLabel(DCSData* d, int32_t col, const char* text)
{
    return CopyLabel(d->GenDefs, col, text);
}
int32_t SetCtrlDefLabel(DCSData* d, int32_t col, const char* text)
{
    return CopyLabel(d->CtrlDefs, col, text);
}
int32_t SetPVDefLabel(DCSData* d, int32_t col, const char* text)
{
    return CopyLabel(d->PVDefs, col, text);
}
int32_t SetPVImportDefLabel(DCSData* d, int32_t col, const char* text)
{
    return CopyLabel(d->PVImportDefs, col, text);
}

int32_t SetGenDataText(DCSData* d, int32_t col, const char* text)
{
    return CopyCellText(d->GenData, col, text);
}
int32_t SetCtrlDefaultText(DCSData* d, int32_t col, const char* text)
{
    return CopyCellText(d->CtrlDataDefault.Cells, col, text);
}
int32_t SetPVDefaultText(DCSData* d, int32_t col, const char* text)
{
    return CopyCellText(d->PVDataDefault.Cells, col, text);
}
int32_t SetPVImportDefaultText(DCSData* d, int32_t col, const char* text)
{
    return CopyCellText(d->PVImportDataDefault.Cells, col, text);
}
