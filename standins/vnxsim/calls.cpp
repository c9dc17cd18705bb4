// Accounting for client-library calls: counters, the count-down, the trace
// line and the hook. Counters are always on; the trace costs one branch
// when it is off.
#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

int32_t g_total = 0;
int32_t g_per_op[VNX_OP_MAX] = {};
VnxSimCallHook g_hook = nullptr;
void* g_hook_user = nullptr;
bool g_in_hook = false;
VnxSimWriteObserver g_observer = nullptr;
void* g_observer_user = nullptr;

// A hook that calls the library itself must not recurse into itself.
void RunHook(int32_t op, int32_t number)
{
    if (!g_hook || g_in_hook) return;
    g_in_hook = true;
    g_hook(op, number, g_hook_user);
    g_in_hook = false;
}

}  // namespace

const char* OpName(int32_t op)
{
    switch (op) {
    case VNX_OP_DataServicesStartup:
        return "DataServicesStartup";
    case VNX_OP_DataServicesShutdown:
        return "DataServicesShutdown";
    case VNX_OP_ServiceEvents:
        return "ServiceEvents";
    case VNX_OP_OpenTag:
        return "OpenTag";
    case VNX_OP_CloseTag:
        return "CloseTag";
    case VNX_OP_ValidateTagName:
        return "ValidateTagName";
    case VNX_OP_CreateTagList:
        return "CreateTagList";
    case VNX_OP_AddTagToList:
        return "AddTagToList";
    case VNX_OP_RemoveTagFromList:
        return "RemoveTagFromList";
    case VNX_OP_ListRewind:
        return "ListRewind";
    case VNX_OP_ListFirst:
        return "ListFirst";
    case VNX_OP_ListNext:
        return "ListNext";
    case VNX_OP_GetTagValue:
        return "GetTagValue";
    case VNX_OP_GetTagDataType:
        return "GetTagDataType";
    case VNX_OP_GetIOStatus:
        return "GetIOStatus";
    case VNX_OP_GetDataQuality:
        return "GetDataQuality";
    case VNX_OP_SetTagValue:
        return "SetTagValue";
    case VNX_OP_GetTagStatus:
        return "GetTagStatus";
    case VNX_OP_ReadTagList:
        return "ReadTagList";
    case VNX_OP_SendTag:
        return "SendTag";
    case VNX_OP_ApiStartup:
        return "ApiStartup";
    case VNX_OP_ApiShutdown:
        return "ApiShutdown";
    case VNX_OP_GetArrayDims:
        return "GetArrayDims";
    case VNX_OP_GetArrayLowerBound:
        return "GetArrayLowerBound";
    case VNX_OP_GetArrayUpperBound:
        return "GetArrayUpperBound";
    case VNX_OP_SetArrayElement:
        return "SetArrayElement";
    default:
        return nullptr;
    }
}

bool IsKnownOp(int32_t op) { return OpName(op) != nullptr; }

Call::Call(int32_t op) : op_(op), tracing_(TraceOn())
{
    if (g_total < INT32_MAX) ++g_total;
    if (g_per_op[op] < INT32_MAX) ++g_per_op[op];
    number_ = g_total;
    countdown_ = TickCountdown();
}

Fault Call::Check(const char* name, VnxHandle list)
{
    if (countdown_) return Fault{true, CountdownValue(op_)};
    if (!AnyRules()) return Fault{};
    return MatchRules(op_, name, list);
}

Fault Call::CheckHandle(VnxHandle h, VnxHandle list)
{
    if (countdown_) return Fault{true, CountdownValue(op_)};
    if (!AnyRules()) return Fault{};
    return MatchRules(op_, TagNameOf(h), list);
}

void Call::Finish(const std::string& result)
{
    AppendTrace(std::string(OpName(op_)) + "(" + args + ") = " + result);
}

int16_t Call::Done(int16_t status)
{
    if (tracing_) Finish(std::to_string(status));
    RunHook(op_, number_);
    return status;
}

int32_t Call::DoneInt(int32_t value)
{
    if (tracing_) Finish(std::to_string(value));
    RunHook(op_, number_);
    return value;
}

VnxHandle Call::DoneHandle(VnxHandle h)
{
    if (tracing_) Finish(DescribeHandle(h));
    RunHook(op_, number_);
    return h;
}

void ObserveWrite(const Tag& tag, size_t index, int32_t conversion, double value)
{
    if (g_observer)
        g_observer(tag.name.c_str(), static_cast<int32_t>(index), conversion, value,
                   g_observer_user);
}

void ResetCalls()
{
    g_total = 0;
    for (int32_t& n : g_per_op) n = 0;
    g_hook = nullptr;
    g_hook_user = nullptr;
    g_in_hook = false;
    g_observer = nullptr;
    g_observer_user = nullptr;
}

}  // namespace vnxsim

using namespace vnxsim;

VNXSIM_API int32_t VnxSimCallsTotal(void) { return g_total; }

VNXSIM_API int32_t VnxSimCallCount(int32_t op)
{
    return op >= 0 && op < VNX_OP_MAX ? g_per_op[op] : 0;
}

VNXSIM_API void VnxSimSetCallHook(VnxSimCallHook hook, void* user)
{
    g_hook = hook;
    g_hook_user = user;
}

VNXSIM_API void VnxSimSetWriteObserver(VnxSimWriteObserver observer, void* user)
{
    g_observer = observer;
    g_observer_user = user;
}
