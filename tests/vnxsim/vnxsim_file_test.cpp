// The file-backed build, loaded as the driver loads a real client library:
// by path, with only the client operations to find.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct Library {
    void* module = dlopen(VNXSIM_FILE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    template <typename F>
    F Find(const char* name)
    {
        return reinterpret_cast<F>(dlsym(module, name));
    }
};

std::string WriteTags(const std::string& name, const std::string& text)
{
    std::string path = testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(VnxSimFile, startup_file_refusedUntilGood_thenServesItsTags)
{
    Library lib;
    ASSERT_NE(lib.module, nullptr) << dlerror();
    EXPECT_EQ(lib.Find<void*>("VnxSimReset"), nullptr);  // no control API
    auto startup = lib.Find<int16_t (*)()>("ApiStartup");
    ASSERT_NE(startup, nullptr);

    struct Case {
        const char* text;
        int16_t status;
    };
    const Case bad[] = {
        {"", 254},  // no tags
        {"# only a comment\n", 254},
        {"int\n", 253},        // name missing
        {"int A 1.5\n", 253},  // not an integer
        {"int A 3e9\n", 253},  // out of range
        {"float A nan\n", 253},
        {"float A 1 2\n", 253},  // trailing word
        {"array A 1 0x\n", 253},
        {"array A 0 5000 1\n", 253},      // more than 2000 elements
        {"bool A 1\n", 253},              // unknown kind
        {"float A 1\nfloat A 2\n", 253},  // duplicate
        {"float bad name 1\n", 253},
        {"float A/B 1\n", 5},  // invalid name
    };
    for (const Case& c : bad) {
        setenv("VNXSIM_TAGS", WriteTags("bad.tags", c.text).c_str(), 1);
        EXPECT_EQ(startup(), c.status) << c.text;
    }
    setenv("VNXSIM_TAGS", (testing::TempDir() + "missing.tags").c_str(), 1);
    EXPECT_EQ(startup(), 254);
    unsetenv("VNXSIM_TAGS");
    EXPECT_EQ(startup(), 254);

    setenv(
        "VNXSIM_TAGS",
        WriteTags("good.tags", "# plant\nfloat FIC101.PV 42.5\nint FIC101.MODE 2\narray TR 1 3 7\n")
            .c_str(),
        1);
    ASSERT_EQ(startup(), 0);
    auto open = lib.Find<void* (*)(const char*)>("OpenTag");
    auto value =
        lib.Find<int16_t (*)(void*, int32_t, void*, int32_t, int32_t, int32_t)>("GetTagValue");
    auto type = lib.Find<int32_t (*)(void*)>("GetTagDataType");
    auto upper = lib.Find<int16_t (*)(void*, int32_t)>("GetArrayUpperBound");
    float pv = 0;
    int32_t mode = 0;
    EXPECT_EQ(value(open("FIC101.PV"), 0, &pv, 9, 0, 0), 0);
    EXPECT_EQ(pv, 42.5f);
    EXPECT_EQ(value(open("FIC101.MODE"), 0, &mode, 12, 0, 0), 0);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(type(open("FIC101.MODE")), 128);
    EXPECT_EQ(upper(open("TR"), 1), 3);
    EXPECT_EQ(open("FIC102.PV"), nullptr);
}

}  // namespace
