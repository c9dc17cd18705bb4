#include "dcshost/control/control_api.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <link.h>
#endif

#include <type_traits>

namespace {

#if defined(_WIN32)
// The driver imports the client library by ordinal only: so does dcshost.
const char kClientLibrary[] = "VNXAPIWX.dll";

void* FindLoaded(std::string& path)
{
    HMODULE module = nullptr;
    // Counted: the library stays while the table points into it.
    if (!GetModuleHandleExA(0, kClientLibrary, &module)) return nullptr;
    char file[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(module, file, sizeof file);
    path.assign(file, n < sizeof file ? n : 0);
    return module;
}

void Release(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

void* FindSymbol(void* module, const char* name, int ordinal)
{
    const char* key = ordinal ? MAKEINTRESOURCEA(ordinal) : name;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), key));
}
#else
// The driver's dependency by its soname.
const char kClientLibrary[] = "libVNXAPIWX.so";

void* FindLoaded(std::string& path)
{
    void* module = dlopen(kClientLibrary, RTLD_NOW | RTLD_NOLOAD);
    link_map* map = nullptr;
    if (module && dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
        path = map->l_name;
    return module;
}

void Release(void* module) { dlclose(module); }

void* FindSymbol(void* module, const char* name, int /*ordinal*/) { return dlsym(module, name); }
#endif

// A control API the library lacks: every call answers 0 and does nothing.
template <typename F>
struct Absent;
template <typename R, typename... A>
struct Absent<R (*)(A...)> {
    static R Call(A...) { return R(); }
};

template <typename F>
bool Resolve(void* module, const char* name, int ordinal, F& slot)
{
    // Function and data pointers have the same size on both targets.
    slot = reinterpret_cast<F>(FindSymbol(module, name, ordinal));
    return slot != nullptr;
}

// Each entry of the control API with its name.
template <typename Visit>
void EachControlEntry(ControlApi& t, Visit&& visit)
{
    visit("VnxSimReset", t.VnxSimReset);
    visit("VnxSimDefineFloat", t.VnxSimDefineFloat);
    visit("VnxSimDefineInt", t.VnxSimDefineInt);
    visit("VnxSimDefineArray", t.VnxSimDefineArray);
    visit("VnxSimDefinePid", t.VnxSimDefinePid);
    visit("VnxSimSetPidPhase", t.VnxSimSetPidPhase);
    visit("VnxSimSetFloat", t.VnxSimSetFloat);
    visit("VnxSimSetInt", t.VnxSimSetInt);
    visit("VnxSimGetFloat", t.VnxSimGetFloat);
    visit("VnxSimGetInt", t.VnxSimGetInt);
    visit("VnxSimSetIOStatus", t.VnxSimSetIOStatus);
    visit("VnxSimSetQuality", t.VnxSimSetQuality);
    visit("VnxSimSetTagStatus", t.VnxSimSetTagStatus);
    visit("VnxSimInject", t.VnxSimInject);
    visit("VnxSimAnswered", t.VnxSimAnswered);
    visit("VnxSimRestart", t.VnxSimRestart);
    visit("VnxSimClearFaults", t.VnxSimClearFaults);
    visit("VnxSimOpenCount", t.VnxSimOpenCount);
    visit("VnxSimTraceEnable", t.VnxSimTraceEnable);
    visit("VnxSimTraceClear", t.VnxSimTraceClear);
    visit("VnxSimTraceCount", t.VnxSimTraceCount);
    visit("VnxSimTraceLine", t.VnxSimTraceLine);
    visit("VnxSimAdvance", t.VnxSimAdvance);
    visit("VnxSimSetCallHook", t.VnxSimSetCallHook);
    visit("VnxSimSetWriteObserver", t.VnxSimSetWriteObserver);
}

void StubControlApi(ControlApi& t)
{
    EachControlEntry(t, [](const char*, auto& slot) {
        slot = &Absent<std::remove_reference_t<decltype(slot)>>::Call;
    });
}

// Every entry of the control API, or none: a partial one is not taken for
// the simulated control system.
bool ResolveControlApi(void* module, ControlApi& t)
{
    bool all = true;
    EachControlEntry(t,
                     [&](const char* name, auto& slot) { all &= Resolve(module, name, 0, slot); });
    if (!all) StubControlApi(t);
    return all;
}

// The ordinals are the client library's own (dcs/vendor/vnxapi.h).
const char* ResolveClientOps(void* module, ControlApi& t)
{
    struct {
        bool ok;
        const char* name;
    } ops[] = {
        {Resolve(module, "ApiStartup", 57, t.ApiStartup), "ApiStartup"},
        {Resolve(module, "DataServicesStartup", 2, t.DataServicesStartup), "DataServicesStartup"},
        {Resolve(module, "DataServicesShutdown", 3, t.DataServicesShutdown),
         "DataServicesShutdown"},
        {Resolve(module, "ApiShutdown", 58, t.ApiShutdown), "ApiShutdown"},
        {Resolve(module, "ValidateTagName", 10, t.ValidateTagName), "ValidateTagName"},
        {Resolve(module, "OpenTag", 6, t.OpenTag), "OpenTag"},
        {Resolve(module, "CloseTag", 7, t.CloseTag), "CloseTag"},
        {Resolve(module, "GetTagStatus", 38, t.GetTagStatus), "GetTagStatus"},
        {Resolve(module, "GetTagDataType", 31, t.GetTagDataType), "GetTagDataType"},
        {Resolve(module, "GetArrayDims", 106, t.GetArrayDims), "GetArrayDims"},
    };
    for (const auto& op : ops)
        if (!op.ok) return op.name;
    return nullptr;
}

ControlApi Unbound()
{
    ControlApi t{};
    StubControlApi(t);
    return t;
}

ControlApi table = Unbound();
void* bound_module = nullptr;

}  // namespace

bool BindControlApi(std::string& error)
{
    std::string path;
    void* module = FindLoaded(path);
    if (!module) {
        error = std::string("no client library ") + kClientLibrary + " is loaded";
        return false;
    }
    ControlApi fresh{};
    fresh.path = path;
    fresh.live = !ResolveControlApi(module, fresh);
    if (const char* missing = ResolveClientOps(module, fresh)) {
        error = "the client library " + path + " lacks " + missing;
        Release(module);
        return false;
    }
    if (bound_module) Release(bound_module);
    bound_module = module;
    table = fresh;
    return true;
}

const ControlApi& Vnx()
{
    if (!bound_module) {
        std::string ignored;
        BindControlApi(ignored);
    }
    return table;
}
