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

    // Each refusal says its cause on stderr, after the file and line.
    struct Case {
        const char* text;
        int16_t status;
        const char* why;
    };
    const Case bad[] = {
        {"", 254, "bad.tags: no tags: the file is empty"},
        {"# only a comment\n", 254, "bad.tags: no tags"},
        {"int\n", 253, "bad.tags:1: the tag name is missing: 'int NAME VALUE'"},
        {"int A 1.5\n", 253, ":1: the int value '1.5' is not a whole number"},
        {"int A 3e9\n", 253, ":1: the int value '3e9' lies outside -2147483648 to 2147483647"},
        {"float A nan\n", 253, ":1: the float value 'nan' is not a number"},
        {"float A 1e39\n", 253, ":1: the float value '1e39' lies outside -3.4e38 to 3.4e38"},
        {"float A 0x10\n", 253, ":1: the float value '0x10' is not a decimal number"},
        {"float A 1 2\n", 253, ":1: '2' after the values: 'float NAME VALUE'"},
        {"float A 1 # feed\n", 253, ":1: a comment after the values: '#' starts a line"},
        {"array A 1 0x\n", 253, ":1: 'A' lacks a value: 'array NAME LOWER UPPER VALUE'"},
        {"array A 0 5000 1\n", 253, ":1: the array holds 5001 elements; it may hold at most 2000"},
        {"array A 3 1 1\n", 253, ":1: UPPER 1 lies below LOWER 3 - 1"},
        {"bool A 1\n", 253, ":1: unknown kind 'bool'"},
        {"FLOAT A 1\n", 253, ":1: unknown kind 'FLOAT': a line is"},
        {"float A 1\nfloat A 2\n", 253, ":2: tag 'A' is defined twice (first on line 1)"},
        {"float bad name 1\n", 253, ":1: '1' after the values"},
        {"float A/B 1\n", 5, ":1: 'A/B' is not a valid tag name"},
        {"# caf\xC3\xA9 \xE9t\xE9\nfloat A 1\n", 253, "bad.tags:1:8: byte 0xE9 is not UTF-8"},
    };
    for (const Case& c : bad) {
        setenv("VNXSIM_TAGS", WriteTags("bad.tags", c.text).c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(startup(), c.status) << c.text;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.why), std::string::npos) << c.text << err;
    }
    setenv("VNXSIM_TAGS", testing::TempDir().c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(startup(), 254);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(": is a folder, not a tag file"),
              std::string::npos);
    setenv("VNXSIM_TAGS", (testing::TempDir() + "missing.tags").c_str(), 1);
    EXPECT_EQ(startup(), 254);
    unsetenv("VNXSIM_TAGS");
    EXPECT_EQ(startup(), 254);

    setenv("VNXSIM_TAGS",
           WriteTags("good.tags",
                     "\xEF\xBB\xBF# plant \xE2\x80\x93 caf\xC3\xA9\r\nfloat FIC101.PV 42.5\r\n"
                     "int FIC101.MODE 2\narray TR 1 3 7\n")
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
