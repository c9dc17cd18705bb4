// Handles by first appearance: the driver is handed one fake handle per
// recorded number, and a handle it passes prints as the number it stands for.
#include <gtest/gtest.h>

#include "dcshost/replay/call_check.h"

namespace {

RecordedCall Call(const char* fields, int64_t line)
{
    RecordedCall call;
    call.fields = fields;
    call.text = fields;
    call.line = line;
    return call;
}

std::vector<RecordedAt> Pointers(const std::vector<RecordedCall>& calls)
{
    std::vector<RecordedAt> out;
    for (const RecordedCall& call : calls) out.push_back({&call, 1, call.line});
    return out;
}

TEST(CallCheck, hands_out_one_distinct_handle_per_recorded_number)
{
    CallCheck check;
    void* h3 = check.HandleFor(3);
    EXPECT_EQ(check.HandleFor(0), nullptr);
    EXPECT_NE(h3, nullptr);
    EXPECT_NE(check.HandleFor(4), h3);
    EXPECT_EQ(check.HandleFor(3), h3);
    EXPECT_EQ(check.NumberOf(h3), 3u);
    EXPECT_EQ(check.NumberOf(nullptr), 0u);
    // One it was never given is new to the recording: the next number.
    int stray = 0;
    EXPECT_EQ(check.NumberOf(&stray), 5u);
    EXPECT_EQ(check.NumberOf(&stray), 5u);
}

TEST(CallCheck, names_the_first_line_unlike_the_recording_with_the_lines_before_it)
{
    const std::vector<RecordedCall> calls = {Call("ApiStartup", 7), Call("ReadTagList h2", 8),
                                             Call("ReadTagList h3", 9)};
    const std::vector<RecordedAt> order = Pointers(calls);
    CallCheck check;
    check.Begin(order, 10);
    EXPECT_NE(check.Match(LineKind::Call, "ApiStartup", ""), nullptr);
    EXPECT_NE(check.Match(LineKind::Call, "ReadTagList h2", ""), nullptr);
    EXPECT_EQ(check.Match(LineKind::Call, "ReadTagList h4", ""), nullptr);
    // Nothing more is answered once a line differed.
    EXPECT_EQ(check.Match(LineKind::Call, "ReadTagList h3", ""), nullptr);
    check.End();
    const Difference& d = check.First();
    EXPECT_EQ(d.line, 9);
    EXPECT_EQ(d.call, 3);
    EXPECT_EQ(d.recorded, "ReadTagList h3");
    EXPECT_EQ(d.now, "ReadTagList h4");
    EXPECT_EQ(d.before, (std::vector<std::string>{"ApiStartup", "ReadTagList h2"}));
    EXPECT_EQ(check.Matched(), 2);
}

TEST(CallCheck, a_recorded_line_the_driver_did_not_make_is_the_difference)
{
    const std::vector<RecordedCall> calls = {Call("ServiceEvents", 7), Call("sleep 1000", 8)};
    const std::vector<RecordedAt> order = Pointers(calls);
    CallCheck check;
    check.Begin(order, 9);
    EXPECT_NE(check.Match(LineKind::Call, "ServiceEvents", ""), nullptr);
    check.End();
    EXPECT_EQ(check.First().line, 8);
    EXPECT_EQ(check.First().recorded, "sleep 1000");
    EXPECT_EQ(check.First().now, "(the entry point returned)");
}

// A "* N" gives calls recorded before, on its own line: a difference among
// them is placed there.
TEST(CallCheck, a_run_of_calls_differs_at_the_line_that_gives_it)
{
    const std::vector<RecordedCall> calls = {Call("ReadTagList h2", 8), Call("ReadTagList h3", 9),
                                             Call("ServiceEvents", 10)};
    const std::vector<RecordedAt> order = {{&calls[0], 2, 20}, {&calls[2], 1, 21}};
    CallCheck check;
    check.Begin(order, 22);
    EXPECT_EQ(check.Next(), &calls[0]);
    EXPECT_NE(check.MatchNext(LineKind::Call, ""), nullptr);
    EXPECT_EQ(check.Match(LineKind::Call, "ReadTagList h4", ""), nullptr);
    EXPECT_EQ(check.First().line, 20);
    EXPECT_EQ(check.First().call, 2);
    EXPECT_EQ(check.First().before, std::vector<std::string>{"ReadTagList h2"});
}

}  // namespace
