#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "standins/iface/iface_control.h"
#include "tests/support/heap_block.h"

namespace {

IFaceHeapStats Stats(int32_t family)
{
    IFaceHeapStats stats;
    IFaceHeapGetStats(family, &stats);
    return stats;
}

class Heap : public ::testing::Test {
protected:
    void SetUp() override
    {
        IFaceHeapFailAllocation(0);
        IFaceHeapResetCounters();
        malloc0_ = Stats(IFACE_FAMILY_MALLOC);
        new0_ = Stats(IFACE_FAMILY_NEW);
    }
    void TearDown() override { IFaceHeapFailAllocation(0); }

    int32_t LiveBlocks(int32_t family) const
    {
        return Stats(family).live_blocks -
               (family == IFACE_FAMILY_NEW ? new0_ : malloc0_).live_blocks;
    }
    int32_t LiveBytes(int32_t family) const
    {
        return Stats(family).live_bytes -
               (family == IFACE_FAMILY_NEW ? new0_ : malloc0_).live_bytes;
    }

    IFaceHeapStats malloc0_{};
    IFaceHeapStats new0_{};
};

TEST_F(Heap, accounts_blocks_per_family)
{
    void* m = IFace_malloc(10);
    auto* c = static_cast<unsigned char*>(IFace_calloc(3, 4));
    char* s = IFace_strdup("abc");
    void* n = IFace_new(24);
    ASSERT_TRUE(m && c && s && n);

    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 3);
    EXPECT_EQ(LiveBytes(IFACE_FAMILY_MALLOC), 10 + 12 + 4);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_NEW), 1);
    EXPECT_EQ(LiveBytes(IFACE_FAMILY_NEW), 24);
    EXPECT_EQ(std::vector<unsigned char>(c, c + 12), std::vector<unsigned char>(12, 0));
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(IFace__msize(c), 12u);
    EXPECT_EQ(IFace__msize(n), 0u);  // not of the malloc family

    EXPECT_TRUE(IsHeapBlock(n, IFACE_FAMILY_NEW, 24));

    IFace_free(m);
    IFace_free(c);
    IFace_free(s);
    IFace_delete(n);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 0);
    EXPECT_EQ(LiveBytes(IFACE_FAMILY_MALLOC), 0);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_NEW), 0);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).allocations, 3);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).releases, 3);
    EXPECT_EQ(Stats(IFACE_FAMILY_NEW).allocations, 1);
    EXPECT_EQ(Stats(IFACE_FAMILY_NEW).releases, 1);
    EXPECT_EQ(IFaceHeapBlockInfo(n, nullptr, nullptr), 0);
}

TEST_F(Heap, gives_zero_sized_requests_unique_blocks)
{
    void* a = IFace_malloc(0);
    void* b = IFace_malloc(0);
    void* c = IFace_new(0);
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a, b);
    EXPECT_EQ(IFace__msize(a), 0u);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 2);
    IFace_free(a);
    IFace_free(b);
    IFace_delete(c);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).bad_releases + Stats(IFACE_FAMILY_NEW).bad_releases, 0);
}

TEST_F(Heap, realloc_keeps_contents_and_accounting)
{
    auto* p = static_cast<char*>(IFace_realloc(nullptr, 4));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcd", 4);
    auto* q = static_cast<char*>(IFace_realloc(p, 100));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::string(q, 4), "abcd");
    EXPECT_EQ(IFaceHeapBlockInfo(p, nullptr, nullptr), 0);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 1);
    EXPECT_EQ(LiveBytes(IFACE_FAMILY_MALLOC), 100);
    q = static_cast<char*>(IFace_realloc(q, 2));
    EXPECT_EQ(std::string(q, 2), "ab");
    EXPECT_EQ(LiveBytes(IFACE_FAMILY_MALLOC), 2);
    IFace_free(q);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 0);
}

