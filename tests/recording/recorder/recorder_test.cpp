#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/host/iface.h"
#include "dcs/host/platform_ui.h"
#include "dcs/vendor/vnxapi.h"
#include "recording/format/line_reader.h"
#include "recording/recorder/recorder.h"
#include "tests/recording/recorder/import_seams_stub.h"

#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/resource.h>
#endif

namespace {

std::vector<std::string> g_forwarded;  // what reached the originals, in order
float g_element = 42.5f;

int16_t VNXCALL FakeStatus() { return 0; }
int16_t VNXCALL FakeDataServicesStartup(void* slot)
{
    const uint32_t context = 0xdeadbeef;
    std::memcpy(slot, &context, 4);
    return 0;
}
VnxHandle VNXCALL FakeOpenTag(const char* name)
{
    return reinterpret_cast<VnxHandle>(static_cast<uintptr_t>(name[0] == 'B' ? 0x200 : 0x100));
}
int16_t VNXCALL FakeCloseTag(VnxHandle) { return 0; }
int16_t VNXCALL FakeGetTagValue(VnxHandle, int32_t, void* buffer, int32_t, int32_t, int32_t)
{
    const float value = 35.25f;
    std::memcpy(buffer, &value, 4);
    return 0;
}
int16_t VNXCALL FakeSetArrayElement(VnxHandle, int32_t, int32_t, const void* value, int32_t)
{
    float f;
    std::memcpy(&f, value, 4);
    g_forwarded.push_back("element " + std::to_string(f));
    return 0;
}
void FakeErrorMsg(const char* key, ...)
{
    std::string line = key;
    if (std::strcmp(key, "DCSCtrlSPVendorMsg") == 0) {
        va_list ap;
        va_start(ap, key);
        line += std::string(" ") + va_arg(ap, const char*);
        line += " " + std::to_string(va_arg(ap, int));
        va_end(ap);
    }
    g_forwarded.push_back(line);
}
#if defined(_WIN32)
int WINAPI FakeMessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
#else
int FakeMessageBoxA(void*, const char* text, const char* caption, unsigned int)
#endif
{
    g_forwarded.push_back(std::string("box ") + caption + ": " + text);
    return 1;
}
#if defined(_WIN32)
void WINAPI FakeSleep(DWORD ms)
#else
void FakeSleep(uint32_t ms)
#endif
{
    g_forwarded.push_back("sleep " + std::to_string(ms));
}

// The driver's side: its calls through what the recorder put in place.
int32_t Configure(DCSData*)
{
    Via<decltype(&::ApiStartup)>("ApiStartup")();
    uint32_t slot = 0;
    Via<decltype(&::DataServicesStartup)>("DataServicesStartup")(&slot);
    auto open = Via<decltype(&::OpenTag)>("OpenTag");
    VnxHandle a = open("A");
    open("B");
    Via<decltype(&::CloseTag)>("CloseTag")(a);
    open("A");  // the same value again: a new number
    auto error_msg = Via<decltype(&::ErrorMsg)>("ErrorMsg");
    error_msg("DCSCtrlSPVendorMsg", "Failure", 0);
    error_msg("NotAKey", "x");
    Via<decltype(&::MessageBoxA)>("MessageBoxA")(nullptr, "fault", "ZUDCSAPI", MB_OK);
    Via<decltype(&::Sleep)>("Sleep")(1000);
    return 1;
}

int32_t Simulate(DCSData* block)
{
    float read = 0;
    Via<decltype(&::GetTagValue)>("GetTagValue")(FakeOpenTag("A"), 0, &read, 9, 0, 0);
    Via<decltype(&::SetArrayElement)>("SetArrayElement")(FakeOpenTag("B"), 0, 1, &g_element, 9);
    block->CtrlRows[0].OP = 0.5;
    block->CtrlRows[0].OPUpdated = 1;
    return 1;
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_forwarded.clear();
        SetFakeImport("ApiStartup", reinterpret_cast<void*>(&FakeStatus));
        SetFakeImport("DataServicesStartup", reinterpret_cast<void*>(&FakeDataServicesStartup));
        SetFakeImport("OpenTag", reinterpret_cast<void*>(&FakeOpenTag));
        SetFakeImport("CloseTag", reinterpret_cast<void*>(&FakeCloseTag));
        SetFakeImport("GetTagValue", reinterpret_cast<void*>(&FakeGetTagValue));
        SetFakeImport("SetArrayElement", reinterpret_cast<void*>(&FakeSetArrayElement));
        SetFakeImport("ErrorMsg", reinterpret_cast<void*>(&FakeErrorMsg));
        SetFakeImport("MessageBoxA", reinterpret_cast<void*>(&FakeMessageBoxA));
        SetFakeImport("Sleep", reinterpret_cast<void*>(&FakeSleep));
        row_.Active = 1;
        block_.CtrlCount = 1;
        block_.CtrlRows = &row_;
    }

    std::vector<std::string> Lines(const std::string& path)
    {
        LineReader reader;
        std::string error;
        std::vector<std::string> lines;
        std::string_view line;
        if (!reader.OpenFile(path, error)) return {error};
        while (reader.Next(line)) lines.emplace_back(line);
        if (reader.Failed()) lines.push_back(reader.Error());
        if (reader.Cut()) lines.push_back("(cut)");
        return lines;
    }

