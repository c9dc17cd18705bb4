// The PE module's import address table: each imported function's slot, by
// name or by ordinal, found through the import descriptors.
#include <windows.h>

#include <utility>
#include <vector>

#include "module/import_seams.h"
#include "module/seam_match.h"

namespace {

const IMAGE_NT_HEADERS* HeadersOf(const BYTE* base)
{
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return nullptr;
    return nt;
}

bool WriteSlot(ULONG_PTR* slot, void* value, std::string& error)
{
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) {
        error =
            "cannot make an import slot writable (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    *slot = reinterpret_cast<ULONG_PTR>(value);
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

// A patch that fails partway points every slot it wrote back, so the module
// calls as it did before.
void Undo(const std::vector<std::pair<ULONG_PTR*, ULONG_PTR>>& written, std::string& error)
{
    std::string ignored;
    bool all = true;
    for (auto w = written.rbegin(); w != written.rend(); ++w)
        all = WriteSlot(w->first, reinterpret_cast<void*>(w->second), ignored) && all;
    if (!all) error += "; and an import slot could not be pointed back";
}

}  // namespace

int PatchImports(void* module, ImportSeam* seams, int count, std::string& error)
{
    SeamMatches matches;
    if (!matches.Begin(seams, count, error)) return -1;
    auto* base = static_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* nt = base ? HeadersOf(base) : nullptr;
    if (!nt) {
        error = "not a loaded module";
        return -1;
    }
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    std::vector<std::pair<ULONG_PTR*, ULONG_PTR>> written;
    for (; desc->Name != 0; ++desc) {
        // Without its own lookup table the names were in the slots, which the
        // loader has since overwritten with addresses.
        if (desc->OriginalFirstThunk == 0) continue;
        auto* library = reinterpret_cast<const char*>(base + desc->Name);
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            ImportSeam* seam = nullptr;
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                seam =
                    matches.ByOrdinal(library, static_cast<int>(IMAGE_ORDINAL(names->u1.Ordinal)));
            } else {
                auto* by_name =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                seam = matches.ByName(library, reinterpret_cast<const char*>(by_name->Name));
            }
            if (!seam) continue;
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            if (!WriteSlot(&slots->u1.Function, seam->replacement, error)) {
                Undo(written, error);
                for (int i = 0; i < count; ++i) seams[i].original = nullptr;
                return -1;
            }
            written.emplace_back(&slots->u1.Function, reinterpret_cast<ULONG_PTR>(original));
            matches.Found(seam, original);
        }
    }
    return matches.FoundCount();
}
