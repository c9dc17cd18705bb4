// Client-library operations on tag handles: names, open and close, status,
// staged writes and their commit, array shape.
#include <string>

#include "standins/vnxsim/sim_internal.h"

using namespace vnxsim;

namespace {

// Shared checks of the two staging writes; 0 when the write may go ahead.
int16_t CheckWrite(const void* value, int32_t count, int32_t conversion)
{
    if (!value) return VNX_ST_INVALID_POINTER;
    if (!IsKnownConversion(conversion)) return VNX_ST_INVALID_CONVERSION;
    if (count != 1) return VNX_ST_INVALID_PARAMETER;
    return VNX_ST_OK;
}

void Stage(Tag& tag, size_t index, const void* value, int32_t conversion)
{
    double v = 0.0;
    DecodeValue(value, conversion, &v);
    tag.staged[index] = StoreAs(tag, v);
    tag.staged_set[index] = 1;
    ObserveWrite(tag, index, conversion, v);
}

}  // namespace

int16_t ValidateTagName(const char* name)
{
    Call call(VNX_OP_ValidateTagName);
    if (call.tracing()) call.args = FormatName(name);
    if (Fault f = call.Check(name)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    if (!name) return call.Done(VNX_ST_INVALID_POINTER);
    return call.Done(IsValidTagName(name) ? VNX_ST_OK : VNX_ST_TAG_NAME_INVALID);
}

VnxHandle OpenTag(const char* name)
{
    Call call(VNX_OP_OpenTag);
    if (call.tracing()) call.args = FormatName(name);
    if (Fault f = call.Check(name)) return call.DoneHandle(AsHandle(f.value));
    if (!ApiRunning()) return call.DoneHandle(nullptr);
    int32_t t = FindTag(name);
    if (t < 0) return call.DoneHandle(nullptr);
    return call.DoneHandle(OpenHandle(VNX_KIND_TAG, t));
}

int16_t CloseTag(VnxHandle tag_or_item)
{
    Call call(VNX_OP_CloseTag);
    // Described before the close, which makes the handle stale.
    if (call.tracing()) call.args = DescribeHandle(tag_or_item);
    if (Fault f = call.CheckHandle(tag_or_item)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    Slot* s = FindSlot(tag_or_item, kTagBit | kItemBit);
    if (!s) return call.Done(VNX_ST_INVALID_HANDLE);
    int32_t index = SlotIndexOf(tag_or_item);
    if (s->kind == VNX_KIND_ITEM) DetachItem(index);
    CloseHandle(index);
    return call.Done(VNX_ST_OK);
}

int16_t GetTagStatus(VnxHandle tag)
{
    Call call(VNX_OP_GetTagStatus);
    if (call.tracing()) call.args = DescribeHandle(tag);
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    Slot* s = FindSlot(tag, kTagBit | kItemBit);
    if (!s) return call.Done(VNX_ST_INVALID_HANDLE);
    return call.Done(TagAt(s->tag).tag_status);
}

int16_t SetTagValue(VnxHandle tag, int32_t count, const void* value, int32_t conversion)
{
    Call call(VNX_OP_SetTagValue);
    if (call.tracing()) {
        call.args = DescribeHandle(tag) + ", " + std::to_string(count) + ", " +
                    FormatValue(value, conversion) + ", " + std::to_string(conversion);
    }
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    Slot* s = FindSlot(tag, kTagBit);
    if (!s) return call.Done(VNX_ST_INVALID_HANDLE);
    if (int16_t st = CheckWrite(value, count, conversion)) return call.Done(st);
    Tag& t = TagAt(s->tag);
    // On an array the single value goes to the first element.
    if (t.committed.empty()) return call.Done(VNX_ST_INVALID_PARAMETER);
    Stage(t, 0, value, conversion);
    return call.Done(VNX_ST_OK);
}

int16_t SetArrayElement(VnxHandle tag, int32_t index, int32_t count, const void* value,
                        int32_t conversion)
{
    Call call(VNX_OP_SetArrayElement);
    if (call.tracing()) {
        call.args = DescribeHandle(tag) + ", " + std::to_string(index) + ", " +
                    std::to_string(count) + ", " + FormatValue(value, conversion) + ", " +
                    std::to_string(conversion);
    }
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    Slot* s = FindSlot(tag, kTagBit);
    if (!s) return call.Done(VNX_ST_INVALID_HANDLE);
    Tag& t = TagAt(s->tag);
    if (!t.is_array) return call.Done(VNX_ST_NOT_ARRAY);
    if (int16_t st = CheckWrite(value, count, conversion)) return call.Done(st);
    if (index < 0 || static_cast<size_t>(index) >= t.committed.size()) {
        return call.Done(VNX_ST_INVALID_PARAMETER);
    }
    Stage(t, static_cast<size_t>(index), value, conversion);
    return call.Done(VNX_ST_OK);
}

int16_t SendTag(VnxHandle tag)
{
    Call call(VNX_OP_SendTag);
    if (call.tracing()) call.args = DescribeHandle(tag);
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    if (!ApiRunning()) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    Slot* s = FindSlot(tag, kTagBit);
    if (!s) return call.Done(VNX_ST_INVALID_HANDLE);
    int32_t index = s->tag;
    Tag& t = TagAt(index);
    for (size_t i = 0; i < t.committed.size(); ++i) {
        if (!t.staged_set[i]) continue;
        t.committed[i] = t.staged[i];
        t.staged_set[i] = 0;
    }
    if (t.sends < INT32_MAX) ++t.sends;
    OnCommit(index);
    return call.Done(VNX_ST_OK);
}

int16_t GetArrayDims(VnxHandle tag)
{
    Call call(VNX_OP_GetArrayDims);
    if (call.tracing()) call.args = DescribeHandle(tag);
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    Slot* s = ApiRunning() ? FindSlot(tag, kTagBit) : nullptr;
    if (!s) return call.Done(Status(kBadAnswer));
    return call.Done(TagAt(s->tag).dims);
}

int16_t GetArrayLowerBound(VnxHandle tag, int32_t dimension)
{
    Call call(VNX_OP_GetArrayLowerBound);
    if (call.tracing()) call.args = DescribeHandle(tag) + ", " + std::to_string(dimension);
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    Slot* s = ApiRunning() ? FindSlot(tag, kTagBit) : nullptr;
    if (!s) return call.Done(Status(kBadAnswer));
    const Tag& t = TagAt(s->tag);
    return call.Done(t.is_array && dimension == 1 ? t.lower : int16_t{0});
}

int16_t GetArrayUpperBound(VnxHandle tag, int32_t dimension)
{
    Call call(VNX_OP_GetArrayUpperBound);
    if (call.tracing()) call.args = DescribeHandle(tag) + ", " + std::to_string(dimension);
    if (Fault f = call.CheckHandle(tag)) return call.Done(Status(f.value));
    Slot* s = ApiRunning() ? FindSlot(tag, kTagBit) : nullptr;
    if (!s) return call.Done(Status(kBadAnswer));
    const Tag& t = TagAt(s->tag);
    return call.Done(t.is_array && dimension == 1 ? t.upper : int16_t{0});
}
