// Tag names to tag indexes: open addressing over a power-of-two table of
// (hash, tag) pairs, at most half full. A lookup reads one entry and the name
// of the one tag whose hash matches; a node-based map reads three or four
// scattered blocks, which at 14,000 tags is most of what binding costs here.
// Tags are only ever added (VnxSimReset forgets them all), so nothing is removed.
#include <functional>
#include <vector>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

struct Entry {
    uint32_t hash = 0;
    int32_t tag = -1;  // -1: empty
};

std::vector<Entry> g_entries;
size_t g_used = 0;

uint32_t HashName(std::string_view name)
{
    return static_cast<uint32_t>(std::hash<std::string_view>{}(name));
}

void Place(std::vector<Entry>& table, Entry entry)
{
    const size_t mask = table.size() - 1;
    size_t i = entry.hash & mask;
    while (table[i].tag >= 0) i = (i + 1) & mask;
    table[i] = entry;
}

void Grow()
{
    std::vector<Entry> table(g_entries.empty() ? 64 : g_entries.size() * 2);
    for (const Entry& e : g_entries) {
        if (e.tag >= 0) Place(table, e);
    }
    g_entries.swap(table);
}

}  // namespace

int32_t LookUpName(std::string_view name)
{
    if (g_entries.empty()) return -1;
    const uint32_t hash = HashName(name);
    const size_t mask = g_entries.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Entry& e = g_entries[i];
        if (e.tag < 0) return -1;
        if (e.hash == hash && TagAt(e.tag).name == name) return e.tag;
    }
}

void IndexName(std::string_view name, int32_t tag)
{
    if ((g_used + 1) * 2 > g_entries.size()) Grow();
    Place(g_entries, Entry{HashName(name), tag});
    ++g_used;
}

void ResetNameIndex()
{
    g_entries.clear();
    g_entries.shrink_to_fit();
    g_used = 0;
}

}  // namespace vnxsim
