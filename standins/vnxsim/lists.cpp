// Tag lists: items linked in insertion order, an iteration cursor that
// survives removal of the current item, and the snapshot a list read takes.
#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

int32_t g_lists_created = 0;  // numbers lists in the trace

}  // namespace

VnxHandle NewList()
{
    VnxHandle h = OpenHandle(VNX_KIND_LIST, -1);
    if (h) SlotAt(SlotIndexOf(h)).lst.ordinal = ++g_lists_created;
    return h;
}

void AppendItem(int32_t list, int32_t item)
{
    ListState& l = SlotAt(list).lst;
    Slot& it = SlotAt(item);
    it.list = list;
    it.prev = l.tail;
    it.next = -1;
    if (l.tail >= 0)
        SlotAt(l.tail).next = item;
    else
        l.head = item;
    l.tail = item;
    ++l.count;
}

void DetachItem(int32_t item)
{
    Slot& it = SlotAt(item);
    if (it.list < 0) return;
    ListState& l = SlotAt(it.list).lst;
    // The cursor steps back, so the next ListNext yields what followed.
    if (l.cursor == item) l.cursor = it.prev >= 0 ? it.prev : kBeforeFirst;
    if (it.prev >= 0)
        SlotAt(it.prev).next = it.next;
    else
        l.head = it.next;
    if (it.next >= 0)
        SlotAt(it.next).prev = it.prev;
    else
        l.tail = it.prev;
    --l.count;
    it.list = it.prev = it.next = -1;
}

void RewindList(int32_t list) { SlotAt(list).lst.cursor = kBeforeFirst; }

int32_t FirstItem(int32_t list)
{
    ListState& l = SlotAt(list).lst;
    l.cursor = l.head >= 0 ? l.head : kPastEnd;
    return l.head;
}

int32_t NextItem(int32_t list)
{
    ListState& l = SlotAt(list).lst;
    int32_t next;
    if (l.cursor == kBeforeFirst)
        next = l.head;
    else if (l.cursor == kPastEnd)
        next = -1;
    else
        next = SlotAt(l.cursor).next;
    l.cursor = next >= 0 ? next : kPastEnd;
    return next;
}

void SnapshotList(int32_t list)
{
    for (int32_t i = SlotAt(list).lst.head; i >= 0; i = SlotAt(i).next) {
        Slot& it = SlotAt(i);
        const Tag& tag = TagAt(it.tag);
        it.snap.taken = true;
        it.snap.values.CopyFrom(tag.committed);
        it.snap.io_status = tag.io_status;
        it.snap.quality = tag.quality;
    }
}

void StaleAllLists()
{
    int32_t n = SlotCount();
    for (int32_t i = 0; i < n; ++i) {
        Slot& s = SlotAt(i);
        if (!s.live || s.kind != VNX_KIND_LIST) continue;
        while (s.lst.head >= 0) DetachItem(s.lst.head);
        CloseHandle(i);
    }
}

void ResetLists() { g_lists_created = 0; }

}  // namespace vnxsim