TEST_F(Heap, counts_bad_releases_without_releasing)
{
    void* n = IFace_new(8);
    void* m = IFace_malloc(8);
    int on_stack = 0;

    testing::internal::CaptureStderr();
    IFace_free(n);                             // wrong family
    IFace_delete(m);                           // wrong family
    IFace_free(&on_stack);                     // unknown
    EXPECT_EQ(IFace_realloc(n, 16), nullptr);  // wrong family
    IFace_free(nullptr);                       // no-op
    IFace_delete(nullptr);
    std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).bad_releases, 3);
    EXPECT_EQ(Stats(IFACE_FAMILY_NEW).bad_releases, 1);
    EXPECT_NE(err.find("IFace_free"), std::string::npos);
    EXPECT_NE(err.find("IFace_delete"), std::string::npos);
    // Both blocks are still live and still released soundly.
    EXPECT_EQ(IFaceHeapBlockInfo(n, nullptr, nullptr), 1);
    EXPECT_EQ(IFaceHeapBlockInfo(m, nullptr, nullptr), 1);
    IFace_delete(n);
    IFace_free(m);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).releases, 1);
    EXPECT_EQ(Stats(IFACE_FAMILY_NEW).releases, 1);

    testing::internal::CaptureStderr();
    IFace_free(m);  // double release
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).bad_releases, 4);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 0);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_NEW), 0);
}

TEST_F(Heap, fails_the_nth_allocation_of_either_family)
{
    IFaceHeapFailAllocation(3);
    void* a = IFace_malloc(1);
    void* b = IFace_new(1);
    void* c = IFace_strdup("x");
    void* d = IFace_malloc(1);
    EXPECT_TRUE(a && b && d);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).failures, 1);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 2);

    // A refused resize leaves the old block as it was.
    IFaceHeapFailAllocation(1);
    EXPECT_EQ(IFace_realloc(a, 64), nullptr);
    EXPECT_EQ(IFaceHeapBlockInfo(a, nullptr, nullptr), 1);

    IFaceHeapFailAllocation(-1);
    EXPECT_EQ(IFace_new(4), nullptr);
    EXPECT_EQ(IFace_calloc(1, 4), nullptr);
    EXPECT_EQ(IFace_malloc(0), nullptr);
    IFaceHeapFailAllocation(0);
    void* e = IFace_new(4);
    EXPECT_NE(e, nullptr);
    EXPECT_EQ(Stats(IFACE_FAMILY_NEW).failures, 1);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).failures, 4);

    EXPECT_EQ(IFace_calloc(static_cast<size_t>(-1) / 2, 4), nullptr);  // size overflows
    IFace_free(a);
    IFace_delete(b);
    IFace_free(d);
    IFace_delete(e);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 0);
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_NEW), 0);
}

struct Received {
    std::string key;
    std::string kinds;
    std::vector<std::string> texts;
    std::vector<int32_t> ints;
    std::string wording;
};

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        IFaceSetMessageEcho(0);
        IFaceSetMessageSink(&Messages::Capture, this);
    }
    void TearDown() override
    {
        IFaceSetMessageSink(nullptr, nullptr);
        IFaceSetMessageEcho(1);
    }

    static void Capture(const IFaceMessage* m, void* user)
    {
        Received r;
        r.key = m->key;
        for (int i = 0; i < m->argc; ++i) {
            r.kinds += m->kinds[i];
            if (m->kinds[i] == 's')
                r.texts.push_back(m->texts[i] ? m->texts[i] : "<null>");
            else
                r.ints.push_back(m->ints[i]);
        }
        r.wording = m->wording;
        static_cast<Messages*>(user)->got_.push_back(r);
    }

    std::vector<Received> got_;
};

// A wrong kind here would make ErrorMsg read the driver's arguments wrongly.
TEST_F(Messages, read_the_arguments_each_key_takes)
{
    const std::vector<std::pair<const char*, std::string>> catalogue = {
        {"DCSGeneralVendorMsg1", "s"},   {"DCSGeneralVendorMsg2", "ss"},
        {"DCSGeneralConfigError", "ss"}, {"DCSGenTagVendorMsg", "si"},
        {"DCSArrayTagError", ""},        {"DCSCtrlTagFieldError", ""},
        {"DCSPVTagFieldError", ""},      {"DCSPVImportTagFieldError", ""},
        {"DCSCtrlVendorMsg", "si"},      {"DCSPVVendorMsg", "si"},
        {"DCSPVImportVendorMsg", "si"},  {"DCSCtrlOPVendorMsg", "si"},
        {"DCSCtrlSPVendorMsg", "si"},
    };
    int32_t before = IFaceMessageCount();
    for (const auto& [key, kinds] : catalogue) {
        if (kinds == "")
            ErrorMsg(key);
        else if (kinds == "s")
            ErrorMsg(key, "one");
        else if (kinds == "si")
            ErrorMsg(key, "one", 7);
        else
            ErrorMsg(key, "one", "two");
    }
    ASSERT_EQ(got_.size(), catalogue.size());
    EXPECT_EQ(IFaceMessageCount() - before, static_cast<int32_t>(catalogue.size()));
    for (size_t i = 0; i < catalogue.size(); ++i) {
        SCOPED_TRACE(catalogue[i].first);
        EXPECT_EQ(got_[i].key, catalogue[i].first);
        EXPECT_EQ(got_[i].kinds, catalogue[i].second);
        EXPECT_EQ(got_[i].wording.find('%'), std::string::npos);
        EXPECT_EQ(got_[i].wording.find("Unknown"), std::string::npos);
    }
}

