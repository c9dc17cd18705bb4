// PatchImports on a module that imports as the driver does: its calls go to
// the replacement, `original` is what they reached before, and patching the
// original back restores them.
#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <sys/mman.h>
#endif

#include <cerrno>

#include <gtest/gtest.h>

#include "dcs/vendor/vnxapi.h"
#include "module/import_seams.h"

namespace {

#if defined(_WIN32)
#  define SLEEP_CALL WINAPI
const char kClient[] = "VNXAPIWX.dll";
// The driver's import of the client library is by ordinal only.
ImportSeam kEvents = {"vnxapiwx.DLL", nullptr, 5, nullptr, nullptr};
const int kLoadModes[] = {0};

void* Open(int) { return LoadLibraryA("seam_probe.dll"); }
void Close(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
void* Find(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void* RealEvents() { return Find(GetModuleHandleA(kClient), MAKEINTRESOURCEA(5)); }
void* RealSleep() { return Find(GetModuleHandleA("kernel32.dll"), "Sleep"); }
void* Self() { return GetModuleHandleA(nullptr); }
#else
#  define SLEEP_CALL
const char kClient[] = "libVNXAPIWX.so";
ImportSeam kEvents = {nullptr, "ServiceEvents", 0, nullptr, nullptr};
// Lazy first: its slots are not bound yet when they are patched.
const int kLoadModes[] = {RTLD_LAZY, RTLD_NOW};

void* Open(int mode) { return dlopen(SEAM_PROBE, mode | RTLD_LOCAL); }
void Close(void* module) { dlclose(module); }
void* Find(void* module, const char* name) { return dlsym(module, name); }
void* RealEvents()
{
    return Find(dlopen("libVNXAPIWX.so", RTLD_NOLOAD | RTLD_NOW), "ServiceEvents");
}
void* RealSleep() { return Find(dlopen("libwinshim.so", RTLD_NOLOAD | RTLD_NOW), "Sleep"); }
void* Self() { return dlopen(nullptr, RTLD_NOW); }
#endif

unsigned g_slept = 0;
void SLEEP_CALL FakeSleep(unsigned milliseconds) { g_slept = milliseconds; }
typedef void(SLEEP_CALL* Sleeper)(unsigned);
int32_t VNXCALL FakeEvents() { return 4242; }

template <typename F>
F Entry(void* module, const char* name)
{
    return reinterpret_cast<F>(Find(module, name));
}

TEST(ImportSeams, calls_go_to_the_replacement_and_original_is_the_real_function)
{
    for (int mode : kLoadModes) {
        SCOPED_TRACE(mode);
        void* probe = Open(mode);
        ASSERT_NE(probe, nullptr);
        ImportSeam seams[] = {kEvents, {nullptr, "Sleep", 0, nullptr, nullptr}};
        seams[0].replacement = reinterpret_cast<void*>(&FakeEvents);
        seams[1].replacement = reinterpret_cast<void*>(&FakeSleep);
        std::string error;
        ASSERT_EQ(PatchImports(probe, seams, 2, error), 2) << error;
        EXPECT_EQ(seams[0].original, RealEvents());
        EXPECT_EQ(seams[1].original, RealSleep());
        EXPECT_EQ(Entry<int32_t (*)()>(probe, "ProbeServiceEvents")(), 4242);
        Entry<void (*)(uint32_t)>(probe, "ProbeSleep")(7);
        EXPECT_EQ(g_slept, 7u);
        // Through the address the module takes, and the one it keeps in data.
        reinterpret_cast<Sleeper>(Entry<void* (*)()>(probe, "ProbeSleepAddress")())(8);
        EXPECT_EQ(g_slept, 8u);
        reinterpret_cast<Sleeper> (*static_cast<void**>(Find(probe, "ProbeSleepWord")))(9);
        EXPECT_EQ(g_slept, 9u);

        for (ImportSeam& seam : seams) std::swap(seam.replacement, seam.original);
        ASSERT_EQ(PatchImports(probe, seams, 2, error), 2) << error;
        EXPECT_EQ(seams[1].original, reinterpret_cast<void*>(&FakeSleep));
        EXPECT_NE(Entry<int32_t (*)()>(probe, "ProbeServiceEvents")(), 4242);
        reinterpret_cast<Sleeper> (*static_cast<void**>(Find(probe, "ProbeSleepWord")))(0);
        EXPECT_EQ(g_slept, 9u);
        Close(probe);
    }
}

TEST(ImportSeams, what_the_module_does_not_import_is_not_found_and_bad_tables_are_refused)
{
    void* probe = Open(kLoadModes[0]);
    ASSERT_NE(probe, nullptr);
    void* fake = reinterpret_cast<void*>(&FakeEvents);
    struct {
        void* module;
        ImportSeam seam;
        int found;
    } cases[] = {
        {probe, {nullptr, "NoSuchImport", 0, fake, fake}, 0},
        {probe, {kClient, nullptr, 999, fake, fake}, 0},
        {probe, {"OTHER.dll", nullptr, 5, fake, fake}, 0},
        {probe, {nullptr, "Sleep", 0, nullptr, fake}, -1},
        {nullptr, {nullptr, "Sleep", 0, fake, fake}, -1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.seam.name ? c.seam.name : "by ordinal");
        std::string error;
        EXPECT_EQ(PatchImports(c.module, &c.seam, 1, error), c.found);
        EXPECT_EQ(error.empty(), c.found == 0) << error;
        if (c.found == 0) {
            EXPECT_EQ(c.seam.original, nullptr);
        }
    }
    Close(probe);
}

// What makes an import slot writable, as the seams call it through this
// program's own import: it fails its n-th call, as an unwritable page would.
void* g_protect = nullptr;
int g_protect_calls = 0, g_fail_at = 0;  // 0: none fails
bool g_partway = false;                  // a slot of the probe led elsewhere when it failed
void* g_probe = nullptr;

bool Partway()
{
    return Entry<int32_t (*)()>(g_probe, "ProbeServiceEvents")() == 4242 ||
           Entry<void* (*)()>(g_probe, "ProbeSleepAddress")() ==
               reinterpret_cast<void*>(&FakeSleep);
}

#if defined(_WIN32)
const ImportSeam kProtect = {"kernel32.dll", "VirtualProtect", 0, nullptr, nullptr};
BOOL WINAPI FakeProtect(LPVOID at, SIZE_T size, DWORD protection, PDWORD old)
{
    if (++g_protect_calls == g_fail_at) {
        g_partway = Partway();
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return reinterpret_cast<decltype(&VirtualProtect)>(g_protect)(at, size, protection, old);
}
#else
const ImportSeam kProtect = {nullptr, "mprotect", 0, nullptr, nullptr};
int FakeProtect(void* at, size_t size, int protection)
{
    if (++g_protect_calls == g_fail_at) {
        g_partway = Partway();
        errno = EACCES;
        return -1;
    }
    return reinterpret_cast<decltype(&mprotect)>(g_protect)(at, size, protection);
}
#endif

TEST(ImportSeams, a_patch_that_fails_partway_points_every_slot_back)
{
    ImportSeam protect = kProtect;
    protect.replacement = reinterpret_cast<void*>(&FakeProtect);
    std::string error;
    ASSERT_EQ(PatchImports(Self(), &protect, 1, error), 1) << error;
    g_protect = protect.original;
    int partway = 0;
    for (int fail_at = 1; fail_at <= 8; ++fail_at) {
        SCOPED_TRACE(fail_at);
        g_probe = Open(kLoadModes[0]);  // afresh: a patch that went through stays
        ASSERT_NE(g_probe, nullptr);
        g_protect_calls = 0;
        g_fail_at = fail_at;
        g_partway = false;
        ImportSeam seams[] = {kEvents, {nullptr, "Sleep", 0, nullptr, nullptr}};
        seams[0].replacement = reinterpret_cast<void*>(&FakeEvents);
        seams[1].replacement = reinterpret_cast<void*>(&FakeSleep);
        // 2: it failed where only a protection was put back, or not at all.
        if (PatchImports(g_probe, seams, 2, error) != 2) {
            EXPECT_EQ(error.rfind("cannot make an import slot writable", 0), 0u) << error;
            partway += g_partway;
            EXPECT_FALSE(Partway());
            EXPECT_EQ(Entry<void* (*)()>(g_probe, "ProbeSleepAddress")(), RealSleep());
#if !defined(_WIN32)  // a data word is a seam of ELF modules only
            EXPECT_EQ(*static_cast<void**>(Find(g_probe, "ProbeSleepWord")), RealSleep());
#endif
        }
        g_fail_at = 0;
        Close(g_probe);
    }
    EXPECT_GT(partway, 0);
    std::swap(protect.replacement, protect.original);
    EXPECT_EQ(PatchImports(Self(), &protect, 1, error), 1) << error;
}

}  // namespace
