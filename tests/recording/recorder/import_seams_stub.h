#pragma once

#include <string>

#include "module/import_seams.h"

void SetFakeImport(const std::string& name, void* fake);
// What the recorder put in the import's place.
void* PatchedImport(const std::string& name);

template <typename Fn>
Fn Via(const char* name)
{
    return reinterpret_cast<Fn>(PatchedImport(name));
}
