// Client-library reads: values, data type, IO status and data quality. Items
// answer from the snapshot of their list's last read, tags from the
// committed values.
#include <string>

#include "standins/vnxsim/sim_internal.h"

using namespace vnxsim;

namespace {

bool ElementInRange(const Slot& s, int32_t index) { return index >= 0 && index < s.elements; }

// The value a read answers: the snapshot for items (0 before any list
// read), the committed value for tags.
double ReadValue(const Slot& s, size_t index)
{
    if (s.kind == VNX_KIND_TAG) return TagAt(s.tag).committed[index];
    if (!s.snap.taken || index >= s.snap.values.size()) return 0.0;
    return s.snap.values[index];
}

// An item's per-element condition from its list's last read.
int32_t ReadCondition(int32_t op, VnxHandle item, int32_t index, int32_t Snapshot::*field)
{
    Call call(op);
    if (call.tracing()) call.args = DescribeHandle(item) + ", " + std::to_string(index);
    if (Fault f = call.CheckHandle(item)) return call.DoneInt(f.value);
    Slot* s = ApiRunning() ? FindSlot(item, kItemBit) : nullptr;
    if (!s || !ElementInRange(*s, index)) return call.DoneInt(kBadAnswer);
    return call.DoneInt(s->snap.*field);
}

}  // namespace

int16_t GetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                    int32_t reserved1, int32_t reserved2)
{
    Call call(VNX_OP_GetTagValue);
    int16_t status;
    if (Fault f = call.CheckHandle(item)) {
        status = static_cast<int16_t>(f.value);
    } else if (!ApiRunning()) {
        status = VNX_ST_API_NOT_INITIALIZED;
    } else if (Slot* s = FindSlot(item, kTagBit | kItemBit); !s) {
        status = VNX_ST_INVALID_HANDLE;
    } else if (!buffer) {
        status = VNX_ST_INVALID_POINTER;
    } else if (!IsKnownConversion(conversion)) {
        status = VNX_ST_INVALID_CONVERSION;
    } else if (!ElementInRange(*s, index)) {
        status = VNX_ST_INVALID_PARAMETER;
    } else {
        status = EncodeValue(ReadValue(*s, static_cast<size_t>(index)), conversion, buffer);
    }
    if (call.tracing()) {
        // The buffer shows what was read; "-" when the call wrote nothing.
        std::string value = !buffer               ? "0"
                            : status == VNX_ST_OK ? FormatValue(buffer, conversion)
                                                  : "-";
        call.args = DescribeHandle(item) + ", " + std::to_string(index) + ", " + value + ", " +
                    std::to_string(conversion) + ", " + std::to_string(reserved1) + ", " +
                    std::to_string(reserved2);
    }
    return call.Done(status);
}

int32_t GetTagDataType(VnxHandle item)
{
    Call call(VNX_OP_GetTagDataType);
    if (call.tracing()) call.args = DescribeHandle(item);
    if (Fault f = call.CheckHandle(item)) return call.DoneInt(f.value);
    Slot* s = ApiRunning() ? FindSlot(item, kTagBit | kItemBit) : nullptr;
    if (!s) return call.DoneInt(kBadAnswer);
    return call.DoneInt(TagAt(s->tag).data_type);
}

int32_t GetIOStatus(VnxHandle item, int32_t index)
{
    return ReadCondition(VNX_OP_GetIOStatus, item, index, &Snapshot::io_status);
}

int32_t GetDataQuality(VnxHandle item, int32_t index)
{
    return ReadCondition(VNX_OP_GetDataQuality, item, index, &Snapshot::quality);
}
