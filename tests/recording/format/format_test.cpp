#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recording/format/block_mirror.h"
#include "recording/format/line_writer.h"
#include "recording/format/pass_codec.h"
#include "recording/format/recording_reader.h"
#include "recording/format/value_text.h"

namespace {

double Bits(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

TEST(RecordingValues, doubles_read_back_bit_for_bit_in_one_form)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {0.1, "0.1"},
        {-1.5e300, "-1.5e+300"},
        {5e-324, "5e-324"},
        {static_cast<double>(35.24f), "35.24f"},
        {0.5, "0.5"},
        {Bits(0x7ff8000000000001), "x7ff8000000000001"},
        {-std::numeric_limits<double>::infinity(), "xfff0000000000000"},
    };
    for (const auto& c : cases) {
        std::string text;
        AppendDouble(text, c.value);
        EXPECT_EQ(text, c.text);
        double back = 1;
        ASSERT_TRUE(ParseDouble(text, back)) << text;
        EXPECT_EQ(std::memcmp(&back, &c.value, 8), 0) << text;
    }
}

TEST(RecordingValues, texts_and_client_values_round_trip)
{
    std::string text;
    AppendText(text, "a\"b\\c \x01\xff");
    EXPECT_EQ(text, "\"a\\\"b\\\\c \\x01\\xff\"");
    std::string back;
    bool is_null = true;
    ASSERT_TRUE(ParseText(text, back, is_null));
    EXPECT_EQ(back, "a\"b\\c \x01\xff");
    EXPECT_FALSE(is_null);

    const float nan_payload = [] {
        uint32_t b = 0x7fc00001;
        float f;
        std::memcpy(&f, &b, 4);
        return f;
    }();
    const int32_t minus7 = -7;
    const unsigned char raw[4] = {1, 2, 3, 0xfe};
    const float f425 = 42.5f;
    const struct {
        int32_t conversion;
        const void* bytes;
        const char* text;
    } cases[] = {{9, &f425, "f:42.5"},
                 {9, &nan_payload, "f:x7fc00001"},
                 {12, &minus7, "i:-7"},
                 {3, raw, "x:010203fe"}};
    for (const auto& c : cases) {
        std::string v;
        AppendClientValue(v, c.conversion, c.bytes);
        EXPECT_EQ(v, c.text);
        unsigned char bytes[4];
        char form;
        ASSERT_TRUE(ParseClientValue(v, bytes, form)) << v;
        EXPECT_EQ(std::memcmp(bytes, c.bytes, 4), 0) << v;
    }
}

