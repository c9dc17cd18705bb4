// The recorder module's memory comes from a heap of its own, never from the
// host's or the process's: a host that accounts for what the module in the
// driver's place allocates (through its imports or its allocator) finds the
// driver's allocations only. The standard allocation functions and the
// global operator new and delete of the module, the C++ runtime and zlib
// inside it included, all come here. Allocation failure shows as a null
// pointer; nothing is thrown.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <new>

namespace {

// Made on the first allocation, which may come before this file's statics.
HANDLE Heap()
{
    static HANDLE heap = nullptr;
    if (!heap) heap = HeapCreate(0, 0, 0);
    return heap;
}

void* Allocate(size_t size, DWORD flags = 0)
{
    HANDLE heap = Heap();
    return heap ? HeapAlloc(heap, flags, size ? size : 1) : nullptr;
}

void Release(void* block)
{
    if (block) HeapFree(Heap(), 0, block);
}

}  // namespace

extern "C" {
void* malloc(size_t size) { return Allocate(size); }
void* calloc(size_t count, size_t size)
{
    if (size && count > static_cast<size_t>(-1) / size) return nullptr;
    return Allocate(count * size, HEAP_ZERO_MEMORY);
}
void* realloc(void* block, size_t size)
{
    if (!block) return Allocate(size);
    if (size == 0) {
        Release(block);
        return nullptr;
    }
    return HeapReAlloc(Heap(), 0, block, size);
}
char* strdup(const char* text)
{
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(Allocate(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}
void free(void* block) { Release(block); }
}

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }
