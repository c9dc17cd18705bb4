// Client-library operations on tag lists.
#include "standins/vnxsim/sim_internal.h"

using namespace vnxsim;

namespace {

// The list slot a handle names, or -1 (stale, closed, not a list, API stopped).
int32_t ListIndex(VnxHandle list)
{
    if (!ApiRunning() || !FindSlot(list, kListBit)) return -1;
    return SlotIndexOf(list);
}

VnxHandle ItemHandle(int32_t item) { return item >= 0 ? HandleAt(item) : nullptr; }

// An operation that acts on a whole list and answers a status.
int16_t ActOnList(int32_t op, VnxHandle list, void (*act)(int32_t))
{
    Call call(op);
    if (call.tracing()) call.args = DescribeHandle(list);
    if (Fault f = call.Check(nullptr, list)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    int32_t l = ListIndex(list);
    if (l < 0) return call.Done(VNX_ST_INVALID_HANDLE);
    act(l);
    return call.Done(VNX_ST_OK);
}

// A step of the list's cursor: the item it lands on, or null.
VnxHandle WalkList(int32_t op, VnxHandle list, int32_t (*step)(int32_t))
{
    Call call(op);
    if (call.tracing()) call.args = DescribeHandle(list);
    if (Fault f = call.Check(nullptr, list)) return call.DoneHandle(AsHandle(f.value));
    int32_t l = ListIndex(list);
    if (l < 0) return call.DoneHandle(nullptr);
    return call.DoneHandle(ItemHandle(step(l)));
}

}  // namespace

VnxHandle CreateTagList(void)
{
    Call call(VNX_OP_CreateTagList);
    if (Fault f = call.Check(nullptr)) return call.DoneHandle(AsHandle(f.value));
    if (!ApiRunning()) return call.DoneHandle(nullptr);
    return call.DoneHandle(NewList());
}

VnxHandle AddTagToList(VnxHandle list, const char* name)
{
    Call call(VNX_OP_AddTagToList);
    if (call.tracing()) call.args = DescribeHandle(list) + ", " + FormatName(name);
    if (Fault f = call.Check(name, list)) return call.DoneHandle(AsHandle(f.value));
    int32_t l = ListIndex(list);
    int32_t t = FindTag(name);
    if (l < 0 || t < 0) return call.DoneHandle(nullptr);
    VnxHandle item = OpenHandle(VNX_KIND_ITEM, t);
    if (item) AppendItem(l, SlotIndexOf(item));
    return call.DoneHandle(item);
}

int16_t RemoveTagFromList(VnxHandle list, VnxHandle item)
{
    Call call(VNX_OP_RemoveTagFromList);
    if (call.tracing()) call.args = DescribeHandle(list) + ", " + DescribeHandle(item);
    if (Fault f = call.CheckHandle(item, list)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    int32_t l = ListIndex(list);
    Slot* it = FindSlot(item, kItemBit);
    if (l < 0 || !it) return call.Done(VNX_ST_INVALID_HANDLE);
    // An item of another list, or one already removed.
    if (it->list != l) return call.Done(VNX_ST_INVALID_PARAMETER);
    DetachItem(SlotIndexOf(item));
    return call.Done(VNX_ST_OK);
}

int16_t ListRewind(VnxHandle list) { return ActOnList(VNX_OP_ListRewind, list, RewindList); }

VnxHandle ListFirst(VnxHandle list) { return WalkList(VNX_OP_ListFirst, list, FirstItem); }

VnxHandle ListNext(VnxHandle list) { return WalkList(VNX_OP_ListNext, list, NextItem); }

int16_t ReadTagList(VnxHandle list) { return ActOnList(VNX_OP_ReadTagList, list, SnapshotList); }