TEST(RecordingValues, other_forms_of_a_value_are_refused)
{
    double d;
    int64_t i;
    std::string t;
    bool n;
    unsigned char b[4];
    char f;
    for (const char* bad : {"", "+1", "inf", "nan", "1e999", "x3ff0000000000000", "x7ff8", "1 ",
                            "1e2", "0.5f", "35.2400016784668", "35.24ff"})
        EXPECT_FALSE(ParseDouble(bad, d)) << bad;
    for (const char* bad : {"01", "-0", "+3", "2147483648", "1.0"})
        EXPECT_FALSE(ParseInt(bad, INT32_MIN, INT32_MAX, i)) << bad;
    for (const char* bad : {"\"a", "\"\\x00\"", "\"\\x41\"", "\"\\xAB\"", "\"\\q\"", "a"})
        EXPECT_FALSE(ParseText(bad, t, n)) << bad;
    for (const char* bad : {"f:x3f800000", "f:inf", "i:1.5", "x:0102", "q:1"})
        EXPECT_FALSE(ParseClientValue(bad, b, f)) << bad;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const char kHeader[] =
    "# vornak recording 1\n@platform win32\n@driver none\n@start 2026-12-08T09:20:00Z\n@by test\n";
const std::string kHeader2 = std::string("# vornak recording 2") + (kHeader + 20);

// Three passes of DCSSimulate over a block of one controller: the second
// repeats the first, the third differs in one answer and one value.
TEST(RecordingRoundTrip, passes_and_block_lines_read_back_as_written)
{
    DCSDataDef def = {DCS_TYPE_TEXT, nullptr, nullptr, nullptr, nullptr, nullptr};
    char tag[] = "FIC 101.SP";
    DCSCell cell;
    cell.Text = tag;
    DCSCtrlRow row = {};
    row.Active = 1;
    row.Cells = &cell;
    DCSData block = {};
    block.CtrlDefCnt = 1;
    block.CtrlDefs = &def;
    block.CtrlCount = 1;
    block.CtrlRows = &row;
    const std::vector<std::vector<std::string>> passes = {
        {"ReadTagList h5 = 0", "GetTagValue h7 0 * 9 0 0 = 0 f:35.25", "OpenTag \"a = b\" = h9"},
        {"ReadTagList h5 = 0", "GetTagValue h7 0 * 9 0 0 = 0 f:35.25", "OpenTag \"a = b\" = h9"},
        {"ReadTagList h5 = 0", "GetTagValue h7 0 * 9 0 0 = 254", "OpenTag \"a = b\" = h9"},
    };
    const std::string path = ::testing::TempDir() + "round_trip.rec.gz";
    LineWriter writer;
    std::string error, text = kHeader, calls;
    ASSERT_TRUE(writer.Open(path, error)) << error;
    BlockMirror mine;
    PassEncoder encoder;
    for (size_t p = 0; p < passes.size(); ++p) {
        text += "> DCSSimulate\n";
        mine.Diff(block, "i", text);
        encoder.Begin(REC_SIMULATE);
        size_t at = text.size();
        for (const std::string& call : passes[p]) encoder.Call(call, text);
        if (p == 0) encoder.Host("msg \"DCSCtrlSPVendorMsg\" \"Failure\" 0\n", text);
        encoder.End(text);
        if (p > 0) calls += text.substr(at);
        row.SP = 0.25 * static_cast<double>(p);
        mine.Diff(block, "o", text);
        text += "< 1\n";
    }
    text += "end\n";
    EXPECT_EQ(calls, "* 3\n* 1\n~ 254\n* 1\n");
    writer.Write(text);
    ASSERT_TRUE(writer.Close(error)) << error;
    EXPECT_EQ(ReadFile(path).substr(0, 2), "\x1f\x8b");

    RecordingReader reader;
    ASSERT_TRUE(reader.OpenFile(path, error)) << error;
    EXPECT_EQ(reader.Header().platform, "win32");
    BlockMirror theirs;
    std::vector<std::string> got;
    RecordingEvent event;
    int messages = 0;
    while (reader.Next(event)) {
        if (event.kind == EV_CALL) got.push_back(event.call);
        if (event.kind == EV_MESSAGE) messages += event.key == "DCSCtrlSPVendorMsg";
        if (event.kind == EV_BLOCK_IN || event.kind == EV_BLOCK_OUT) {
            ASSERT_TRUE(theirs.Apply(event.block, error)) << error;
        }
    }
    ASSERT_FALSE(reader.Failed()) << reader.Error();
    EXPECT_EQ(event.kind, EV_END);
    EXPECT_EQ(messages, 1);
    std::vector<std::string> want;
    for (const auto& pass : passes) want.insert(want.end(), pass.begin(), pass.end());
    EXPECT_EQ(got, want);
    std::string nothing;
    theirs.Diff(block, "o", nothing);  // the copies agree: no line differs
    EXPECT_EQ(nothing, "");
}

std::string ErrorOf(const std::string& body, bool with_header = true)
{
    const std::string text = (with_header ? kHeader : "") + body;
    RecordingReader reader;
    std::string error;
    if (!reader.OpenMemory(text.data(), text.size(), error)) return error;
    RecordingEvent event;
    while (reader.Next(event)) {
    }
    return reader.Error();
}

TEST(RecordingReader, damaged_recordings_are_refused_with_their_place)
{
    const struct {
        std::string body;
        bool header;
        const char* error;
    } cases[] = {
        {"PK\x03\x04", false,
         "line 1: not a recording (line 1: byte 0x03 at column 3 is not printable ASCII)"},
        {"# vornak recording 3\n", false,
         "line 1: a recording of format 3, newer than this reader's 2"},
        // W lines: format 2 only, each right before a DCSSimulate, from 0, never back.
        {kHeader2 + "W 0\n> DCSSimulate\n< 1\nW 0\n> DCSSimulate\n< 1\nend\n", false, ""},
        {"W 0\n", true, "line 6: a W line in a recording of format 1; W lines came with format 2"},
        {kHeader2 + "W 0\nT 1\n", false, "line 7: a W line must come right before '> DCSSimulate'"},
        {kHeader2 + "W 5\n", false, "line 6: the first W line is 'W 0': its times count from it"},
        {kHeader2 + "W 0\n> DCSSimulate\n< 1\nW 7\n> DCSSimulate\n< 1\nW 6\n", false,
         "line 12: W 6 goes back from W 7: the clock is monotonic"},
        {kHeader2 + "W 0\n", false, "line 6: the recording ends after a W line"},
        {"# vornak recording 1\n@platform win32\n@driver none\n@by x\n", false,
         "line 4: expected @start and its value"},
        {"> DCSSimulate\nReadTagList h1 = 0\n< 1\n> DCSSimulate\n* 2\n", true,
         "line 10: '* 2' reaches past the 1 calls of the previous DCSSimulate"},
        {"> DCSStart\n~ 0\n", true, "line 7: '~' has no call 1 in the previous DCSStart"},
        {"> DCSStart\ni c 2000 a 1\n", true,
         "line 7: not a block field, or a value out of its range"},
        {"> DCSStart\nReadTagList h1 = 0\ni n c 1\n", true,
         "line 8: an 'i' line after the call's first call or host line"},
        {"T 1\n> DCSStop\n< 0\n", true,
         "line 8: the recording ends without its 'end' line (cut short?)"},
        {"> DCSStop\n", true, "line 6: the recording ends inside DCSStop"},
        {"end\n\n", true, "line 7: a line after 'end'"},
        {"> DCSStop\ni p + a 1\n", true, "line 7: not a block field, or a value out of its range"},
        {"> DCSStop\ni c 3 a 1\ni p = a 1\n", true,
         "line 8: not a block field, or a value out of its range"},
        {"msg \"K\" \"a\tb\"\n", true, "line 6: byte 0x09 at column 11 is not printable ASCII"},
        {"sleep " + std::string(kMaxLineBytes, '1') + "\n", true,
         "line 6: a line longer than 1048576 bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.body, c.header), c.error) << c.body.substr(0, 40);
}

TEST(RecordingReader, gives_each_w_line_as_its_microseconds_before_its_dcs_simulate)
{
    const std::string text =
        kHeader2 + "W 0\n> DCSSimulate\n< 1\nW 1000250\n> DCSSimulate\n< 1\nend\n";
    RecordingReader reader;
    std::string error, got;
    ASSERT_TRUE(reader.OpenMemory(text.data(), text.size(), error)) << error;
    for (RecordingEvent e; reader.Next(e);)
        got += e.kind == EV_WALL ? std::to_string(e.wall_us) : e.kind == EV_ENTER ? ">" : "";
    EXPECT_EQ(got, "0>1000250>");
}

// A stream cut at a writer's sync point after a whole entry point is a cut:
// every line before it is given. Cut anywhere else, or damaged, it is
// refused at the line and byte where it stops (after the lines before it).
TEST(RecordingReader, cut_or_damaged_gzip_is_refused_with_its_byte)
{
    const std::string path = ::testing::TempDir() + "cut.rec.gz";
    LineWriter writer;
    std::string error, text = kHeader;
    for (int i = 0; i < 100000; ++i) text += "T " + std::to_string(i * 7919 % 99991) + "\n";
    ASSERT_TRUE(writer.Open(path, error));
    writer.Write(text + "> DCSStop\n< 0\n");
    writer.Sync();
    const std::string synced = ReadFile(path);  // as a process that ended here leaves it
    writer.Write("end\n");
    ASSERT_TRUE(writer.Close(error));
    const std::string gz = ReadFile(path);
    std::string damaged = gz, early = gz;
    damaged[gz.size() - 6] ^= 0x55;  // its check sum: every line reads, the end does not
    early[800] ^= 0x55;
    const struct {
        std::string bytes;
        const char* error;
        bool cut;
        int64_t line;  // 0: the line after the last one given
    } cases[] = {
        {gz.substr(0, gz.size() - 12), "cut short", false, 0},
        {damaged, "damaged", false, 100009},  // after "end"
        {early, "damaged", false, 0},
        {synced.substr(0, synced.size() - 1), "cut short", false, 0},
        {synced, "cut after a whole entry point", true, 100007},
    };
    for (const auto& c : cases) {
        RecordingReader reader;
        ASSERT_TRUE(reader.OpenMemory(c.bytes.data(), c.bytes.size(), error)) << error;
        RecordingEvent event;
        int64_t last = 0;
        while (reader.Next(event)) last = event.line;
        EXPECT_NE(reader.Error().find(c.error), std::string::npos) << reader.Error();
        EXPECT_EQ(reader.Cut(), c.cut) << reader.Error();
        // Its place is where the stream stops, after the lines before it.
        EXPECT_EQ(reader.Error().find("line " + std::to_string(c.line ? c.line : last + 1) +
                                      (c.cut ? ":" : ", byte ")),
                  0u)
            << reader.Error();
        EXPECT_GT(last, 5);
    }
}

}  // namespace
