// The API run: start-up, data services, event servicing and shutdown.
#include <cstring>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

bool g_running = false;
uint32_t g_runs = 0;  // the context value names the run it was issued in

}  // namespace

bool ApiRunning() { return g_running; }

void ResetRun()
{
    g_running = false;
    g_runs = 0;
}

}  // namespace vnxsim

using namespace vnxsim;

int16_t ApiStartup(void)
{
    Call call(VNX_OP_ApiStartup);
    if (Fault f = call.Check(nullptr)) return call.Done(static_cast<int16_t>(f.value));
#ifdef VNXSIM_FILE_BACKED
    if (int16_t status = LoadTagFile()) return call.Done(status);
#endif
    if (!g_running) {
        g_running = true;
        ++g_runs;
    }
    return call.Done(VNX_ST_OK);
}

int16_t DataServicesStartup(void* context_slot)
{
    Call call(VNX_OP_DataServicesStartup);
    if (call.tracing()) call.args = context_slot ? "slot" : "0";
    if (Fault f = call.Check(nullptr)) return call.Done(static_cast<int16_t>(f.value));
    if (!g_running) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    if (!context_slot) return call.Done(VNX_ST_INVALID_POINTER);
    uint32_t context = 0x564E0000u | (g_runs & 0xFFFFu);
    std::memcpy(context_slot, &context, sizeof context);
    return call.Done(VNX_ST_OK);
}

int32_t ServiceEvents(void)
{
    Call call(VNX_OP_ServiceEvents);
    if (Fault f = call.Check(nullptr)) return call.DoneInt(f.value);
    if (!g_running) return call.DoneInt(VNX_ST_API_NOT_INITIALIZED);
    return call.DoneInt(VNX_ST_OK);
}

int16_t DataServicesShutdown(void)
{
    Call call(VNX_OP_DataServicesShutdown);
    if (Fault f = call.Check(nullptr)) return call.Done(static_cast<int16_t>(f.value));
    if (!g_running) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    return call.Done(VNX_ST_OK);
}

int16_t ApiShutdown(void)
{
    Call call(VNX_OP_ApiShutdown);
    if (Fault f = call.Check(nullptr)) return call.Done(static_cast<int16_t>(f.value));
    if (!g_running) return call.Done(VNX_ST_API_NOT_INITIALIZED);
    StaleAllLists();
    g_running = false;
    return call.Done(VNX_ST_OK);
}

VNXSIM_API int32_t VnxSimApiRunning(void) { return g_running ? 1 : 0; }
