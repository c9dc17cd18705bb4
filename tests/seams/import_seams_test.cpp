// PatchImports on a module that imports as the driver does: its calls go to
// the replacement, `original` is what they reached before, and patching the
// original back restores them.
#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include <gtest/gtest.h>

#include "dcs/vendor/vnxapi.h"
#include "recording/seams/import_seams.h"

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

}  // namespace
