// Every order of calls: each sequence of up to four entry-point calls, on a
// declared and filled block with its tags defined, then DCSReset. Whatever
// the order, nothing may crash, nothing may stay open in the control system,
// every report must come from the catalogue, and (unless DCSLoad ran again
// and, as declared, replaced its declarations) the block keeps every byte the
// driver does not own and the host heap balances after FreeDCSData.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/driver/entry_points.h"
#include "standins/hostblock/block_builder.h"
#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"
#include "standins/winshim/winshim_double.h"
#include "tests/dcs/reliability/catalogue_check.h"
#include "tests/dcs/reliability/realistic_block.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_block.h"

namespace {

struct EntryPoint {
    const char* name;
    int32_t (*call)(DCSData*);
};

const EntryPoint kEntryPoints[] = {
    {"DCSLoad", DCSLoad},         {"DCSConfigure", DCSConfigure}, {"DCSInitialize", DCSInitialize},
    {"DCSStart", DCSStart},       {"DCSStop", DCSStop},           {"DCSSimulate", DCSSimulate},
    {"DCSTimeZero", DCSTimeZero}, {"DCSReset", DCSReset},         {"DCSDestroy", DCSDestroy},
};
const int kEntryCount = sizeof kEntryPoints / sizeof kEntryPoints[0];
const int kLongest = 4;

struct Capture {
    CatalogueRows rows{};
    std::vector<std::string> problems;
};

void OnMessage(const IFaceMessage* m, void* user)
{
    Capture* c = static_cast<Capture*>(user);
    const std::string problem = CheckMessage(*m, c->rows);
    if (!problem.empty()) c->problems.push_back(problem);
}

// Two controllers, two PVs and two imports: one inactive row of each kind.
void FillSmallBlock(BlockBuilder& b)
{
    FillRealisticBlock(b);
    b.ctrl.pop_back();
    b.pv.erase(b.pv.begin());
    b.imports.resize(3);
    b.imports.erase(b.imports.begin());
}

std::string Describe(const std::vector<int>& sequence)
{
    std::string text;
    for (int i : sequence) text += std::string(text.empty() ? "" : ", ") + kEntryPoints[i].name;
    return "[" + text + "]";
}

// Runs one sequence and its closing reset; what went wrong, if anything.
std::vector<std::string> RunSequence(const std::vector<int>& sequence)
{
    Capture capture;
    VnxSimReset();
    WinShimReset();
    Driver = DriverState{};
    IFaceSetMessageEcho(0);
    IFaceSetMessageSink(&OnMessage, &capture);
    const int32_t live_before = HostLiveBlocks();
    bool reloaded = false;
    for (int i : sequence) reloaded |= i == 0;

    std::vector<std::string> problems;
    {
        BlockBuilder b(Guards::kAround);
        DCSLoad(b.get());
        FillSmallBlock(b);
        b.Lay();
        DefineTagsOf(b);
        capture.rows = {b.get()->CtrlCount, b.get()->PVCount, b.get()->PVImportCount};
        const BlockSnapshot before = b.Take();

        for (int i : sequence) kEntryPoints[i].call(b.get());
        DCSReset(b.get());

        const int32_t tags = VnxSimOpenCount(VNX_KIND_TAG);
        const int32_t items = VnxSimOpenCount(VNX_KIND_ITEM);
        const int32_t lists = VnxSimOpenCount(VNX_KIND_LIST);
        if (tags || items || lists || VnxSimApiRunning()) {
            problems.push_back("left open: " + std::to_string(tags) + " tags, " +
                               std::to_string(items) + " items, " + std::to_string(lists) +
                               " lists" + (VnxSimApiRunning() ? ", the library run" : ""));
        }
        if (!reloaded) {
            for (const std::string& w : b.StrayWrites(before)) {
                problems.push_back("stray write: " + w);
            }
        }
        b.Free();
    }
    if (!reloaded && HostLiveBlocks() != live_before) problems.push_back("host heap unbalanced");
    for (int32_t i = 0; i < WinShimBoxCount(); ++i) {
        const std::string p =
            CheckBox(WinShimBoxCaption(i), WinShimBoxText(i), WinShimBoxType(i), capture.rows);
        if (!p.empty()) problems.push_back(p);
    }
    problems.insert(problems.end(), capture.problems.begin(), capture.problems.end());
    IFaceSetMessageSink(nullptr, nullptr);
    return problems;
}

TEST(CallOrder, every_sequence_of_up_to_four_calls_ends_with_nothing_open)
{
    const auto start = std::chrono::steady_clock::now();
    VnxSimTraceEnable(0);
    int32_t sequences = 0, failed = 0;
    std::vector<int> sequence;
    for (int length = 0; length <= kLongest; ++length) {
        sequence.assign(length, 0);
        for (;;) {
            ++sequences;
            const std::vector<std::string> problems = RunSequence(sequence);
            if (!problems.empty() && ++failed <= 20) {
                ADD_FAILURE() << Describe(sequence) << ": " << problems.front();
            }
            // Next sequence of this length, counting in base kEntryCount.
            int pos = length - 1;
            while (pos >= 0 && ++sequence[pos] == kEntryCount) sequence[pos--] = 0;
            if (pos < 0) break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "call orders: %d sequences of 0 to %d calls, each then DCSReset, %d failed "
        "(%.1f s)\n",
        sequences, kLongest, failed, seconds);
    EXPECT_EQ(sequences, 1 + 9 + 81 + 729 + 6561);
    EXPECT_EQ(failed, 0);
}

// The two orders that used to leave handles open, one by one.
class BoundDriver : public SimTest {
protected:
    void Bind(TestBlock& b)
    {
        b.SetArrayTag("PVARR");
        b.AddController("A");
        b.AddPV("P0");
        b.AddImport("X0");
        DefineTagsFor(b);
        ASSERT_EQ(DCSConfigure(b.get()), 1);
        ClearTrace();
    }
};

// DCSLoad forgets the items and the tags of seven tables and the array tag:
// a bound driver's lists are emptied and those tags closed first.
TEST_F(BoundDriver, load_releases_what_it_forgets_and_reset_the_rest)
{
    TestBlock b;
    Bind(b);
    EXPECT_EQ(DCSLoad(b.get()), 0);
    EXPECT_EQ(TraceOf({"RemoveTagFromList", "CloseTag"}),
              (std::vector<std::string>{
                  "RemoveTagFromList(list:1, item:A.SP) = 0", "CloseTag(item:A.SP) = 0",
                  "RemoveTagFromList(list:2, item:A.OP) = 0", "CloseTag(item:A.OP) = 0",
                  "RemoveTagFromList(list:3, item:X0) = 0", "CloseTag(item:X0) = 0",
                  "CloseTag(tag:A.OP) = 0", "CloseTag(tag:A.SP) = 0", "CloseTag(tag:P0) = 0",
                  "CloseTag(tag:X0) = 0", "CloseTag(tag:PVARR) = 0"}));
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
    EXPECT_NE(Driver.SPTagList, nullptr);
    EXPECT_EQ(Driver.PVExportArrayTag, nullptr);
    DCSReset(b.get());
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
    EXPECT_TRUE(Messages().empty());
}

// An unbound driver's DCSLoad makes no call at all.
TEST_F(BoundDriver, load_after_reset_calls_nothing)
{
    TestBlock b;
    Bind(b);
    DCSReset(b.get());
    ClearTrace();
    DCSLoad(b.get());
    EXPECT_EQ(Trace(), std::vector<std::string>{});
}

// A second DCSConfigure releases the first binding as DCSReset would, then
// starts the library afresh: one binding open afterwards, not two.
TEST_F(BoundDriver, configure_again_releases_the_first_binding_first)
{
    TestBlock b;
    Bind(b);
    ASSERT_EQ(DCSConfigure(b.get()), 1);
    const std::vector<std::string> trace = Trace();
    const auto shutdown = std::find(trace.begin(), trace.end(), "ApiShutdown() = 0");
    ASSERT_NE(shutdown, trace.end());
    EXPECT_EQ(trace.front(), "ListRewind(list:1) = 0");
    EXPECT_EQ(*(shutdown + 1), "ApiStartup() = 0");
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 5 + 1 + 1 + 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 3);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 3);
    DCSReset(b.get());
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM), 0);
}

}  // namespace