TEST_F(Messages, fill_the_wording_by_position)
{
    ErrorMsg("DCSCtrlSPVendorMsg", "IO Status = DB Changed ", 3);
    ErrorMsg("DCSGeneralVendorMsg2", "Failure", "for PV Import Tag List");
    ErrorMsg("DCSPVVendorMsg", nullptr, 0);
    ASSERT_EQ(got_.size(), 3u);
    EXPECT_EQ(got_[0].wording, "Controller row 3: SP tag error: IO Status = DB Changed ");
    EXPECT_EQ(got_[0].ints, std::vector<int32_t>{3});
    EXPECT_EQ(got_[1].wording, "DCS error for PV Import Tag List: Failure");
    EXPECT_EQ(got_[2].texts, std::vector<std::string>{"<null>"});  // passed on as null
    EXPECT_EQ(got_[2].wording, "PV export row 0: tag error: (null)");
}

TEST_F(Messages, read_no_argument_for_an_unknown_key)
{
    ErrorMsg("DCSNoSuchKey", "ignored", 5);
    ErrorMsg(nullptr);
    ASSERT_EQ(got_.size(), 2u);
    EXPECT_EQ(got_[0].kinds, "");
    EXPECT_EQ(got_[0].wording, "Unknown message key \"DCSNoSuchKey\"");
    EXPECT_EQ(got_[1].key, "(null)");
}

TEST_F(Messages, echo_one_line_each_unless_off)
{
    IFaceSetMessageEcho(1);
    testing::internal::CaptureStderr();
    ErrorMsg("DCSGenTagVendorMsg", "for arrayTagHandle", 0);
    IFaceSetMessageEcho(0);
    ErrorMsg("DCSArrayTagError");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "DCSGenTagVendorMsg: General field 0: no tag handle for arrayTagHandle\n");
    EXPECT_EQ(got_.size(), 2u);
}

class HostText : public Heap {};

TEST_F(HostText, copies_grows_and_releases_its_characters)
{
    char source[] = "IO Status = ";
    {
        Text text(source);
        source[0] = 'X';
        EXPECT_STREQ(text.Chars(), "IO Status = ");
        std::string expected = "IO Status = ";
        for (int i = 0; i < 50; ++i) {
            text += "Data Uninitialized  ";
            expected += "Data Uninitialized  ";
        }
        EXPECT_EQ(std::string(text.Chars()), expected);
        text += text.Chars() + 3;  // its own characters
        expected += expected.substr(3);
        EXPECT_EQ(std::string(text.Chars()), expected);

        // The second word is the characters, which the driver reads directly.
        const char* second = nullptr;
        std::memcpy(&second, reinterpret_cast<const char*>(&text) + 4, sizeof second);
        EXPECT_EQ(second, text.Chars());
        EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 1);
    }
    EXPECT_EQ(LiveBlocks(IFACE_FAMILY_MALLOC), 0);
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).bad_releases, 0);
}

TEST_F(HostText, treats_null_as_empty_and_survives_a_refused_block)
{
    Text empty(nullptr);
    empty += nullptr;
    EXPECT_STREQ(empty.Chars(), "");

    IFaceHeapFailAllocation(-1);
    {
        Text text("abc");
        EXPECT_STREQ(text.Chars(), "");
        text += "def";
        EXPECT_STREQ(text.Chars(), "");
    }
    IFaceHeapFailAllocation(0);
    Text text("abc");
    IFaceHeapFailAllocation(1);
    text += "defghijklmnop";
    EXPECT_STREQ(text.Chars(), "abc");
    text += "d";
    EXPECT_STREQ(text.Chars(), "abcd");
    EXPECT_EQ(Stats(IFACE_FAMILY_MALLOC).bad_releases, 0);
}

}  // namespace
