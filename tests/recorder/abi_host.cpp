// A host program written from the binary interfaces alone: its own copy of
// the block's layout, the module loaded by path from a folder and driven
// through its nine exports, the host's allocator for what the host owns. It
// runs one of the sessions a host at a site runs, checks what the module did
// to the block, prints each entry point with its result, and exits 0 when all
// was as a driver does it, 1 when not, 2 on bad use.
//   abi_host DIR fresh-on-pattern|restored|killed
//   fresh-on-pattern  DCSLoad on a block full of 0x5A bytes, then the host fills it
//   restored          the host lays a saved model itself; DCSConfigure comes first
//   killed            the process ends with _exit after two steps, before DCSDestroy
// DIR holds the module (libvornak.so / vornak.dll) and the client library.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <unistd.h>
#endif

extern "C" {
void* IFace_new(size_t size);
void IFace_delete(void* block);
void* IFace_malloc(size_t size);
void IFace_free(void* block);
#if !defined(_WIN32)
void WinShimSkipSleeps(int32_t on);  // the settle's sleeps are made and return at once
#endif
}

namespace {

#pragma pack(push, 1)
struct Def {
    int32_t type;
    char* label;
    const char* moniker;
    const char* const* options;
    void* host_buffers[2];
};
union Cell {
    const char* text;
    int32_t choice;
    double number;
};
struct CtrlRow {
    uint8_t host[4];
    int16_t active;
    uint8_t host2[2];
    double host_values[2];
    double sp, op;
    Cell* cells;
    uint8_t sp_updated, op_updated;
};
struct PVRow {
    uint8_t host[2];
    int16_t word;
    int16_t active;
    uint8_t host2[2];
    double value;
    Cell* cells;
};
using ImportRow = PVRow;  // the same places; the import row's first four bytes are the host's
struct Table {
    int32_t count;
    Def* defs;
};
struct Block {
    Table gen, ctrl, pv, imports;
    Cell* gen_data;
    int32_t ctrl_count;
    CtrlRow* ctrl_rows;
    CtrlRow ctrl_default;
    int32_t pv_count;
    PVRow* pv_rows;
    PVRow pv_default;
    int32_t import_count;
    ImportRow* import_rows;
    ImportRow import_default;
};
#pragma pack(pop)
static_assert(sizeof(Def) == 24 && sizeof(Cell) == 8, "definition and cell");
static_assert(sizeof(CtrlRow) == 46 && sizeof(PVRow) == 20, "rows");
static_assert(offsetof(Block, ctrl_default) == 44 && offsetof(Block, pv_default) == 98, "block");
static_assert(offsetof(Block, import_default) == 126 && sizeof(Block) == 146, "block");

typedef int32_t (*Entry)(Block*);
const char* const kEntryNames[] = {"DCSLoad",     "DCSConfigure", "DCSInitialize",
                                   "DCSStart",    "DCSStop",      "DCSSimulate",
                                   "DCSTimeZero", "DCSReset",     "DCSDestroy"};
enum { kLoad, kConfigure, kInitialize, kStart, kStop, kSimulate, kTimeZero, kReset, kDestroy };
Entry g_entries[9];
int g_faults = 0;

void Expect(bool holds, const char* what)
{
    if (holds) return;
    std::printf("NOT as a driver does: %s\n", what);
    ++g_faults;
}

int32_t Call(int entry, Block* block, int32_t expected)
{
    int32_t result = g_entries[entry](block);
    std::printf("%s %d\n", kEntryNames[entry], static_cast<int>(result));
    std::fflush(stdout);
    Expect(result == expected, kEntryNames[entry]);
    return result;
}

bool LoadModule(const std::string& dir)
{
#if defined(_WIN32)
    char path[MAX_PATH];  // the module's folder first for what it imports
    DWORD n = GetFullPathNameA((dir + "/vornak.dll").c_str(), sizeof path, path, nullptr);
    HMODULE module = n && n < sizeof path
                         ? LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                         : nullptr;
    auto find = [module](const char* name) {
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
#else
    const std::string path = dir + "/libvornak.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto find = [module](const char* name) { return reinterpret_cast<Entry>(dlsym(module, name)); };
#endif
    if (!module) {
        std::fprintf(stderr, "abi_host: cannot load the module in %s\n", dir.c_str());
        return false;
    }
    for (int i = 0; i < 9; ++i)
        if (!(g_entries[i] = find(kEntryNames[i]))) return false;
    return true;
}

Cell* NewCells(int count)
{
    Cell* cells = static_cast<Cell*>(IFace_new(count * sizeof(Cell)));
    std::memset(cells, 0, count * sizeof(Cell));
    return cells;
}

// One loop as the user entered it (the tags of the client library's file).
void FillRows(Block& b)
{
    static const char* const kCtrlTags[] = {"L.SP", "L.OP", "L.MODE", "L.SPINIT", "L.OPINIT"};
    static CtrlRow ctrl;
    static PVRow pv, import;
    static Cell ctrl_cells[5], pv_cell[1], import_cells[2], gen_cell[1];
    ctrl = CtrlRow{};
    ctrl.active = 1;
    ctrl.host_values[0] = 1.0;
    ctrl.sp = 50.0;
    ctrl.op = 0.5;
    for (int i = 0; i < 5; ++i) ctrl_cells[i].text = kCtrlTags[i];
    ctrl.cells = ctrl_cells;
    pv = PVRow{};
    pv.active = 1;
    pv.value = 42.5;
    pv_cell[0].text = "L.PV";
    pv.cells = pv_cell;
    import = PVRow{};
    import.active = 1;
    import.value = 7.5;  // sent out by DCSInitialize, read back by each DCSSimulate
    import_cells[0].text = "L.IN";
    import_cells[1].choice = 0;  // "1:1"
    import.cells = import_cells;
    gen_cell[0].text = "ARR";
    b.gen_data = gen_cell;
    b.ctrl_count = b.pv_count = b.import_count = 1;
    b.ctrl_rows = &ctrl;
    b.pv_rows = &pv;
    b.import_rows = &import;
}

// What a saved model holds: the columns as a driver declared them.
void LayDefinitions(Block& b)
{
    static const char* const kMapping[] = {"1:1", "Controller Mode", nullptr};
    struct Column {
        Table& table;
        int index, type;
        const char* label;
        const char* moniker;
    };
    const Column columns[] = {
        {b.gen, 0, 2, "PV Array Tag", ":ExtraData.310"},
        {b.ctrl, 0, 2, "SP TAG", ":ExtraData.340.[]"},
        {b.ctrl, 1, 2, "OP TAG", ":ExtraData.341.[]"},
        {b.ctrl, 2, 2, "Mode TAG", ":ExtraData.342.[]"},
        {b.ctrl, 3, 2, "SP Init TAG", ":ExtraData.343.[]"},
        {b.ctrl, 4, 2, "OP Init TAG", ":ExtraData.344.[]"},
        {b.pv, 0, 2, "TAG", ":ExtraData.375.[]"},
        {b.imports, 0, 2, "TAG", ":ExtraData.3075.[]"},
        {b.imports, 1, 3, "Mapping", ":ExtraData.3076.[]"},
    };
    const int counts[] = {1, 5, 1, 2};
    Table* tables[] = {&b.gen, &b.ctrl, &b.pv, &b.imports};
    for (int t = 0; t < 4; ++t) {
        tables[t]->count = counts[t];
        tables[t]->defs = static_cast<Def*>(IFace_new(counts[t] * sizeof(Def)));
        std::memset(tables[t]->defs, 0, counts[t] * sizeof(Def));
    }
    b.ctrl_default.host_values[0] = 1.0;
    b.ctrl_default.cells = NewCells(5);
    b.pv_default.cells = NewCells(1);
    b.import_default.cells = NewCells(2);
    for (const Column& c : columns) {
        Def& def = c.table.defs[c.index];
        def.type = c.type;
        def.label = static_cast<char*>(IFace_malloc(64));
        std::snprintf(def.label, 64, "%s", c.label);
        def.moniker = c.moniker;
        def.options = c.type == 3 ? kMapping : nullptr;
    }
}

// The host's release of what the block holds of the host heap.
void Release(Block& b)
{
    for (Table* t : {&b.gen, &b.ctrl, &b.pv, &b.imports}) {
        for (int i = 0; i < t->count && t->defs; ++i) IFace_free(t->defs[i].label);
        IFace_delete(t->defs);
        *t = Table{};
    }
    for (Cell** cells : {&b.ctrl_default.cells, &b.pv_default.cells, &b.import_default.cells}) {
        IFace_delete(*cells);
        *cells = nullptr;
    }
}

// From DCSConfigure on; `steps` passes, then (unless killed) to DCSDestroy.
void Couple(Block& b, int steps, bool killed)
{
    Call(kConfigure, &b, 1);
    Call(kInitialize, &b, 0);
    Call(kStart, &b, 0);
    for (int step = 0; step < steps; ++step) {
        b.pv_rows[0].value += 1.0;
        Call(kSimulate, &b, 1);
        // The client library's file holds L.SP 50 and L.OP 50 (percent).
        const CtrlRow& row = b.ctrl_rows[0];
        Expect(row.sp == 50.0 && row.op == 0.5 && row.sp_updated == 1 && row.op_updated == 1,
               "SP and OP read back");
        Expect(b.import_rows[0].value == 7.5, "the import read back");
    }
    if (killed) {
        std::printf("_exit before DCSDestroy\n");
        std::fflush(stdout);
        _exit(g_faults ? 1 : 0);
    }
    Call(kTimeZero, &b, 0);
    Call(kStop, &b, 0);
    Call(kReset, &b, 0);
    Call(kDestroy, &b, 0);
}

void FreshOnPattern()
{
    const size_t kHeld = sizeof(Block) + 64;  // a host keeps more behind the block
    uint8_t* memory = static_cast<uint8_t*>(IFace_malloc(kHeld));
    std::memset(memory, 0x5A, kHeld);
    Block& b = *reinterpret_cast<Block*>(memory);
    Call(kLoad, &b, 0);
    const int32_t pattern = 0x5A5A5A5A;
    Expect(b.gen.count == 1 && b.ctrl.count == 5 && b.pv.count == 1 && b.imports.count == 2,
           "the definitions declared");
    Expect(b.ctrl_count == pattern && b.pv_count == pattern && b.import_count == pattern,
           "row counts untouched by DCSLoad");
    Expect(memory[kHeld - 1] == 0x5A && b.ctrl_default.host[0] == 0x5A, "host bytes untouched");
    FillRows(b);
    Couple(b, 3, false);
    Release(b);
    IFace_free(memory);
}

void Restored()
{
    Block b{};
    LayDefinitions(b);
    FillRows(b);
    Couple(b, 3, false);
    Release(b);
}

void Killed()
{
    Block b{};
    Call(kLoad, &b, 0);
    FillRows(b);
    Couple(b, 2, true);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string scene = argc == 3 ? argv[2] : "";
    void (*const run)() = scene == "fresh-on-pattern" ? &FreshOnPattern
                          : scene == "restored"       ? &Restored
                          : scene == "killed"         ? &Killed
                                                      : nullptr;
    if (!run) {
        std::fprintf(stderr, "usage: abi_host DIR fresh-on-pattern|restored|killed\n");
        return 2;
    }
#if !defined(_WIN32)
    WinShimSkipSleeps(1);
#endif
    if (!LoadModule(argv[1])) return 2;
    run();
    return g_faults ? 1 : 0;
}
