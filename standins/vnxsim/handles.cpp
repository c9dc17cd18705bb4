// Handle table. A handle encodes a slot index and the slot's generation, so
// using one is O(1) and a closed or made-up handle is recognised without
// being dereferenced. Freed slots are reused oldest first, which keeps a
// stale handle stale for as long as possible.
#include <cstdio>
#include <deque>
#include <vector>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

constexpr uintptr_t kSlotBits = 20;
constexpr uintptr_t kSlotMask = (uintptr_t{1} << kSlotBits) - 1;
constexpr uint16_t kGenerationMask = 0xFFF;  // what fits above the slot in 32 bits
constexpr size_t kMaxSlots = kSlotMask - 1;

std::vector<Slot> g_slots;
std::deque<int32_t> g_free;
int32_t g_open[3] = {0, 0, 0};

uint16_t NextGeneration(uint16_t g)
{
    g = static_cast<uint16_t>((g + 1) & kGenerationMask);
    return g == 0 ? 1 : g;  // generation 0 never appears in a handle
}

}  // namespace

VnxHandle OpenHandle(VnxHandleKind kind, int32_t tag)
{
    int32_t index;
    if (!g_free.empty()) {
        index = g_free.front();
        g_free.pop_front();
    } else {
        if (g_slots.size() >= kMaxSlots) return nullptr;
        g_slots.emplace_back();
        index = static_cast<int32_t>(g_slots.size() - 1);
    }
    Slot& s = g_slots[static_cast<size_t>(index)];
    uint16_t generation = NextGeneration(s.generation);
    s = Slot{};
    s.generation = generation;
    s.kind = static_cast<uint8_t>(kind);
    s.live = true;
    s.tag = tag;
    if (tag >= 0) s.elements = static_cast<int32_t>(TagAt(tag).committed.size());
    ++g_open[kind];
    return HandleAt(index);
}

Slot* FindSlot(VnxHandle h, unsigned kinds)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    uintptr_t low = v & kSlotMask;
    if (low == 0 || (v >> kSlotBits) > kGenerationMask) return nullptr;
    size_t index = low - 1;
    if (index >= g_slots.size()) return nullptr;
    Slot& s = g_slots[index];
    if (!s.live || s.generation != (v >> kSlotBits)) return nullptr;
    if (!(kinds & (1u << s.kind))) return nullptr;
    return &s;
}

int32_t SlotIndexOf(VnxHandle h)
{
    return static_cast<int32_t>((reinterpret_cast<uintptr_t>(h) & kSlotMask) - 1);
}

Slot& SlotAt(int32_t index) { return g_slots[static_cast<size_t>(index)]; }

VnxHandle HandleAt(int32_t index)
{
    const Slot& s = g_slots[static_cast<size_t>(index)];
    uintptr_t v = (uintptr_t{s.generation} << kSlotBits) | (static_cast<uintptr_t>(index) + 1);
    return reinterpret_cast<VnxHandle>(v);
}

void CloseHandle(int32_t index)
{
    Slot& s = g_slots[static_cast<size_t>(index)];
    if (!s.live) return;
    --g_open[s.kind];
    uint16_t generation = s.generation;
    s = Slot{};
    s.generation = generation;
    g_free.push_back(index);
}

int32_t CountOpen(int32_t kind)
{
    if (kind < VNX_KIND_TAG || kind > VNX_KIND_LIST) return -1;
    return g_open[kind];
}

int32_t SlotCount() { return static_cast<int32_t>(g_slots.size()); }

std::string DescribeHandle(VnxHandle h)
{
    if (!h) return "0";
    const Slot* s = FindSlot(h, kTagBit | kItemBit | kListBit);
    if (!s) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "stale:0x%lx",
                      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)));
        return buf;
    }
    switch (s->kind) {
    case VNX_KIND_TAG:
        return "tag:" + TagAt(s->tag).name;
    case VNX_KIND_ITEM:
        return "item:" + TagAt(s->tag).name;
    default:
        return "list:" + std::to_string(s->lst.ordinal);
    }
}

const char* TagNameOf(VnxHandle h)
{
    const Slot* s = FindSlot(h, kTagBit | kItemBit);
    return s ? TagAt(s->tag).name.c_str() : nullptr;
}

void CloseAllHandles()
{
    for (size_t i = 0; i < g_slots.size(); ++i) CloseHandle(static_cast<int32_t>(i));
}

void ResetHandles()
{
    g_slots.clear();
    g_free.clear();
    g_open[0] = g_open[1] = g_open[2] = 0;
}

}  // namespace vnxsim

VNXSIM_API int32_t VnxSimOpenCount(int32_t kind) { return vnxsim::CountOpen(kind); }
