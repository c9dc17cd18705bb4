// The recorder module's memory comes from pages of its own, never from the
// process's allocator, which a host may account for or stand in for: the
// host finds the driver's allocations only. The standard allocation
// functions and the global operator new and delete of the module (its C++
// runtime included, which is linked in and kept local with them) all come
// here. Blocks of 2^k bytes (k from 5 to 20) are kept on a free list per
// size, larger ones mapped alone. Allocation failure shows as a null
// pointer; nothing is thrown.
#include <pthread.h>
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "recording/module/private_heap.h"

namespace {

// Before each block: its size class, or kMapped and the mapping's size.
struct alignas(16) Header {
    uint32_t size_class;
    uint32_t mapped_bytes;
};
static_assert(sizeof(Header) == 16, "blocks stay 16-byte aligned");

const uint32_t kMinClass = 5, kMaxClass = 20, kMapped = 255;
const size_t kChunkBytes = size_t{4} << 20;

pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
Header* g_free[kMaxClass + 1];  // the next free block, whose first word links on
char* g_chunk = nullptr;
size_t g_chunk_left = 0;

// Where a free block keeps the next one: its first word after the header.
void* LinkOf(Header* h) { return h + 1; }

void* MapPages(size_t bytes)
{
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

Header* TakeBlock(uint32_t size_class)
{
    const size_t bytes = size_t{1} << size_class;
    if (Header* h = g_free[size_class]) {
        std::memcpy(&g_free[size_class], LinkOf(h), sizeof(Header*));
        return h;
    }
    if (g_chunk_left < bytes) {
        char* chunk = static_cast<char*>(MapPages(kChunkBytes));
        if (!chunk) return nullptr;
        g_chunk = chunk;
        g_chunk_left = kChunkBytes;
    }
    auto* h = reinterpret_cast<Header*>(g_chunk);
    g_chunk += bytes;
    g_chunk_left -= bytes;
    return h;
}

void* Allocate(size_t size)
{
    if (size > SIZE_MAX / 2) return nullptr;
    const size_t total = size + sizeof(Header);
    uint32_t size_class = kMinClass;
    while (size_class <= kMaxClass && (size_t{1} << size_class) < total) ++size_class;
    Header* h = nullptr;
    if (size_class > kMaxClass) {
        const size_t bytes = (total + 4095) & ~size_t{4095};
        h = static_cast<Header*>(MapPages(bytes));
        if (h) *h = Header{kMapped, static_cast<uint32_t>(bytes)};
    } else {
        pthread_mutex_lock(&g_lock);
        h = TakeBlock(size_class);
        pthread_mutex_unlock(&g_lock);
        if (h) *h = Header{size_class, 0};
    }
    return h ? h + 1 : nullptr;
}

Header* HeaderOf(void* block) { return static_cast<Header*>(block) - 1; }

size_t Usable(void* block)
{
    const Header* h = HeaderOf(block);
    return (h->size_class == kMapped ? h->mapped_bytes : size_t{1} << h->size_class) -
           sizeof(Header);
}

void Release(void* block)
{
    if (!block) return;
    Header* h = HeaderOf(block);
    if (h->size_class == kMapped) {
        munmap(h, h->mapped_bytes);
        return;
    }
    pthread_mutex_lock(&g_lock);
    std::memcpy(LinkOf(h), &g_free[h->size_class], sizeof(Header*));
    g_free[h->size_class] = h;
    pthread_mutex_unlock(&g_lock);
}

}  // namespace

void* PrivateAllocate(size_t size) { return Allocate(size); }
void PrivateRelease(void* block) { Release(block); }

extern "C" {
void* calloc(size_t count, size_t size)
{
    if (size && count > SIZE_MAX / size) return nullptr;
    void* block = Allocate(count * size);
    if (block) std::memset(block, 0, count * size);
    return block;
}
void* realloc(void* block, size_t size)
{
    if (!block) return Allocate(size);
    if (size == 0) {
        Release(block);
        return nullptr;
    }
    const size_t usable = Usable(block);
    if (size <= usable) return block;
    void* grown = Allocate(size);
    if (grown) {
        std::memcpy(grown, block, usable);
        Release(block);
    }
    return grown;
}
}
