// The host heap: two allocation families over the system allocator, every live
// block tracked so that a bad release is caught and counted instead of handed
// to the system allocator.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "standins/iface/iface_control.h"

namespace {

struct Block {
    size_t size;
    int32_t family;
};

struct Heap {
    std::unordered_map<const void*, Block> blocks;
    IFaceHeapStats stats[2] = {};
    int32_t fail_countdown = 0;  // 0 off, -1 every allocation, n the n-th from now
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
};

// Never destroyed: modules may still release blocks while the process exits.
Heap& TheHeap()
{
    static Heap* heap = new Heap();
    return *heap;
}

// The host calls from one thread; the lock only keeps a stray second thread
// from corrupting the table.
class HeapLock {
public:
    explicit HeapLock(Heap& heap) : heap_(heap)
    {
        while (heap_.busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~HeapLock() { heap_.busy.clear(std::memory_order_release); }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;

private:
    Heap& heap_;
};

const char* AllocName(int32_t family)
{
    return family == IFACE_FAMILY_NEW ? "IFace_new" : "IFace_malloc";
}

bool TakeInjectedFailure(Heap& heap)
{
    if (heap.fail_countdown < 0) return true;
    if (heap.fail_countdown == 0) return false;
    return --heap.fail_countdown == 0;
}

// Counts and reports a release of a block that is not live in this family.
// Returns the block's entry when the release is sound.
Block* FindForRelease(Heap& heap, const void* block, int32_t family, const char* caller)
{
    auto it = heap.blocks.find(block);
    if (it == heap.blocks.end()) {
        heap.stats[family].bad_releases++;
        std::fprintf(stderr, "iface: %s(%p): not a live block (unknown or already released)\n",
                     caller, block);
        return nullptr;
    }
    if (it->second.family != family) {
        heap.stats[family].bad_releases++;
        std::fprintf(stderr, "iface: %s(%p): block of %s released through the wrong family\n",
                     caller, block, AllocName(it->second.family));
        return nullptr;
    }
    return &it->second;
}

// With the lock held. Zero-sized requests still get a block of their own.
void* AllocateLocked(Heap& heap, size_t size, int32_t family, bool zeroed)
{
    IFaceHeapStats& stats = heap.stats[family];
    if (TakeInjectedFailure(heap)) {
        stats.failures++;
        return nullptr;
    }
    size_t real = size ? size : 1;
    void* block = zeroed ? std::calloc(1, real) : std::malloc(real);
    if (!block) {
        stats.failures++;
        return nullptr;
    }
    heap.blocks[block] = Block{size, family};
    stats.allocations++;
    stats.live_blocks++;
    stats.live_bytes += static_cast<int32_t>(size);
    return block;
}

void* Allocate(size_t size, int32_t family, bool zeroed)
{
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    return AllocateLocked(heap, size, family, zeroed);
}

void Release(void* block, int32_t family, const char* caller)
{
    if (!block) return;
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    Block* entry = FindForRelease(heap, block, family, caller);
    if (!entry) return;
    IFaceHeapStats& stats = heap.stats[family];
    stats.releases++;
    stats.live_blocks--;
    stats.live_bytes -= static_cast<int32_t>(entry->size);
    heap.blocks.erase(block);
    std::free(block);
}

}  // namespace

extern "C" {

IFACE_API void* IFace_malloc(size_t size) { return Allocate(size, IFACE_FAMILY_MALLOC, false); }

IFACE_API void* IFace_calloc(size_t count, size_t size)
{
    if (size != 0 && count > static_cast<size_t>(-1) / size) {
        Heap& heap = TheHeap();
        HeapLock lock(heap);
        heap.stats[IFACE_FAMILY_MALLOC].failures++;
        return nullptr;
    }
    return Allocate(count * size, IFACE_FAMILY_MALLOC, true);
}

// Always moves the block, so a caller that keeps the old pointer is caught early.
// On failure the old block stays as it was.
IFACE_API void* IFace_realloc(void* block, size_t size)
{
    if (!block) return IFace_malloc(size);
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    Block* entry = FindForRelease(heap, block, IFACE_FAMILY_MALLOC, "IFace_realloc");
    if (!entry) return nullptr;
    size_t old_size = entry->size;
    void* moved = AllocateLocked(heap, size, IFACE_FAMILY_MALLOC, false);
    if (!moved) return nullptr;
    std::memcpy(moved, block, old_size < size ? old_size : size);
    IFaceHeapStats& stats = heap.stats[IFACE_FAMILY_MALLOC];
    stats.releases++;
    stats.live_blocks--;
    stats.live_bytes -= static_cast<int32_t>(old_size);
    heap.blocks.erase(block);
    std::free(block);
    return moved;
}

IFACE_API char* IFace_strdup(const char* text)
{
    if (!text) return nullptr;
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(IFace_malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

IFACE_API size_t IFace__msize(void* block)
{
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    auto it = heap.blocks.find(block);
    if (it == heap.blocks.end() || it->second.family != IFACE_FAMILY_MALLOC) return 0;
    return it->second.size;
}

IFACE_API void IFace_free(void* block) { Release(block, IFACE_FAMILY_MALLOC, "IFace_free"); }

IFACE_API void* IFace_new(size_t size) { return Allocate(size, IFACE_FAMILY_NEW, false); }

IFACE_API void IFace_delete(void* block) { Release(block, IFACE_FAMILY_NEW, "IFace_delete"); }

IFACE_API void IFaceHeapGetStats(int32_t family, IFaceHeapStats* stats)
{
    if (!stats) return;
    *stats = IFaceHeapStats{};
    if (family != IFACE_FAMILY_MALLOC && family != IFACE_FAMILY_NEW) return;
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    *stats = heap.stats[family];
}

IFACE_API void IFaceHeapResetCounters(void)
{
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    for (IFaceHeapStats& stats : heap.stats) {
        stats.allocations = 0;
        stats.releases = 0;
        stats.failures = 0;
        stats.bad_releases = 0;
    }
}

IFACE_API void IFaceHeapFailAllocation(int32_t n)
{
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    heap.fail_countdown = n < 0 ? -1 : n;
}

IFACE_API int32_t IFaceHeapBlockInfo(const void* block, int32_t* family, size_t* size)
{
    Heap& heap = TheHeap();
    HeapLock lock(heap);
    auto it = heap.blocks.find(block);
    if (it == heap.blocks.end()) return 0;
    if (family) *family = it->second.family;
    if (size) *size = it->second.size;
    return 1;
}

}  // extern "C"
