// Scripted results and the count-down fault.
#include <cstdint>
#include <string>
#include <vector>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

struct Rule {
    int32_t op;
    bool by_name;
    std::string name;
    bool by_list;
    VnxHandle list;
    int32_t result;
    int32_t skip;
    int32_t count;  // -1: unlimited
    int32_t seen = 0;
    int32_t answered = 0;  // calls this rule answered, not only saw
};

std::vector<Rule> g_rules;
int32_t g_countdown = 0;  // 0: disarmed
bool g_fired = false;

bool IsListOp(int32_t op)
{
    return op == VNX_OP_ReadTagList || op == VNX_OP_ListRewind || op == VNX_OP_ListFirst ||
           op == VNX_OP_ListNext || op == VNX_OP_AddTagToList || op == VNX_OP_RemoveTagFromList;
}

int32_t AddRule(Rule rule)
{
    g_rules.push_back(std::move(rule));
    return static_cast<int32_t>(g_rules.size());
}

}  // namespace

bool TickCountdown()
{
    if (g_countdown <= 0) return false;
    if (--g_countdown > 0) return false;
    g_fired = true;
    return true;
}

int32_t CountdownValue(int32_t op)
{
    switch (op) {
    case VNX_OP_OpenTag:
    case VNX_OP_CreateTagList:
    case VNX_OP_AddTagToList:
    case VNX_OP_ListFirst:
    case VNX_OP_ListNext:
        return 0;  // null handle
    case VNX_OP_ServiceEvents:
        return -1;
    case VNX_OP_GetIOStatus:
        return 0;
    case VNX_OP_GetDataQuality:
        return 1;
    case VNX_OP_GetTagDataType:
        return 129;
    case VNX_OP_GetArrayDims:
        return 2;
    case VNX_OP_GetArrayLowerBound:
        return 1;
    case VNX_OP_GetArrayUpperBound:
        return -1;
    default:
        return VNX_ST_FAILURE;
    }
}

bool AnyRules() { return !g_rules.empty(); }

Fault MatchRules(int32_t op, const char* name, VnxHandle list)
{
    Fault answer;
    for (Rule& r : g_rules) {
        if (r.op != op) continue;
        if (r.by_name && (!name || r.name != name)) continue;
        if (r.by_list && r.list != list) continue;
        // Every matching rule counts the call; the earliest active one answers.
        if (r.seen < INT32_MAX) ++r.seen;
        bool active = r.seen > r.skip && (r.count < 0 || r.seen - r.skip <= r.count);
        if (active && !answer.hit) {
            answer.hit = true;
            answer.value = r.result;
            if (r.answered < INT32_MAX) ++r.answered;
        }
    }
    return answer;
}

void ResetFaults()
{
    g_rules.clear();
    g_countdown = 0;
    g_fired = false;
}

}  // namespace vnxsim

using namespace vnxsim;

VNXSIM_API int32_t VnxSimInject(int32_t op, const char* name, int32_t result, int32_t skip,
                                int32_t count)
{
    if (!IsKnownOp(op) || skip < 0 || count < -1) return 0;
    Rule r{op, name != nullptr, name ? name : "", false, nullptr, result, skip, count};
    return AddRule(std::move(r));
}

VNXSIM_API int32_t VnxSimInjectList(int32_t op, VnxHandle list, int32_t result, int32_t skip,
                                    int32_t count)
{
    if (!IsListOp(op) || !list || skip < 0 || count < -1) return 0;
    Rule r{op, false, "", true, list, result, skip, count};
    return AddRule(std::move(r));
}

VNXSIM_API int32_t VnxSimAnswered(int32_t rule)
{
    if (rule < 1 || static_cast<size_t>(rule) > g_rules.size()) return -1;
    return g_rules[static_cast<size_t>(rule) - 1].answered;
}

VNXSIM_API void VnxSimFailNthCall(int32_t n)
{
    g_countdown = n > 0 ? n : 0;
    g_fired = false;
}

VNXSIM_API int32_t VnxSimFaultFired(void) { return g_fired ? 1 : 0; }

VNXSIM_API void VnxSimClearFaults(void) { ResetFaults(); }
