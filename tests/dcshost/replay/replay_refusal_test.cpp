// dcshost replay refuses a recording it cannot replay with its place (exit
// 2), before any driver is loaded.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

#include "dcshost/exit_codes.h"
#include "dcshost/replay/replay.h"
#include "recording/format/line_writer.h"

namespace {

const std::string kHeader =
    "# vornak recording 1\n@platform linux-i686\n@driver none\n"
    "@start 2026-12-08T09:20:00Z\n@by dcshost 1.0.0.12\n";
const std::string kPasses = "> DCSSimulate\nServiceEvents = 0\n< 1\n> DCSSimulate\n* 1\n< 1\nend\n";

std::string Gzipped(const std::string& text)
{
    const std::string path = "replay_refusal.tmp.gz";
    gzFile out = gzopen(path.c_str(), "wb");
    gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
    gzclose(out);
    std::string bytes;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    for (int c; (c = std::fgetc(in)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(in);
    std::remove(path.c_str());
    return bytes;
}

// The file as a writer leaves it when its process ends after a sync point.
std::string Cut(const std::string& text)
{
    const std::string path = "replay_refusal.cut.gz";
    LineWriter writer;
    std::string error, bytes;
    writer.Open(path, error);
    writer.Write(text);
    writer.Sync();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    for (int c; (c = std::fgetc(in)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(in);
    writer.Close(error);
    std::remove(path.c_str());
    return bytes;
}

struct Damaged {
    const char* what;
    std::string bytes;
    const char* place;  // after "dcshost: replay: FILE: "
};

TEST(Replay, refuses_a_damaged_recording_with_its_place)
{
    const std::string whole = Gzipped(kHeader + kPasses);
    const Damaged cases[] = {
        {"not gzip", kHeader + kPasses, "not gzip: compress it (gzip -k replay_refusal.rec)"},
        {"not gzip nor a recording", "PK\x03\x04", "line 1: not a recording (not gzip)"},
        {"empty", "", "line 1: not a recording (an empty file)"},
        {"header only", Gzipped(kHeader),
         "line 5: the recording ends without its 'end' line (cut short?)"},
        {"newer version", Gzipped("# vornak recording 3\n" + kHeader.substr(21) + kPasses),
         "line 1: a recording of format 3, newer than this reader's 2"},
        {"cut gzip stream", whole.substr(0, whole.size() / 2),
         "line 2, byte 39: the compressed stream is cut short"},
        {"line cut mid-way", Gzipped(kHeader + "> DCSSim"),
         "line 6, byte 112: the last line has no line end"},
        {"unknown event", Gzipped(kHeader + "> DCSSimulate\nServiceEvent = 0\n< 1\nend\n"),
         "line 7: 'ServiceEvent' is not a line of a recording"},
        {"bad value",
         Gzipped(kHeader + "> DCSSimulate\nGetTagValue h1 0 * 9 0 0 = 0 f:1e99\n< 1\nend\n"),
         "line 7: an answer of GetTagValue that cannot be read"},
        {"block line's bad value", Gzipped(kHeader + "> DCSSimulate\ni c 0 sp 1.5.2\n< 1\nend\n"),
         "line 7: not a block field, or a value out of its range"},
        {"* N past the previous pass",
         Gzipped(kHeader + "> DCSSimulate\nServiceEvents = 0\n< 1\n> DCSSimulate\n* 2\n< 1\nend\n"),
         "line 10: '* 2' reaches past the 1 calls of the previous DCSSimulate"},
        {"more rows than a replay lays", Gzipped(kHeader + "> DCSSimulate\ni n c 2001\n< 1\nend\n"),
         "line 7: a table of 2001 rows; a replay lays at most 2000"},
        {"a restored model past the host's bounds",
         Gzipped(kHeader + "> DCSConfigure\ni n gd 1\ni n pd 26\n< 1\nend\n"),
         "line 8: a PV definition count of 26, outside the host's bounds 0 to 25"},
        {"cut inside an entry point", Cut(kHeader + "> DCSSimulate\nServiceEvents = 0\n"),
         "line 7: the recording ends inside DCSSimulate"},
    };
    for (const Damaged& c : cases) {
        const std::string path = "replay_refusal.rec";
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), out);
        std::fclose(out);
        ReplayOptions options;
        options.recording = path;
        options.driver_path = "no-driver-is-loaded";
        options.trends = false;
        testing::internal::CaptureStderr();
        EXPECT_EQ(ReplayRecording(options), kExitBadScenario) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "dcshost: replay: " + path + ": " + c.place + "\n")
            << c.what;
        std::remove(path.c_str());
    }
    ReplayOptions folder;
    folder.recording = ".";
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReplayRecording(folder), kExitBadScenario);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "dcshost: replay: .: cannot read .: it is a folder\n");
}

}  // namespace
