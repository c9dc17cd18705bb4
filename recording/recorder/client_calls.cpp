// The client library's functions as the driver calls them: each calls the
// original with the same arguments, records the call with its answer while
// an entry point runs, and returns the answer unchanged. One wrapper per row
// of client_functions.h, made from the function's declaration.
#include <type_traits>

#include "dcs/vendor/vnxapi.h"
#include "recording/recorder/call_line.h"
#include "recording/recorder/recorder_calls.h"
#include "recording/recorder/recorder_state.h"

namespace {

void* g_original[CF_COUNT];

template <ClientFunction F, class R, class... A>
R VNXCALL Recorded(A... args)
{
    R answer = reinterpret_cast<R(VNXCALL*)(A...)>(g_original[F])(args...);
    if (RecordingCalls()) RecordCall(F, {CallArg(args)...}, CallArg(answer));
    return answer;
}

// The wrapper of `F`, typed by a null pointer to the declared function: the
// library itself is not linked here.
template <ClientFunction F, class R, class... A>
void* WrapperOf(R(VNXCALL*)(A...))
{
    static_assert(FitsRow(F, sizeof...(A), std::is_pointer_v<R>), "declared as its row says");
    return reinterpret_cast<void*>(&Recorded<F, R, A...>);
}

void* Wrapper(int function)
{
#define RECORDER_WRAPPER(id, name, ...) WrapperOf<CF_##id>(static_cast<decltype(&::name)>(nullptr)),
    static void* const wrappers[CF_COUNT] = {CLIENT_FUNCTIONS(RECORDER_WRAPPER)};
#undef RECORDER_WRAPPER
    return wrappers[function];
}

#if defined(_WIN32)
const char kClientLibrary[] = "VNXAPIWX.dll";
#else
const char kClientLibrary[] = "libVNXAPIWX.so";
#endif

}  // namespace

void AddClientSeams(std::vector<ImportSeam>& seams)
{
    for (int f = 0; f < CF_COUNT; ++f) {
        const ClientFunction function = static_cast<ClientFunction>(f);
        seams.push_back({kClientLibrary, kClientFunctions[f].name, ClientImportOrdinal(function),
                         Wrapper(f), nullptr});
    }
}

void TakeClientOriginals(const std::vector<ImportSeam>& seams, const NeighbourCalls* through)
{
    for (const ImportSeam& seam : seams) {
        for (int f = 0; f < CF_COUNT; ++f) {
            // A slot that already held the recorder (a second recording of
            // the same module) keeps the original taken the first time.
            void* mine = Wrapper(f);
            if (seam.replacement == mine && seam.original && seam.original != mine)
                g_original[f] = through && through->client[f] ? through->client[f] : seam.original;
        }
    }
}
