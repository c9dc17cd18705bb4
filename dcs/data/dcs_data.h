// The data block shared with the host, byte for byte, and its accessors.
// The host owns the block; every record is packed with 1-byte alignment and
// holds 32-bit pointers, so this header only compiles for a 32-bit target.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(void*) == 4, "the data block holds 32-bit pointers");

#define MAXGENFIELDS 20
#define MAXCTRLFIELDS 20
#define MAXPVFIELDS 25
#define MAXPVIMPORTFIELDS 25

// Column kinds.
#define DCS_TYPE_TEXT 2    // the cells hold a tag name
#define DCS_TYPE_CHOICE 3  // the cells hold an index into Options

#pragma pack(push, 1)

struct DCSDataDef {
    int32_t Type;
    char* Label;                 // 64-byte buffer from IFace_malloc, or null
    const char* Moniker;         // into a static moniker list
    const char* const* Options;  // static null-terminated choice list, or null
    void* HostBuffer1;           // host's, IFace_new
    void* HostBuffer2;           // host's, IFace_new
};

union DCSCell {
    char* Text;
    int32_t Int;
    double Double;
};

struct DCSCtrlRow {
    uint8_t HostBytes0[4];
    int16_t Active;
    uint8_t HostBytes6[2];
    double HostValue1;
    double HostValue2;
    double SP;
    double OP;
    DCSCell* Cells;
    uint8_t SPUpdated;
    uint8_t OPUpdated;
};

struct DCSPVRow {
    uint8_t HostBytes0[2];
    int16_t HostWord;
    int16_t Active;
    uint8_t HostBytes6[2];
    double Value;
    DCSCell* Cells;
};

struct DCSPVImportRow {
    uint8_t HostBytes0[4];
    int16_t Active;
    uint8_t HostBytes6[2];
    double Value;
    DCSCell* Cells;
};

struct DCSData {
    int32_t GenDefCnt;
    DCSDataDef* GenDefs;
    int32_t CtrlDefCnt;
    DCSDataDef* CtrlDefs;
    int32_t PVDefCnt;
    DCSDataDef* PVDefs;
    int32_t PVImportDefCnt;
    DCSDataDef* PVImportDefs;
    DCSCell* GenData;
    int32_t CtrlCount;
    DCSCtrlRow* CtrlRows;
    DCSCtrlRow CtrlDataDefault;
    int32_t PVCount;
    DCSPVRow* PVRows;
    DCSPVRow PVDataDefault;
    int32_t PVImportCount;
    DCSPVImportRow* PVImportRows;
    DCSPVImportRow PVImportDataDefault;
};

#pragma pack(pop)

// The host relies on every one of these offsets.
static_assert(sizeof(DCSDataDef) == 24, "DCSDataDef size");
static_assert(offsetof(DCSDataDef, Type) == 0, "DCSDataDef.Type");
static_assert(offsetof(DCSDataDef, Label) == 4, "DCSDataDef.Label");
static_assert(offsetof(DCSDataDef, Moniker) == 8, "DCSDataDef.Moniker");
static_assert(offsetof(DCSDataDef, Options) == 12, "DCSDataDef.Options");
static_assert(offsetof(DCSDataDef, HostBuffer1) == 16, "DCSDataDef.HostBuffer1");
static_assert(offsetof(DCSDataDef, HostBuffer2) == 20, "DCSDataDef.HostBuffer2");

static_assert(sizeof(DCSCell) == 8, "DCSCell size");

static_assert(sizeof(DCSCtrlRow) == 46, "DCSCtrlRow size");
static_assert(offsetof(DCSCtrlRow, Active) == 4, "DCSCtrlRow.Active");
static_assert(offsetof(DCSCtrlRow, HostValue1) == 8, "DCSCtrlRow.HostValue1");
static_assert(offsetof(DCSCtrlRow, HostValue2) == 16, "DCSCtrlRow.HostValue2");
static_assert(offsetof(DCSCtrlRow, SP) == 24, "DCSCtrlRow.SP");
static_assert(offsetof(DCSCtrlRow, OP) == 32, "DCSCtrlRow.OP");
static_assert(offsetof(DCSCtrlRow, Cells) == 40, "DCSCtrlRow.Cells");
static_assert(offsetof(DCSCtrlRow, SPUpdated) == 44, "DCSCtrlRow.SPUpdated");
static_assert(offsetof(DCSCtrlRow, OPUpdated) == 45, "DCSCtrlRow.OPUpdated");

