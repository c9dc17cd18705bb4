// The driver module's outer seams: the slots through which a loaded module
// calls what it imports (the import address table of a PE module, the GOT of
// an ELF one). Pointing a slot elsewhere changes where the module's calls
// go and nothing else: the module, the host and the library stay as they are.
#pragma once

#include <string>

struct ImportSeam {
    // The imported symbol: by name (ELF, and PE imports by name), or on
    // Windows by ordinal from `library` (matched without case) when ordinal > 0.
    const char* library;
    const char* name;
    int ordinal;
    void* replacement;
    // Filled: what the slot held before (null when the import was not found).
    void* original;
};

// Points every import of `module` (a dlopen handle or an HMODULE) that one of
// the seams names at that seam's replacement. Returns how many seams were
// found; -1 with a reason when the module's tables cannot be read or written.
int PatchImports(void* module, ImportSeam* seams, int count, std::string& error);
