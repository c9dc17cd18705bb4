// Input decoding of driver_fuzz: see driver_fuzz.cpp for what the input decides.

#include "fuzz/driver_fuzz_ops.h"

#include <climits>
#include <cmath>
#include <limits>

#include "dcs/link/driver_state.h"
#include "standins/vnxsim/vnxsim.h"

namespace driver_fuzz {
namespace {

// Tag names of every row a table can have, made once: C<row>.SP ... .OPI,
// P<row>, I<row>.
enum NameKind { CTRL_SP, CTRL_OP, CTRL_MODE, CTRL_SPI, CTRL_OPI, PV_NAME, IMPORT_NAME, NAME_KINDS };

const std::string& RowName(int kind, int row)
{
    static const std::vector<std::string> names = [] {
        static const char* const prefix[NAME_KINDS] = {"C", "C", "C", "C", "C", "P", "I"};
        static const char* const suffix[NAME_KINDS] = {".SP",  ".OP", ".MODE", ".SPI",
                                                       ".OPI", "",    ""};
        std::vector<std::string> all;
        for (int r = 0; r <= MAXDCSROWS; ++r) {
            for (int k = 0; k < NAME_KINDS; ++k) {
                all.push_back(prefix[k] + std::to_string(r) + suffix[k]);
            }
        }
        return all;
    }();
    return names[static_cast<size_t>(row) * NAME_KINDS + kind];
}

const int32_t kOps[] = {VNX_OP_DataServicesStartup,
                        VNX_OP_DataServicesShutdown,
                        VNX_OP_ServiceEvents,
                        VNX_OP_OpenTag,
                        VNX_OP_CloseTag,
                        VNX_OP_ValidateTagName,
                        VNX_OP_CreateTagList,
                        VNX_OP_AddTagToList,
                        VNX_OP_RemoveTagFromList,
                        VNX_OP_ListRewind,
                        VNX_OP_ListFirst,
                        VNX_OP_ListNext,
                        VNX_OP_GetTagValue,
                        VNX_OP_GetTagDataType,
                        VNX_OP_GetIOStatus,
                        VNX_OP_GetDataQuality,
                        VNX_OP_SetTagValue,
                        VNX_OP_GetTagStatus,
                        VNX_OP_ReadTagList,
                        VNX_OP_SendTag,
                        VNX_OP_ApiStartup,
                        VNX_OP_ApiShutdown,
                        VNX_OP_GetArrayDims,
                        VNX_OP_GetArrayLowerBound,
                        VNX_OP_GetArrayUpperBound,
                        VNX_OP_SetArrayElement};

const std::string& CtrlName(int row, int col) { return RowName(CTRL_SP + col, row); }
const std::string& PVName(int row) { return RowName(PV_NAME, row); }
const std::string& ImportName(int row) { return RowName(IMPORT_NAME, row); }

}  // namespace

// A row count: mostly a few rows, now and then one the tables cannot hold.
// Returns the count and how many rows the host really has behind it.
void PickCount(Input& in, int32_t* count, size_t* rows)
{
    const uint8_t b = in.Byte();
    if (b < 0xF8) {
        *count = (3 + b) % 5;
        *rows = static_cast<size_t>(*count);
        return;
    }
    // Full tables cost a thousand times a small one: kept to a quarter.
    switch (b) {
    case 0xFC:
        *count = MAXDCSROWS + 1;
        *rows = MAXDCSROWS + 1;
        break;
    case 0xFD:
        *count = INT_MAX;
        *rows = MAXDCSROWS;
        break;
    default:
        *count = -1;
        *rows = 2;
        break;
    }
}

int16_t PickActive(Input& in)
{
    static const int16_t actives[] = {1, 0, -1, 2, 1, 0, 32767, -32768};
    return in.Pick(actives);
}

// A value a host may hold, or any 64 bits from the input.
double PickValue(Input& in)
{
    static const double values[] = {1.5,
                                    0.0,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    1e300,
                                    -1e300,
                                    0.425,
                                    std::numeric_limits<double>::denorm_min(),
                                    -0.0};
    const size_t n = sizeof values / sizeof values[0];
    const size_t i = in.Index(n + 1);
    return i < n ? values[i] : in.Bits();
}

// Names a host should not send, the names of other rows and tables, or any
// text from the input; each in a guarded buffer of its own (null stays null).
char* PickName(Input& in, BlockBuilder& b)
{
    static const std::string huge(300, 'L');
    static const char* const names[] = {nullptr, "",    "   ",         "C0.SP",     "P0",
                                        "I1",    "ARR", "no such tag", "bad name!", huge.c_str()};
    const size_t n = sizeof names / sizeof names[0];
    const size_t i = in.Index(n + 1);
    if (i == n) return b.Name(in.Text());
    return names[i] ? b.Name(names[i]) : nullptr;
}

void DefineTags(Input& in, size_t pv_rows)
{
    for (int r = 0; r < kNamedRows; ++r) {
        for (int c = 0; c < 5; ++c) {
            if (c == 2)
                VnxSimDefineInt(CtrlName(r, c).c_str(), 0);
            else
                VnxSimDefineFloat(CtrlName(r, c).c_str(), 10.0f * r + c);
        }
        VnxSimDefineFloat(PVName(r).c_str(), 0.0f);
        if (r % 2)
            VnxSimDefineInt(ImportName(r).c_str(), r);
        else
            VnxSimDefineFloat(ImportName(r).c_str(), 0.5f * r);
    }
    const size_t elements = std::min<size_t>(std::max<size_t>(pv_rows, 1), 30000);
    const int16_t upper = static_cast<int16_t>(elements - 1);
    VnxSimDefineArray("ARR", 0, upper, 0.0f);

    // Tweaks: the condition of a tag, its data type or the array's shape.
    const int tweaks = in.Byte() % 8;
    for (int i = 0; i < tweaks; ++i) {
        const uint8_t which = in.Byte();
        const int row = which % kNamedRows;
        const char* name;
        switch ((which / kNamedRows) % 4) {
        case 0:
            name = CtrlName(row, (which / 20) % 5).c_str();
            break;
        case 1:
            name = PVName(row).c_str();
            break;
        case 2:
            name = ImportName(row).c_str();
            break;
        default:
            name = "ARR";
            break;
        }
        const int16_t value = static_cast<int16_t>(in.Word());
        switch (in.Byte() % 6) {
        case 0:
            VnxSimSetIOStatus(name, value % 13);
            break;
        case 1:
            VnxSimSetQuality(name, value % 5);
            break;
        case 2:
            VnxSimSetTagStatus(name, value);
            break;
        case 3:
            VnxSimSetDataType(name, value);
            break;
        case 4:
            VnxSimSetArrayDims(name, static_cast<int16_t>(value % 3));
            break;
        default:
            VnxSimSetInt(name, 0, value);
            break;
        }
    }
}

// Rows behind each table's count, every row named and filled from the input;
// the counts as picked, which need not match the rows.
DCSData* LayBlock(Input& in, BlockBuilder& b, size_t rows[3])
{
    int32_t counts[3];
    for (int t = 0; t < 3; ++t) PickCount(in, &counts[t], &rows[t]);
    b.array_tag = "ARR";
    b.own_rows = kNamedRows + 1;  // a full table's rows share the cells of row 5
    for (size_t r = 0; r < rows[0]; ++r) {
        const int n = static_cast<int>(r);
        CtrlRowPlan c{
            {CtrlName(n, 0), CtrlName(n, 1), CtrlName(n, 2), CtrlName(n, 3), CtrlName(n, 4)},
            PickActive(in),
            PickValue(in),
            PickValue(in)};
        b.ctrl.push_back(c);
    }
    for (size_t r = 0; r < rows[1]; ++r) {
        b.pv.push_back({PVName(static_cast<int>(r)), PickActive(in), PickValue(in)});
    }
    for (size_t r = 0; r < rows[2]; ++r) {
        static const int32_t mappings[] = {0, 1, 1, 0, 2, -1, INT_MAX};
        const int n = static_cast<int>(r);
        b.imports.push_back({ImportName(n), in.Pick(mappings), PickActive(in), PickValue(in)});
    }
    b.Lay();
    DCSData* d = b.get();
    d->CtrlCount = counts[0];
    d->PVCount = counts[1];
    d->PVImportCount = counts[2];
    return d;
}

// Spoil the block: names, cells, definitions, row arrays.
void SpoilBlock(Input& in, BlockBuilder& b, const size_t rows[3])
{
    DCSData* d = b.get();
    const int spoils = in.Byte() % 6;
    for (int i = 0; i < spoils; ++i) {
        const uint8_t what = in.Byte();
        const size_t row = in.Byte();
        char* text = PickName(in, b);
        DCSCell* ctrl = row < rows[0] && d->CtrlRows ? d->CtrlRows[row].Cells : nullptr;
        DCSCell* pv = row < rows[1] ? d->PVRows[row].Cells : nullptr;
        DCSCell* import = row < rows[2] && d->PVImportRows ? d->PVImportRows[row].Cells : nullptr;
        switch (what % 12) {
        case 0:
            if (ctrl) ctrl[what / 12 % 5].Text = text;
            break;
        case 1:
            if (pv) pv[0].Text = text;
            break;
        case 2:
            if (import) import[0].Text = text;
            break;
        case 3:
            d->GenData[0].Text = text;
            break;
        case 4:
            if (ctrl) d->CtrlRows[row].Cells = nullptr;
            break;
        case 5:
            if (pv) d->PVRows[row].Cells = nullptr;
            break;
        case 6:
            if (import) d->PVImportRows[row].Cells = nullptr;
            break;
        case 7:
            d->GenDefs = nullptr;
            break;
        case 8:
            d->CtrlDefs = nullptr;
            break;
        case 9:
            d->PVImportDefs = nullptr;
            break;
        case 10:
            d->CtrlRows = nullptr;
            break;
        default:
            d->PVImportRows = nullptr;
            break;
        }
    }
}

bool KeepsWhatItRefuses(int32_t op) { return op == VNX_OP_CloseTag || op == VNX_OP_ApiShutdown; }

Schedule ArmFaults(Input& in)
{
    Schedule s;
    const int rules = in.Byte() % 4;
    for (int i = 0; i < rules; ++i) {
        const int32_t op = in.Pick(kOps);
        const uint8_t n = in.Byte();
        const std::string name = n % 3 == 0   ? ""
                                 : n % 3 == 1 ? CtrlName(n % kNamedRows, n % 5)
                                              : "ARR";
        const int32_t result = static_cast<int16_t>(in.Word());
        const int32_t skip = in.Byte() % 8;
        const int32_t count = in.Byte() % 5 - 1;
        VnxSimInject(op, name.empty() ? nullptr : name.c_str(), result, skip, count);
        s.refusal |= KeepsWhatItRefuses(op);
    }
    s.countdown = in.Word() % 600;
    return s;
}

}  // namespace driver_fuzz