static_assert(sizeof(DCSPVRow) == 20, "DCSPVRow size");
static_assert(offsetof(DCSPVRow, HostWord) == 2, "DCSPVRow.HostWord");
static_assert(offsetof(DCSPVRow, Active) == 4, "DCSPVRow.Active");
static_assert(offsetof(DCSPVRow, Value) == 8, "DCSPVRow.Value");
static_assert(offsetof(DCSPVRow, Cells) == 16, "DCSPVRow.Cells");

static_assert(sizeof(DCSPVImportRow) == 20, "DCSPVImportRow size");
static_assert(offsetof(DCSPVImportRow, Active) == 4, "DCSPVImportRow.Active");
static_assert(offsetof(DCSPVImportRow, Value) == 8, "DCSPVImportRow.Value");
static_assert(offsetof(DCSPVImportRow, Cells) == 16, "DCSPVImportRow.Cells");

static_assert(sizeof(DCSData) == 146, "DCSData size");
static_assert(offsetof(DCSData, GenDefCnt) == 0, "DCSData.GenDefCnt");
static_assert(offsetof(DCSData, GenDefs) == 4, "DCSData.GenDefs");
static_assert(offsetof(DCSData, CtrlDefCnt) == 8, "DCSData.CtrlDefCnt");
static_assert(offsetof(DCSData, CtrlDefs) == 12, "DCSData.CtrlDefs");
static_assert(offsetof(DCSData, PVDefCnt) == 16, "DCSData.PVDefCnt");
static_assert(offsetof(DCSData, PVDefs) == 20, "DCSData.PVDefs");
static_assert(offsetof(DCSData, PVImportDefCnt) == 24, "DCSData.PVImportDefCnt");
static_assert(offsetof(DCSData, PVImportDefs) == 28, "DCSData.PVImportDefs");
static_assert(offsetof(DCSData, GenData) == 32, "DCSData.GenData");
static_assert(offsetof(DCSData, CtrlCount) == 36, "DCSData.CtrlCount");
static_assert(offsetof(DCSData, CtrlRows) == 40, "DCSData.CtrlRows");
static_assert(offsetof(DCSData, CtrlDataDefault) == 44, "DCSData.CtrlDataDefault");
static_assert(offsetof(DCSData, PVCount) == 90, "DCSData.PVCount");
static_assert(offsetof(DCSData, PVRows) == 94, "DCSData.PVRows");
static_assert(offsetof(DCSData, PVDataDefault) == 98, "DCSData.PVDataDefault");
static_assert(offsetof(DCSData, PVImportCount) == 118, "DCSData.PVImportCount");
static_assert(offsetof(DCSData, PVImportRows) == 122, "DCSData.PVImportRows");
static_assert(offsetof(DCSData, PVImportDataDefault) == 126, "DCSData.PVImportDataDefault");

// ---- Accessors (one field each; no check, no allocation) -------------------
// Setters of one field return 0. Allocators return 1 done, 0 failed.
// Copiers (labels, default texts) return 0 done, 1 failed.

// definition counts and row counts
int32_t GetGenDefCnt(DCSData* d);
int32_t GetCtrlDefCnt(DCSData* d);
int32_t GetPVDefCnt(DCSData* d);
int32_t GetPVImportDefCnt(DCSData* d);
int32_t GetCtrlCount(DCSData* d);
int32_t GetPVCount(DCSData* d);
int32_t GetPVImportCount(DCSData* d);

// definition allocators
int32_t AllocGenDefs(DCSData* d, int32_t count);
int32_t AllocCtrlDefs(DCSData* d, int32_t count);
int32_t AllocPVDefs(DCSData* d, int32_t count);
int32_t AllocPVImportDefs(DCSData* d, int32_t count);

// Type
int32_t SetGenDefType(DCSData* d, int32_t col, int32_t type);
int32_t SetCtrlDefType(DCSData* d, int32_t col, int32_t type);
int32_t SetPVDefType(DCSData* d, int32_t col, int32_t type);
int32_t SetPVImportDefType(DCSData* d, int32_t col, int32_t type);
int32_t GetGenDefType(DCSData* d, int32_t col);
int32_t GetCtrlDefType(DCSData* d, int32_t col);
int32_t GetPVDefType(DCSData* d, int32_t col);
int32_t GetPVImportDefType(DCSData* d, int32_t col);

// Label (caption copiers) and Moniker
int32_t SetGenDefLabel(DCSData* d, int32_t col, const char* text);
int32_t SetCtrlDefLabel(DCSData* d, int32_t col, const char* text);
int32_t SetPVDefLabel(DCSData* d, int32_t col, const char* text);
int32_t SetPVImportDefLabel(DCSData* d, int32_t col, const char* text);
const char* GetGenDefLabel(DCSData* d, int32_t col);
const char* GetCtrlDefLabel(DCSData* d, int32_t col);
const char* GetPVDefLabel(DCSData* d, int32_t col);
const char* GetPVImportDefLabel(DCSData* d, int32_t col);
const char* GetGenDefMoniker(DCSData* d, int32_t col);
const char* GetCtrlDefMoniker(DCSData* d, int32_t col);
const char* GetPVDefMoniker(DCSData* d, int32_t col);
const char* GetPVImportDefMoniker(DCSData* d, int32_t col);

