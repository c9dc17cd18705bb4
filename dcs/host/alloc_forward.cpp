// Every allocation made inside the driver module goes to the host's heap, so
// that what the driver hangs into the block can be released by the host.
// On Linux these definitions stay local to the module (see vornak.map):
// loading the driver never changes where the rest of the process allocates.
#include <cstddef>
#include <new>

#include "dcs/host/iface.h"

extern "C" {
void* malloc(size_t size) { return IFace_malloc(size); }
void* calloc(size_t count, size_t size) { return IFace_calloc(count, size); }
void* realloc(void* block, size_t size) { return IFace_realloc(block, size); }
char* strdup(const char* text) { return IFace_strdup(text); }
size_t _msize(void* block) { return IFace__msize(block); }
void free(void* block) { IFace_free(block); }
}

// Allocation failure shows as a null pointer; nothing is thrown.
void* operator new(size_t size) { return IFace_new(size); }
void* operator new[](size_t size) { return IFace_new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return IFace_new(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return IFace_new(size); }
void operator delete(void* block) noexcept { IFace_delete(block); }
void operator delete[](void* block) noexcept { IFace_delete(block); }
void operator delete(void* block, size_t) noexcept { IFace_delete(block); }
void operator delete[](void* block, size_t) noexcept { IFace_delete(block); }
