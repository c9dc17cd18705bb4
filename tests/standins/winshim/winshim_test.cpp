#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "dcs/host/platform_ui.h"
#include "standins/winshim/winshim_double.h"

namespace {

TEST(WinShimDouble, records_boxes_and_sleeps_in_order)
{
    WinShimReset();
    char text[] = "Could not allocate DCSDataDef(PV)";
    EXPECT_EQ(MessageBoxA(nullptr, text, "ZUDCSAPI", MB_OK), 1);
    text[0] = 'X';  // the double keeps its own copy
    const char* first = WinShimBoxText(0);
    for (int i = 0; i < 100; ++i) MessageBoxA(nullptr, "t", nullptr, 0x40);
    Sleep(1000);
    Sleep(250);

    ASSERT_EQ(WinShimBoxCount(), 101);
    EXPECT_EQ(WinShimBoxText(0), first);  // still where it was after more boxes
    EXPECT_STREQ(first, "Could not allocate DCSDataDef(PV)");
    EXPECT_STREQ(WinShimBoxCaption(0), "ZUDCSAPI");
    EXPECT_EQ(WinShimBoxType(0), 0u);
    EXPECT_STREQ(WinShimBoxCaption(100), "");
    EXPECT_EQ(WinShimBoxType(100), 0x40u);
    EXPECT_EQ(WinShimBoxText(101), nullptr);
    EXPECT_EQ(WinShimBoxCaption(-1), nullptr);
    EXPECT_EQ(WinShimSleepCount(), 2);
    EXPECT_EQ(WinShimSleepTotal(), 1250u);

    WinShimReset();
    EXPECT_EQ(WinShimBoxCount(), 0);
    EXPECT_EQ(WinShimSleepCount(), 0);
    EXPECT_EQ(WinShimSleepTotal(), 0u);
}

// The real shim, opened by path beside the double that this test links.
TEST(WinShim, writes_the_box_and_returns_without_a_terminal)
{
    WinShimReset();
    void* real = dlopen(WINSHIM_REAL_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(real, nullptr) << dlerror();
    auto box = reinterpret_cast<int (*)(void*, const char*, const char*, unsigned)>(
        dlsym(real, "MessageBoxA"));
    auto sleep = reinterpret_cast<void (*)(uint32_t)>(dlsym(real, "Sleep"));
    ASSERT_TRUE(box && sleep);

    int saved_stdin = dup(STDIN_FILENO);
    int null_in = open("/dev/null", O_RDONLY);
    dup2(null_in, STDIN_FILENO);
    testing::internal::CaptureStderr();
    int result = box(nullptr, "ReadTag: Abort after 1000 retries", "ConfigArrayTags", MB_OK);
    box(nullptr, nullptr, nullptr, MB_OK);
    std::string err = testing::internal::GetCapturedStderr();
    dup2(saved_stdin, STDIN_FILENO);
    close(saved_stdin);
    close(null_in);
    sleep(0);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(err, "[ConfigArrayTags] ReadTag: Abort after 1000 retries\n[] \n");
    EXPECT_EQ(WinShimBoxCount(), 0);  // the double saw nothing

    // dcshost --no-settle-wait: a sleep of a day returns at once.
    auto skip = reinterpret_cast<void (*)(int32_t)>(dlsym(real, "WinShimSkipSleeps"));
    ASSERT_NE(skip, nullptr);
    skip(1);
    sleep(86400000u);
    skip(0);
    dlclose(real);
}

}  // namespace