    DCSCtrlRow row_ = {};
    DCSData block_ = {};
};

TEST_F(Recorder, records_each_call_with_its_answer_and_forwards_it_unchanged)
{
    const std::string path = ::testing::TempDir() + "recorder.rec.gz";
    std::string error;
    // A clock that moves 2.5 s per reading: W lines count from the first.
    SetRecordClock([]() -> int64_t {
        static int64_t now = 4500000;
        return now += 2500000;
    });
    ASSERT_TRUE(StartRecording(nullptr, path.c_str(), "test", "A=1; B=2", error)) << error;
    RecordTime(0);
    EXPECT_EQ(RecordEntry(REC_CONFIGURE, &Configure, &block_), 1);
    for (double t : {1.0, 2.0}) {
        RecordTime(t);
        EXPECT_EQ(RecordEntry(REC_SIMULATE, &Simulate, &block_), 1);
        g_element = 43.0f;
    }
    ASSERT_TRUE(StopRecording(error)) << error;
    SetRecordClock(nullptr);
    // Stopped, the module's imports hold what they held before.
    EXPECT_EQ(PatchedImport("OpenTag"), reinterpret_cast<void*>(&FakeOpenTag));
    EXPECT_EQ(PatchedImport("Sleep"), reinterpret_cast<void*>(&FakeSleep));
    std::vector<std::string> lines = Lines(path);
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], "# vornak recording 2");
    EXPECT_EQ(lines[2], "@driver A=1; B=2");
    const std::vector<std::string> body(lines.begin() + 5, lines.end());
    const std::vector<std::string> want = {"T 0",
                                           "> DCSConfigure",
                                           "i n c 1",
                                           "i c 0 a 1",
                                           "i c = v1 0",
                                           "i c = v2 0",
                                           "i c = sp 0",
                                           "i c = op 0",
                                           "i c = su 0",
                                           "i c = ou 0",
                                           "ApiStartup = 0",
                                           "DataServicesStartup * = 0 x:efbeadde",
                                           "OpenTag \"A\" = h1",
                                           "OpenTag \"B\" = h2",
                                           "CloseTag h1 = 0",
                                           "OpenTag \"A\" = h3",
                                           "msg \"DCSCtrlSPVendorMsg\" \"Failure\" 0",
                                           "msg \"NotAKey\" ?",
                                           "box \"ZUDCSAPI\" \"fault\" 0 = 1",
                                           "sleep 1000",
                                           "< 1",
                                           "T 1",
                                           "W 0",
                                           "> DCSSimulate",
                                           "GetTagValue h3 0 * 9 0 0 = 0 f:35.25",
                                           "SetArrayElement h2 0 1 * 9 = 0 f:42.5",
                                           "o c 0 op 0.5",
                                           "o c = ou 1",
                                           "< 1",
                                           "T 2",
                                           "W 2500000",
                                           "> DCSSimulate",
                                           "* 1",
                                           "~ 0 f:43",
                                           "< 1",
                                           "end"};
    EXPECT_EQ(body, want);
    const std::vector<std::string> forwarded = {"DCSCtrlSPVendorMsg Failure 0",
                                                "NotAKey",
                                                "box ZUDCSAPI: fault",
                                                "sleep 1000",
                                                "element 42.500000",
                                                "element 43.000000"};
    EXPECT_EQ(g_forwarded, forwarded);
}

TEST_F(Recorder, a_failed_write_is_reported_once_and_the_coupling_goes_on)
{
#if defined(_WIN32)
    GTEST_SKIP() << "a file size limit is Linux's";
#else
    const std::string path = ::testing::TempDir() + "full.rec.gz";
    std::string error;
    ASSERT_TRUE(StartRecording(nullptr, path.c_str(), "test", nullptr, error)) << error;
    signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    int results = 0;
    for (int step = 0; step < 2000; ++step) {
        g_element = static_cast<float>(step) * 1.37f;  // text that does not compress away
        results += RecordEntry(REC_SIMULATE, &Simulate, &block_);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(results, 2000);
    EXPECT_FALSE(Recording());
    EXPECT_FALSE(StopRecording(error));
    EXPECT_EQ(error, "writing " + path + ": " + std::strerror(EFBIG));
    // Cut back to its last whole entry point, it reads as far as that and
    // then as cut, never as damaged; the box says where.
    std::vector<std::string> lines = Lines(path);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "< 1");
    EXPECT_EQ(lines.back(), "(cut)");
    const auto whole = std::count(lines.begin(), lines.end(), "> DCSSimulate");
    const std::string box = "box Recording: Recording stopped: " + error +
                            ". The recording is cut after DCSSimulate #" + std::to_string(whole) +
                            " and reads as far as that.";
    int boxes = 0, elements = 0;
    for (const std::string& f : g_forwarded) {
        boxes += f == box;
        elements += f.rfind("element ", 0) == 0;
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(elements, 2000);
    EXPECT_EQ(g_forwarded.size(), 2001u);
#endif
}

TEST_F(Recorder, a_file_that_cannot_be_made_is_the_start_failure)
{
    std::string error;
    EXPECT_FALSE(StartRecording(nullptr, "/no/such/folder/x.rec.gz", "test", nullptr, error));
    EXPECT_NE(error.find("/no/such/folder/x.rec.gz"), std::string::npos) << error;
    EXPECT_FALSE(Recording());
}

}  // namespace
