// Text's members are thiscall on Windows: this in ECX, the callee pops its
// arguments. A host's iface.dll, built by another compiler, relies on both,
// so both sides are pinned here at the machine level: the stand-in's members
// called by hand through their imports, and the driver's call sites seen
// through spies put into the import slots.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/diag/report.h"
#include "tests/support/sim_fixture.h"

extern "C" {
// The import slots: member i's address as the loader bound it.
extern void* ImportCtor __asm__("__imp___ZN4TextC1EPKc");
extern void* ImportDtor __asm__("__imp___ZN4TextD1Ev");
extern void* ImportAppend __asm__("__imp___ZN4TextpLEPKc");

// Calls fn with self in ECX and, when pushes is 1, arg on the stack; returns
// how far ESP moved across the call (0 when the callee popped what was pushed)
// and stores EAX in *result.
int32_t CallThiscall(void* fn, void* self, const void* arg, int32_t pushes, void** result);

// What each spy saw of its last call: ECX, the first stack argument, the count.
struct SpyRecord {
    void* ecx;
    const void* arg;
    int32_t calls;
};
SpyRecord SpySeen[3];
void* SpyTarget[3];  // where each spy goes on to: the member the loader bound
void SpyCtor();
void SpyDtor();
void SpyAppend();
}

__asm__(R"(
    .text
    .globl _CallThiscall
_CallThiscall:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl %esp, %esi
    cmpl $0, 20(%ebp)
    je 1f
    pushl 16(%ebp)
1:
    movl 12(%ebp), %ecx
    call *8(%ebp)
    movl %esp, %edi
    movl %esi, %esp
    movl 24(%ebp), %ecx
    movl %eax, (%ecx)
    movl %edi, %eax
    subl %esi, %eax
    popl %edi
    popl %esi
    popl %ebp
    ret

    .macro SPY name, k
    .globl _\name
_\name:
    movl %ecx, _SpySeen+12*\k
    movl 4(%esp), %eax
    movl %eax, _SpySeen+12*\k+4
    incl _SpySeen+12*\k+8
    jmp *_SpyTarget+4*\k
    .endm
    SPY SpyCtor, 0
    SPY SpyDtor, 1
    SPY SpyAppend, 2
)");

namespace {

enum { kCtor, kDtor, kAppend };

int32_t LiveMallocBlocks()
{
    IFaceHeapStats stats;
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &stats);
    return stats.live_blocks;
}

// A Text between two guard words, so a member that takes its object from
// anywhere but ECX writes where the test sees it.
struct GuardedText {
    uint32_t before = 0xA5A5A5A5;
    uint32_t words[2] = {0xEEEEEEEE, 0xEEEEEEEE};
    uint32_t after = 0x5A5A5A5A;

    const char* Chars() const { return reinterpret_cast<const char*>(uintptr_t(words[1])); }
    bool GuardsHold() const { return before == 0xA5A5A5A5 && after == 0x5A5A5A5A; }
};

TEST(Thiscall, stand_in_members_take_this_in_ecx_and_pop_their_argument)
{
    GuardedText t;
    void* result = nullptr;
    const char abc[] = "abc";
    const char def[] = "def";

    EXPECT_EQ(CallThiscall(ImportCtor, t.words, abc, 1, &result), 0);
    EXPECT_STREQ(t.Chars(), "abc");
    EXPECT_EQ(t.words[0], 3u);

    EXPECT_EQ(CallThiscall(ImportAppend, t.words, def, 1, &result), 0);
    EXPECT_EQ(result, t.words);  // operator+= returns *this
    EXPECT_STREQ(t.Chars(), "abcdef");

    const int32_t live = LiveMallocBlocks();
    EXPECT_EQ(CallThiscall(ImportDtor, t.words, nullptr, 0, &result), 0);
    EXPECT_EQ(LiveMallocBlocks(), live - 1);  // the characters went back to the heap
    EXPECT_TRUE(t.GuardsHold());
}

class ThiscallSpies : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        std::memset(SpySeen, 0, sizeof SpySeen);
        Swap(&ImportCtor, kCtor, reinterpret_cast<void*>(&SpyCtor));
        Swap(&ImportDtor, kDtor, reinterpret_cast<void*>(&SpyDtor));
        Swap(&ImportAppend, kAppend, reinterpret_cast<void*>(&SpyAppend));
    }
    void TearDown() override
    {
        for (auto& [slot, k] : slots_) Put(slot, SpyTarget[k]);
        SimTest::TearDown();
    }

    static void Put(void** slot, void* value)
    {
        DWORD old = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        *slot = value;
        VirtualProtect(slot, sizeof *slot, old, &old);
    }
    void Swap(void** slot, int k, void* spy)
    {
        SpyTarget[k] = *slot;
        Put(slot, spy);
        slots_.push_back({slot, k});
    }

    std::vector<std::pair<void**, int>> slots_;
};

TEST_F(ThiscallSpies, driver_passes_this_in_ecx_and_the_text_on_the_stack)
{
    ReportDataQuality(0xC0, MSG_PVIMPORT_VENDOR, 4);

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "DCSPVImportVendorMsg(\"Data Quality = " +
                                 std::string(DataQualityText(0xC0)) + "\", 4)");
    EXPECT_EQ(SpySeen[kCtor].calls, 1);
    EXPECT_EQ(SpySeen[kAppend].calls, 1);
    EXPECT_EQ(SpySeen[kDtor].calls, 1);
    void* self = SpySeen[kCtor].ecx;
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(SpySeen[kAppend].ecx, self);
    EXPECT_EQ(SpySeen[kDtor].ecx, self);
    EXPECT_STREQ(static_cast<const char*>(SpySeen[kCtor].arg), "Data Quality = ");
    EXPECT_EQ(SpySeen[kAppend].arg, DataQualityText(0xC0));
}

}  // namespace
