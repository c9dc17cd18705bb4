// Which seam an import slot belongs to, and what each seam found: shared by
// the PE and the ELF walker.
#pragma once

#include <vector>

#include "module/import_seams.h"

class SeamMatches {
public:
    // False with a reason for a table that cannot be used (no replacement).
    bool Begin(ImportSeam* seams, int count, std::string& error);
    // The seam naming `name` from `library` (null: any library), or null.
    ImportSeam* ByName(const char* library, const char* name) const;
    // The seam naming `ordinal` of `library`, or null.
    ImportSeam* ByOrdinal(const char* library, int ordinal) const;
    // A slot of `seam` held `original`; the first one found is kept.
    void Found(ImportSeam* seam, void* original);
    int FoundCount() const;

private:
    ImportSeam* seams_ = nullptr;
    int count_ = 0;
    std::vector<char> found_;
};
