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

#include "recording/module/private_heap.h"

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

void* PrivateAllocate(size_t size) { return Allocate(size); }
void PrivateRelease(void* block) { Release(block); }

extern "C" {
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
}
