// The ELF module's import slots: the GOT entries its relocations name
// (R_386_JUMP_SLOT, R_386_GLOB_DAT) and the data words holding a function's
// address (R_386_32 with no addend), found through its dynamic section.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "module/import_seams.h"
#include "module/seam_match.h"

static_assert(sizeof(void*) == 4, "the seams read i386 relocations");

namespace {

struct DynamicTables {
    const Elf32_Sym* symbols = nullptr;
    const char* strings = nullptr;
    size_t strings_size = 0;
    const Elf32_Rel* plt = nullptr;
    size_t plt_size = 0;
    const Elf32_Rel* rel = nullptr;
    size_t rel_size = 0;
    bool plt_is_rela = false;
};

// glibc relocates the dynamic section's addresses in place, other loaders
// leave them as linked: a shared object is linked at 0, so a value below the
// load address is still relative.
uintptr_t AddressOf(const link_map* map, Elf32_Addr value)
{
    return value < map->l_addr ? map->l_addr + value : value;
}

DynamicTables ReadDynamic(const link_map* map)
{
    DynamicTables t;
    for (const Elf32_Dyn* d = reinterpret_cast<const Elf32_Dyn*>(map->l_ld); d->d_tag != DT_NULL;
         ++d) {
        uintptr_t at = AddressOf(map, d->d_un.d_ptr);
        switch (d->d_tag) {
        case DT_SYMTAB:
            t.symbols = reinterpret_cast<const Elf32_Sym*>(at);
            break;
        case DT_STRTAB:
            t.strings = reinterpret_cast<const char*>(at);
            break;
        case DT_STRSZ:
            t.strings_size = d->d_un.d_val;
            break;
        case DT_JMPREL:
            t.plt = reinterpret_cast<const Elf32_Rel*>(at);
            break;
        case DT_PLTRELSZ:
            t.plt_size = d->d_un.d_val;
            break;
        case DT_PLTREL:
            t.plt_is_rela = d->d_un.d_val == DT_RELA;
            break;
        case DT_REL:
            t.rel = reinterpret_cast<const Elf32_Rel*>(at);
            break;
        case DT_RELSZ:
            t.rel_size = d->d_un.d_val;
            break;
        default:
            break;
        }
    }
    return t;
}

// What the dynamic linker binds `name` to for this module: the global scope
// first, then the module's own dependencies.
void* Resolve(void* module, const char* name)
{
    void* address = dlsym(RTLD_DEFAULT, name);
    return address ? address : dlsym(module, name);
}

// The mapping last read from /proc/self/maps, for the rest of one patch: its
// slots lie in a few mappings, whose protection each write puts back.
struct KnownMapping {
    unsigned long start = 0, end = 0;
    int protection = 0;
};
KnownMapping g_known;

// The protection of the mapping holding `page`; a page not found there stays
// writable rather than break a lazy binding later.
int ProtectionOf(uintptr_t page)
{
    if (page >= g_known.start && page < g_known.end) return g_known.protection;
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) return PROT_READ | PROT_WRITE;
    int protection = PROT_READ | PROT_WRITE;
    char line[512];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &start, &end, perms) != 3) continue;
        if (page < start || page >= end) continue;
        protection = (perms[0] == 'r' ? PROT_READ : 0) | (perms[1] == 'w' ? PROT_WRITE : 0) |
                     (perms[2] == 'x' ? PROT_EXEC : 0);
        g_known = {start, end, protection};
        break;
    }
    std::fclose(maps);
    return protection;
}

// The slot may sit in RELRO: writable for the write, as it was after.
bool WriteSlot(void** slot, void* value, std::string& error)
{
    const auto page_size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t page = reinterpret_cast<uintptr_t>(slot) & ~(page_size - 1);
    int protection = ProtectionOf(page);
    if (!(protection & PROT_WRITE) &&
        mprotect(reinterpret_cast<void*>(page), page_size, protection | PROT_WRITE) != 0) {
        error = std::string("cannot make an import slot writable: ") + std::strerror(errno);
        return false;
    }
    *slot = value;
    if (!(protection & PROT_WRITE)) mprotect(reinterpret_cast<void*>(page), page_size, protection);
    return true;
}

// The data words pointed elsewhere so far: pointing them back finds them by
// their place, as their value no longer tells.
std::set<void**>& PatchedWords()
{
    static std::set<void**> words;
    return words;
}

// A slot written, with what it held: a patch that fails partway points
// every slot it wrote back, so the module calls as it did before.
struct Written {
    void** slot;
    void* before;
    bool word;  // a data word, now among PatchedWords
};

struct Walk {
    void* module;
    const link_map* map;
    const DynamicTables& tables;
    SeamMatches& matches;
    std::vector<Written>& written;
};

void Undo(const std::vector<Written>& written, std::string& error)
{
    std::string ignored;
    bool all = true;
    for (auto w = written.rbegin(); w != written.rend(); ++w) {
        all = WriteSlot(w->slot, w->before, ignored) && all;
        if (w->word) PatchedWords().erase(w->slot);
    }
    if (!all) error += "; and an import slot could not be pointed back";
}

bool PatchRelocations(const Walk& walk, const Elf32_Rel* rel, size_t size, std::string& error)
{
    if (!rel) return true;
    for (size_t i = 0; i < size / sizeof(Elf32_Rel); ++i) {
        unsigned type = ELF32_R_TYPE(rel[i].r_info);
        unsigned symbol = ELF32_R_SYM(rel[i].r_info);
        if (symbol == 0 || (type != R_386_JMP_SLOT && type != R_386_GLOB_DAT && type != R_386_32))
            continue;
        Elf32_Word name_at = walk.tables.symbols[symbol].st_name;
        if (name_at >= walk.tables.strings_size) continue;
        ImportSeam* seam = walk.matches.ByName(nullptr, walk.tables.strings + name_at);
        if (!seam) continue;
        auto** slot = reinterpret_cast<void**>(AddressOf(walk.map, rel[i].r_offset));
        void* const before = *slot;
        void* original = before;
        if (type == R_386_32) {
            // A word of data: a seam only where it holds the function's address.
            if (original != Resolve(walk.module, seam->name) && !PatchedWords().count(slot))
                continue;
        } else {
            // A slot not bound yet (lazy binding) points back into the module's PLT.
            Dl_info info;
            link_map* owner = nullptr;
            if (dladdr1(original, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) &&
                owner == walk.map)
                original = Resolve(walk.module, seam->name);
        }
        const bool word = type == R_386_32 && PatchedWords().insert(slot).second;
        if (!WriteSlot(slot, seam->replacement, error)) {
            if (word) PatchedWords().erase(slot);
            return false;
        }
        walk.written.push_back({slot, before, word});
        walk.matches.Found(seam, original);
    }
    return true;
}

}  // namespace

int PatchImports(void* module, ImportSeam* seams, int count, std::string& error)
{
    g_known = KnownMapping();  // mappings may have changed since the last patch
    SeamMatches matches;
    if (!matches.Begin(seams, count, error)) return -1;
    link_map* map = nullptr;
    if (!module || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_ld) {
        error = "not a loaded module";
        return -1;
    }
    DynamicTables tables = ReadDynamic(map);
    if (!tables.symbols || !tables.strings) {
        error = "the module has no dynamic symbol table";
        return -1;
    }
    if (tables.plt_is_rela) {
        error = "the module's relocations are not i386 ones";
        return -1;
    }
    std::vector<Written> written;
    Walk walk{module, map, tables, matches, written};
    if (!PatchRelocations(walk, tables.plt, tables.plt_size, error) ||
        !PatchRelocations(walk, tables.rel, tables.rel_size, error)) {
        Undo(written, error);
        for (int i = 0; i < count; ++i) seams[i].original = nullptr;
        return -1;
    }
    return matches.FoundCount();
}
