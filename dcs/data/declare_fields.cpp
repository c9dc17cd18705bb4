// The columns this driver declares, and DCSLoad's declaration sequence.
#include "dcs/data/declare_fields.h"

const char* const MappingOptions[3] = {"1:1", "Controller Mode", nullptr};

namespace {

struct ColumnDecl {
    int32_t type;
    const char* caption;
    const char* const* options;  // null: not a choice column
};

struct TableDecl {
    int32_t (*alloc)(DCSData*, int32_t);
    int32_t (*set_type)(DCSData*, int32_t, int32_t);
    int32_t (*set_label)(DCSData*, int32_t, const char*);
    int32_t (*set_options)(DCSData*, int32_t, const char* const*);
    const ColumnDecl* columns;
    int32_t count;
};

const ColumnDecl kGenColumns[] = {
    {DCS_TYPE_TEXT, "PV Array Tag", nullptr},
};

// The controller columns all hold tag names, captioned as columns.h has them.
struct CtrlColumnDecls {
    ColumnDecl columns[CTRL_COLUMNS];
};
constexpr CtrlColumnDecls MakeCtrlColumnDecls()
{
    CtrlColumnDecls decls{};
    for (const CtrlTagColumn& c : CtrlTagColumns)
        decls.columns[c.col] = ColumnDecl{DCS_TYPE_TEXT, c.caption, nullptr};
    return decls;
}
constexpr CtrlColumnDecls kCtrl = MakeCtrlColumnDecls();
const ColumnDecl kPVColumns[] = {
    {DCS_TYPE_TEXT, "TAG", nullptr},
};
const ColumnDecl kPVImportColumns[] = {
    {DCS_TYPE_TEXT, "TAG", nullptr},
    {DCS_TYPE_CHOICE, "Mapping", MappingOptions},
};

template <size_t N>
constexpr int32_t CountOf(const ColumnDecl (&)[N])
{
    return static_cast<int32_t>(N);
}

static_assert(CountOf(kGenColumns) == GEN_COLUMNS, "general fields as columns.h has them");
static_assert(CountOf(kPVColumns) == PV_COLUMNS, "PV columns as columns.h has them");
static_assert(CountOf(kPVImportColumns) == IMPORT_COLUMNS, "import columns as columns.h has them");

// In the order the host expects them.
const TableDecl kTables[] = {
    {AllocGenDefs, SetGenDefType, SetGenDefLabel, SetGenDefOptions, kGenColumns,
     CountOf(kGenColumns)},
    {AllocCtrlDefs, SetCtrlDefType, SetCtrlDefLabel, SetCtrlDefOptions, kCtrl.columns,
     CountOf(kCtrl.columns)},
    {AllocPVDefs, SetPVDefType, SetPVDefLabel, SetPVDefOptions, kPVColumns, CountOf(kPVColumns)},
    {AllocPVImportDefs, SetPVImportDefType, SetPVImportDefLabel, SetPVImportDefOptions,
     kPVImportColumns, CountOf(kPVImportColumns)},
};

// The allocator has shown its box when it fails; the table's columns are then
// skipped, since there is no array to write them into.
void DeclareTable(DCSData* data, const TableDecl& t)
{
    if (!t.alloc(data, t.count)) return;
    for (int32_t col = 0; col < t.count; ++col) {
        const ColumnDecl& c = t.columns[col];
        t.set_type(data, col, c.type);
        t.set_label(data, col, c.caption);  // a caption without a buffer stays null
        if (c.options) t.set_options(data, col, c.options);
    }
}

}  // namespace

void DeclareDriverFields(DCSData* data)
{
    for (const TableDecl& t : kTables) DeclareTable(data, t);
    // One default cell per declared column, all zero; GenData is the host's.
    AllocCtrlDataDefault(data, CountOf(kCtrl.columns));
    AllocPVDataDefault(data, CountOf(kPVColumns));
    AllocPVImportDataDefault(data, CountOf(kPVImportColumns));
}
