// libFuzzer target: the input decides a host block (row counts, rows, flags,
// values, names, missing cells, definitions and row arrays), the simulated
// control system's tags and their condition, a fault schedule (a count-down
// fault, scripted answers, a refused allocation in DCSLoad) and a sequence of
// entry-point calls. After the sequence and a closing DCSReset it checks what
// the reliability tests check: every report and box from the catalogue,
// nothing left open, no stray write into the block, the host heap balanced.
// A violation aborts, so libFuzzer keeps the input.
//
// The choices are read a byte at a time from the end of the input and texts
// (tag names, raw values) from its front (FuzzedDataProvider); a missing byte
// reads as 0, and 0 always means the plain choice, so the empty input is a
// realistic block run through a clean lifecycle. driver_fuzz.dict names the
// tags the control system knows and the bytes that grow a table to its limit.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dcs/driver/entry_points.h"
#include "dcs/link/driver_state.h"
#include "fuzz/driver_fuzz_ops.h"
#include "standins/hostblock/block_builder.h"
#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"
#include "standins/winshim/winshim_double.h"
#include "tests/dcs/reliability/catalogue_check.h"

using namespace driver_fuzz;

namespace {

int32_t g_countdown_op = 0;
int32_t g_countdown_call = 0;

void RecordCall(int32_t op, int32_t number, void*)
{
    if (number == g_countdown_call) g_countdown_op = op;
}

struct Capture {
    CatalogueRows rows{};
};

// DRIVER_FUZZ_TRACE=1 shows what one input did: every client-library call
// and every host message, on standard error.
bool Tracing()
{
    static const bool on = std::getenv("DRIVER_FUZZ_TRACE") != nullptr;
    return on;
}

void DumpTrace()
{
    char line[256];
    for (int32_t i = 0; i < VnxSimTraceCount(); ++i) {
        VnxSimTraceLine(i, line, sizeof line);
        std::fprintf(stderr, "%5d %s\n", i + 1, line);
    }
}

void Fail(const std::string& what)
{
    if (Tracing()) DumpTrace();
    std::fprintf(stderr, "driver_fuzz: %s\n", what.c_str());
    std::abort();
}

void OnMessage(const IFaceMessage* m, void* user)
{
    const std::string problem = CheckMessage(*m, static_cast<Capture*>(user)->rows);
    if (!problem.empty()) Fail(problem);
}

// A reload replaces the block's declarations without releasing them, as
// declared. The target releases what was replaced, so that the host heap
// balances after every input and a long run does not grow by it.
void ReleaseReplaced(DCSData replaced, const DCSData& now)
{
    if (replaced.GenData == now.GenData) replaced.GenData = nullptr;
    if (replaced.GenDefs == now.GenDefs) replaced.GenDefs = nullptr;
    if (replaced.CtrlDefs == now.CtrlDefs) replaced.CtrlDefs = nullptr;
    if (replaced.PVDefs == now.PVDefs) replaced.PVDefs = nullptr;
    if (replaced.PVImportDefs == now.PVImportDefs) replaced.PVImportDefs = nullptr;
    if (replaced.CtrlDataDefault.Cells == now.CtrlDataDefault.Cells) {
        replaced.CtrlDataDefault.Cells = nullptr;
    }
    if (replaced.PVDataDefault.Cells == now.PVDataDefault.Cells) {
        replaced.PVDataDefault.Cells = nullptr;
    }
    if (replaced.PVImportDataDefault.Cells == now.PVImportDataDefault.Cells) {
        replaced.PVImportDataDefault.Cells = nullptr;
    }
    FreeDCSData(&replaced);
}

struct EntryPoint {
    int32_t (*call)(DCSData*);
    bool reloads;
};

const EntryPoint kEntries[] = {{DCSConfigure, false}, {DCSInitialize, false}, {DCSStart, false},
                               {DCSSimulate, false},  {DCSStop, false},       {DCSTimeZero, false},
                               {DCSReset, false},     {DCSDestroy, false},    {DCSLoad, true}};

// The entry points the input names, in its order; a plain run without any.
// Sets reloaded once a DCSLoad has replaced the host's declarations.
void RunSequence(Input& in, DCSData* d, const DCSData& kept, bool& reloaded)
{
    const int calls = in.Byte() % 13;
    std::vector<int> sequence;
    for (int i = 0; i < calls; ++i) sequence.push_back(in.Byte() % 9);
    if (sequence.empty()) sequence = {0, 1, 2, 3, 3, 4};  // a plain run
    for (int i : sequence) {
        DCSData replaced{};
        if (kEntries[i].reloads) {
            replaced = *d;
            if (!reloaded) {  // the host's first declarations, as spoiling found them
                replaced.GenDefs = kept.GenDefs;
                replaced.CtrlDefs = kept.CtrlDefs;
                replaced.PVImportDefs = kept.PVImportDefs;
            }
        }
        reloaded |= kEntries[i].reloads;
        const int32_t result = kEntries[i].call(d);
        if (kEntries[i].reloads) ReleaseReplaced(replaced, *d);
        if (kEntries[i].call == DCSSimulate && result != 1) {
            Fail("DCSSimulate did not return 1");
        }
    }
}

// After the closing DCSReset: nothing left open, no stray write, every box
// from the catalogue.
void CheckAfterReset(const Schedule& faults, BlockBuilder& b, const BlockSnapshot& before,
                     bool reloaded, const CatalogueRows& rows)
{
    const bool refused = faults.refusal || KeepsWhatItRefuses(g_countdown_op);
    const int32_t open = VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM) +
                         VnxSimOpenCount(VNX_KIND_LIST);
    if (!refused && (open != 0 || VnxSimApiRunning())) {
        Fail("left open after DCSReset: " + std::to_string(open) + " handles");
    }
    if (!reloaded) {
        for (const std::string& w : b.StrayWrites(before)) Fail("stray write: " + w);
    }
    for (int32_t i = 0; i < WinShimBoxCount(); ++i) {
        const std::string p =
            CheckBox(WinShimBoxCaption(i), WinShimBoxText(i), WinShimBoxType(i), rows);
        if (!p.empty()) Fail(p);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    Capture capture;
    VnxSimReset();
    WinShimReset();
    Driver = DriverState{};
    IFaceSetMessageEcho(Tracing() ? 1 : 0);
    VnxSimTraceEnable(Tracing() ? 1 : 0);
    IFaceSetMessageSink(&OnMessage, &capture);
    const int32_t live_before = HostLiveBlocks();
    bool reloaded = false;
    {
        BlockBuilder b(Guards::kAround);
        const uint8_t load_fault = in.Byte();
        IFaceHeapFailAllocation(load_fault < 0xE0 ? 0 : load_fault % 20);
        DCSLoad(b.get());
        IFaceHeapFailAllocation(0);

        size_t rows[3];
        DCSData* d = LayBlock(in, b, rows);

        const DCSData kept = *d;
        SpoilBlock(in, b, rows);
        capture.rows = {d->CtrlCount, d->PVCount, d->PVImportCount};
        DefineTags(in, rows[1]);
        const BlockSnapshot before = b.Take();

        const Schedule faults = ArmFaults(in);
        g_countdown_op = 0;
        g_countdown_call = faults.countdown ? VnxSimCallsTotal() + faults.countdown : 0;
        VnxSimSetCallHook(&RecordCall, nullptr);
        VnxSimFailNthCall(faults.countdown);

        RunSequence(in, d, kept, reloaded);
        DCSReset(d);

        CheckAfterReset(faults, b, before, reloaded, capture.rows);
        VnxSimSetCallHook(nullptr, nullptr);

        // The host's pointers back, so that the block is released as made
        // (a DCSLoad in the sequence has replaced them already).
        if (!reloaded) {
            d->GenDefs = kept.GenDefs;
            d->CtrlDefs = kept.CtrlDefs;
            d->PVImportDefs = kept.PVImportDefs;
        }
        b.Free();
    }
    if (HostLiveBlocks() != live_before) {
        Fail("host heap unbalanced after FreeDCSData");
    }
    IFaceSetMessageSink(nullptr, nullptr);
    return 0;
}
