// The module's standard allocation functions and its global operator new and
// delete, its C++ runtime and zlib inside it included, all take their memory
// from the module's private heap (calloc and realloc beside each platform's
// heap).
#include "recording/module/private_heap.h"

#include <cstring>
#include <new>

extern "C" {
void* malloc(size_t size) { return PrivateAllocate(size); }
char* strdup(const char* text)
{
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(PrivateAllocate(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}
void free(void* block) { PrivateRelease(block); }
}

void* operator new(size_t size) { return PrivateAllocate(size); }
void* operator new[](size_t size) { return PrivateAllocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return PrivateAllocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return PrivateAllocate(size); }
void operator delete(void* block) noexcept { PrivateRelease(block); }
void operator delete[](void* block) noexcept { PrivateRelease(block); }
void operator delete(void* block, size_t) noexcept { PrivateRelease(block); }
void operator delete[](void* block, size_t) noexcept { PrivateRelease(block); }
