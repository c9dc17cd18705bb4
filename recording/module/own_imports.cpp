// The driver's calls to its neighbours, passed on through this module's own
// imports: what a host did to the module's imports (a box made a log line,
// a sleep shortened) reaches the driver's calls as it would with the driver
// in the module's place. Each caller calls its import afresh, so a slot the
// host points elsewhere later is followed too.
#include "recording/module/own_imports.h"

#include <cstdarg>
#include <cstdint>

#include "dcs/host/iface.h"
#include "dcs/host/platform_ui.h"
#include "dcs/vendor/vnxapi.h"
#include "recording/recorder/message_args.h"

namespace {

#define OWN(name, result, params, args) \
  result VNXCALL Own##name params { return ::name args; }

OWN(ApiStartup, int16_t, (), ())
OWN(DataServicesStartup, int16_t, (void* slot), (slot))
OWN(ServiceEvents, int32_t, (), ())
OWN(DataServicesShutdown, int16_t, (), ())
OWN(ApiShutdown, int16_t, (), ())
OWN(ValidateTagName, int16_t, (const char* name), (name))
OWN(OpenTag, VnxHandle, (const char* name), (name))
OWN(CloseTag, int16_t, (VnxHandle tag), (tag))
OWN(GetTagStatus, int16_t, (VnxHandle tag), (tag))
OWN(SetTagValue, int16_t, (VnxHandle tag, int32_t n, const void* v, int32_t conversion),
    (tag, n, v, conversion))
OWN(SetArrayElement, int16_t,
    (VnxHandle tag, int32_t index, int32_t n, const void* v, int32_t conversion),
    (tag, index, n, v, conversion))
OWN(SendTag, int16_t, (VnxHandle tag), (tag))
OWN(CreateTagList, VnxHandle, (), ())
OWN(AddTagToList, VnxHandle, (VnxHandle list, const char* name), (list, name))
OWN(RemoveTagFromList, int16_t, (VnxHandle list, VnxHandle item), (list, item))
OWN(ListRewind, int16_t, (VnxHandle list), (list))
OWN(ListFirst, VnxHandle, (VnxHandle list), (list))
OWN(ListNext, VnxHandle, (VnxHandle list), (list))
OWN(ReadTagList, int16_t, (VnxHandle list), (list))
OWN(GetTagValue, int16_t,
    (VnxHandle item, int32_t i, void* buffer, int32_t c, int32_t r1, int32_t r2),
    (item, i, buffer, c, r1, r2))
OWN(GetTagDataType, int32_t, (VnxHandle item), (item))
OWN(GetIOStatus, int32_t, (VnxHandle item, int32_t index), (item, index))
OWN(GetDataQuality, int32_t, (VnxHandle item, int32_t index), (item, index))
OWN(GetArrayDims, int16_t, (VnxHandle tag), (tag))
OWN(GetArrayLowerBound, int16_t, (VnxHandle tag, int32_t dimension), (tag, dimension))
OWN(GetArrayUpperBound, int16_t, (VnxHandle tag, int32_t dimension), (tag, dimension))

// The arguments the key takes, as the recorder decoded them; for a key
// outside the catalogue the same four words the recorder passes on.
void OwnErrorMsg(const char* key, ...)
{
    va_list ap;
    va_start(ap, key);
    const MessageArgValues args = ReadMessageArgs(FindMessageKey(key), ap);
    if (!args.entry) {
        uint32_t w[4];
        for (uint32_t& word : w) word = va_arg(ap, uint32_t);
        ::ErrorMsg(key, w[0], w[1], w[2], w[3]);
    } else {
        PassMessage([](const char* k, auto... a) { ::ErrorMsg(k, a...); }, key, args);
    }
    va_end(ap);
}

#if defined(_WIN32)
int WINAPI OwnMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption, type);
}
void WINAPI OwnSleep(DWORD milliseconds) { ::Sleep(milliseconds); }
#else
int OwnMessageBoxA(void* owner, const char* text, const char* caption, unsigned int type)
{
    return ::MessageBoxA(owner, text, caption, type);
}
void OwnSleep(uint32_t milliseconds) { ::Sleep(milliseconds); }
#endif

template <typename Fn>
void* Address(Fn fn)
{
    return reinterpret_cast<void*>(fn);
}

static_assert(CF_COUNT == 26, "one caller per client function");
// The client functions by ClientFunction.
const NeighbourCalls kOwnImports = {
    {Address(&OwnApiStartup),
     Address(&OwnDataServicesStartup),
     Address(&OwnServiceEvents),
     Address(&OwnDataServicesShutdown),
     Address(&OwnApiShutdown),
     Address(&OwnValidateTagName),
     Address(&OwnOpenTag),
     Address(&OwnCloseTag),
     Address(&OwnGetTagStatus),
     Address(&OwnSetTagValue),
     Address(&OwnSetArrayElement),
     Address(&OwnSendTag),
     Address(&OwnCreateTagList),
     Address(&OwnAddTagToList),
     Address(&OwnRemoveTagFromList),
     Address(&OwnListRewind),
     Address(&OwnListFirst),
     Address(&OwnListNext),
     Address(&OwnReadTagList),
     Address(&OwnGetTagValue),
     Address(&OwnGetTagDataType),
     Address(&OwnGetIOStatus),
     Address(&OwnGetDataQuality),
     Address(&OwnGetArrayDims),
     Address(&OwnGetArrayLowerBound),
     Address(&OwnGetArrayUpperBound)},
    Address(&OwnErrorMsg),
    Address(&OwnMessageBoxA),
    Address(&OwnSleep),
};

}  // namespace

const NeighbourCalls& OwnImports() { return kOwnImports; }
