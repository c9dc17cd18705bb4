// One run through the nine exports of the real driver module, the way a host
// drives it: load, fill, configure, initialise, start, step, stop, reset,
// release the block, destroy. Two PID loops in the simulated control system
// close over a plant that this test integrates on the host side.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/driver/entry_points.h"
#include "standins/hostblock/block_builder.h"
#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

namespace {

// Fills a declared block the way the host does from its user's input.
void FillBlock(BlockBuilder& block)
{
    block.SetArrayTag("PVARR");
    block.AddController("FIC1", 1, 60.0, 0.2);
    block.AddController("TIC2", 1, 40.0, 0.5);
    block.AddPV("FI1.PV", 1, 20.0);
    block.AddPV("TI2.PV", 1, 20.0);
    // Imports: FIC1's mode as "Controller Mode" (integer, +1) and TIC2's OP as read.
    block.AddImport("FIC1.MODE", MAPPING_CONTROLLER_MODE, 1, -1.0);
    block.AddImport("TIC2.OP", MAPPING_ONE_TO_ONE, 1, -1.0);
    ASSERT_TRUE(block.Lay());
}

void DefineControlSystem()
{
    const char* loops[2] = {"FIC1", "TIC2"};
    for (int i = 0; i < 2; ++i) {
        std::string b = loops[i];
        VnxSimDefineFloat((b + ".SP").c_str(), 0.0f);
        VnxSimDefineFloat((b + ".OP").c_str(), 0.0f);
        VnxSimDefineInt((b + ".MODE").c_str(), 0);
        VnxSimDefineFloat((b + ".SPINIT").c_str(), 0.0f);
        VnxSimDefineFloat((b + ".OPINIT").c_str(), 0.0f);
    }
    VnxSimDefineFloat("FI1.PV", 0.0f);
    VnxSimDefineFloat("TI2.PV", 0.0f);
    VnxSimDefineArray("PVARR", 0, 1, 0.0f);

    VnxSimPid fic = {"FIC1",        "FIC1.SP", "FIC1.OP", "FIC1.MODE", "FIC1.SPINIT",
                     "FIC1.OPINIT", "PVARR",   0,         0.8,         5.0,
                     0.0,           0.0,       100.0,     1.0};
    VnxSimPid tic = {"TIC2",        "TIC2.SP", "TIC2.OP", "TIC2.MODE", "TIC2.SPINIT",
                     "TIC2.OPINIT", "PVARR",   1,         0.5,         8.0,
                     0.0,           0.0,       100.0,     1.0};
    ASSERT_EQ(VnxSimDefinePid(&fic), 0);
    ASSERT_EQ(VnxSimDefinePid(&tic), 0);
}

std::vector<std::string>* g_messages = nullptr;

void CaptureMessage(const IFaceMessage* m, void*)
{
    if (g_messages) g_messages->push_back(m->wording ? m->wording : m->key);
}

int32_t LiveBlocks()
{
    IFaceHeapStats s[2];
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &s[0]);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &s[1]);
    return s[0].live_blocks + s[1].live_blocks;
}

int32_t Allocations()
{
    IFaceHeapStats s[2];
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &s[0]);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &s[1]);
    return s[0].allocations + s[1].allocations;
}

int32_t BadReleases()
{
    IFaceHeapStats s[2];
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &s[0]);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &s[1]);
    return s[0].bad_releases + s[1].bad_releases;
}

TEST(Lifecycle, runs_a_closed_loop_and_ends_with_nothing_open)
{
    std::vector<std::string> messages;
    g_messages = &messages;
    IFaceSetMessageEcho(0);
    IFaceSetMessageSink(&CaptureMessage, nullptr);
    VnxSimReset();
#if !defined(_WIN32)
    WinShimReset();  // also what binds the module to the double: the settle returns at once
#endif
    DefineControlSystem();
    const int32_t live_at_start = LiveBlocks();

    BlockBuilder block;
    DCSData& data = *block.get();
    EXPECT_EQ(DCSLoad(&data), 0);
    EXPECT_EQ(data.CtrlDefCnt, 5);
    FillBlock(block);

    ASSERT_EQ(DCSConfigure(&data), 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 2 * 5 + 2 + 2 + 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 2 + 2 + 2);

    // The pass itself allocates nothing: counted through the module's forwarders.
    const int32_t allocations = Allocations();
    EXPECT_EQ(DCSInitialize(&data), 0);
    float loaded = 0.0f;
    VnxSimGetFloat("FIC1.OPINIT", 0, &loaded);
    EXPECT_EQ(loaded, 20.0f);  // 0.2 of full range, in percent
    EXPECT_EQ(DCSStart(&data), 0);
    int32_t mode = -1;
    VnxSimGetInt("FIC1.MODE", 0, &mode);
    EXPECT_EQ(mode, 1);

    double pv[2] = {20.0, 20.0};
    double op_at[101] = {};
    double sp_seen_late = 0.0;
    for (int step = 0; step < 100; ++step) {
        // The host's plant: each PV lags its controller's output.
        for (int r = 0; r < 2; ++r) {
            pv[r] += (block.Ctrl(r).OP * 100.0 - pv[r]) * 0.3;
            block.PV(r).Value = pv[r];
        }
        if (step == 50) VnxSimSetFloat("FIC1.SP", 0, 25.0f);  // the operator lowers the setpoint
        EXPECT_EQ(DCSSimulate(&data), 1);
        VnxSimAdvance(1.0);
        op_at[step] = block.Ctrl(0).OP;
        if (step == 99) sp_seen_late = block.Ctrl(0).SP;
    }
    EXPECT_EQ(DCSTimeZero(&data), 0);
    EXPECT_EQ(DCSStop(&data), 0);
    VnxSimGetInt("FIC1.MODE", 0, &mode);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(Allocations(), allocations);

    // Values went out (PVs into the array, the PID followed them) and came back.
    float pv_in_dcs = 0.0f;
    VnxSimGetFloat("PVARR", 0, &pv_in_dcs);
    EXPECT_EQ(pv_in_dcs, static_cast<float>(pv[0]));
    EXPECT_EQ(block.Ctrl(0).OPUpdated, 1);
    EXPECT_EQ(block.Ctrl(0).SPUpdated, 1);
    EXPECT_EQ(sp_seen_late, 25.0);
    EXPECT_GT(op_at[40], op_at[0]);         // PV below SP: the output rose
    EXPECT_LT(op_at[99], op_at[50]);        // SP lowered: the output fell back
    EXPECT_EQ(block.Import(0).Value, 2.0);  // mode 1, "Controller Mode"
    EXPECT_NEAR(block.Import(1).Value, block.Ctrl(1).OP * 100.0, 1e-9);

    EXPECT_EQ(DCSReset(&data), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 0);
    EXPECT_EQ(VnxSimApiRunning(), 0);

    EXPECT_EQ(block.Free(), 0);
    EXPECT_EQ(DCSDestroy(&data), 0);
    EXPECT_EQ(LiveBlocks(), live_at_start);
    EXPECT_EQ(BadReleases(), 0);
    EXPECT_TRUE(messages.empty()) << messages.front();
#if !defined(_WIN32)
    EXPECT_EQ(WinShimSleepTotal(), 10000u);
    EXPECT_EQ(WinShimBoxCount(), 0);
#endif

    IFaceSetMessageSink(nullptr, nullptr);
    g_messages = nullptr;
    VnxSimReset();
}

}  // namespace