// Options
int32_t SetGenDefOptions(DCSData* d, int32_t col, const char* const* options);
int32_t SetCtrlDefOptions(DCSData* d, int32_t col, const char* const* options);
int32_t SetPVDefOptions(DCSData* d, int32_t col, const char* const* options);
int32_t SetPVImportDefOptions(DCSData* d, int32_t col, const char* const* options);

// default cells
int32_t AllocGenData(DCSData* d, int32_t count);
int32_t AllocCtrlDataDefault(DCSData* d, int32_t count);
int32_t AllocPVDataDefault(DCSData* d, int32_t count);
int32_t AllocPVImportDataDefault(DCSData* d, int32_t count);
int32_t SetGenDataInt(DCSData* d, int32_t col, int32_t value);
int32_t SetCtrlDefaultInt(DCSData* d, int32_t col, int32_t value);
int32_t SetPVDefaultInt(DCSData* d, int32_t col, int32_t value);
int32_t SetPVImportDefaultInt(DCSData* d, int32_t col, int32_t value);
int32_t SetGenDataDouble(DCSData* d, int32_t col, double value);
int32_t SetCtrlDefaultDouble(DCSData* d, int32_t col, double value);
int32_t SetPVDefaultDouble(DCSData* d, int32_t col, double value);
int32_t SetPVImportDefaultDouble(DCSData* d, int32_t col, double value);
int32_t SetGenDataText(DCSData* d, int32_t col, const char* text);
int32_t SetCtrlDefaultText(DCSData* d, int32_t col, const char* text);
int32_t SetPVDefaultText(DCSData* d, int32_t col, const char* text);
int32_t SetPVImportDefaultText(DCSData* d, int32_t col, const char* text);

// cell readers
const char* GetGenDataText(DCSData* d, int32_t col);
const char* GetCtrlCellText(DCSData* d, int32_t row, int32_t col);
const char* GetPVCellText(DCSData* d, int32_t row, int32_t col);
const char* GetPVImportCellText(DCSData* d, int32_t row, int32_t col);
double GetGenDataDouble(DCSData* d, int32_t col);
double GetCtrlCellDouble(DCSData* d, int32_t row, int32_t col);
double GetPVCellDouble(DCSData* d, int32_t row, int32_t col);
double GetPVImportCellDouble(DCSData* d, int32_t row, int32_t col);
int32_t GetGenDataInt(DCSData* d, int32_t col);
int32_t GetCtrlCellInt(DCSData* d, int32_t row, int32_t col);
int32_t GetPVCellInt(DCSData* d, int32_t row, int32_t col);
int32_t GetPVImportCellInt(DCSData* d, int32_t row, int32_t col);

// row fields
int32_t GetCtrlActive(DCSData* d, int32_t row);
int32_t GetPVActive(DCSData* d, int32_t row);
int32_t GetPVImportActive(DCSData* d, int32_t row);
double GetPVValue(DCSData* d, int32_t row);
double GetPVImportValue(DCSData* d, int32_t row);
int32_t SetPVImportValue(DCSData* d, int32_t row, double value);
double GetCtrlSP(DCSData* d, int32_t row);
double GetCtrlOP(DCSData* d, int32_t row);
int32_t SetCtrlSP(DCSData* d, int32_t row, double value);  // also SPUpdated = 1
int32_t SetCtrlOP(DCSData* d, int32_t row, double value);  // also OPUpdated = 1
double GetCtrlHostValue1(DCSData* d, int32_t row);
double GetCtrlHostValue2(DCSData* d, int32_t row);
int32_t SetCtrlHostValue1(DCSData* d, int32_t row, double value);
int32_t SetCtrlHostValue2(DCSData* d, int32_t row, double value);
int32_t GetPVHostWord(DCSData* d, int32_t row);

// release and checks
int32_t FreeDCSData(DCSData* d);
int32_t CheckCtrlTagColumn(DCSData* d, int32_t col);
int32_t CheckGenTagFields(DCSData* d);

// The static moniker lists, one entry per possible definition.
extern const char* const GenMonikers[MAXGENFIELDS];
extern const char* const CtrlMonikers[MAXCTRLFIELDS];
extern const char* const PVMonikers[MAXPVFIELDS];
extern const char* const PVImportMonikers[MAXPVIMPORTFIELDS];
