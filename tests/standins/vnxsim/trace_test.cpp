// The simulated control system's trace of client-library calls.
#include <cstdio>
#include <cstring>
#include <utility>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Trace : public VnxSimTest {};

TEST_F(Trace, writes_one_line_per_call_in_the_documented_form)
{
    VnxSimDefineInt("FIC101.MODE", 0);
    VnxSimDefineArray("PVARR", 0, 3, 0.0f);
    VnxSimDefineFloat("FIC101.OP", 35.0f);
    VnxSimDefineFloat("FIC101.SP", 0.0f);
    Start();
    VnxHandle mode = OpenTag("FIC101.MODE");
    VnxHandle arr = OpenTag("PVARR");
    VnxHandle l1 = CreateTagList();
    VnxHandle l2 = CreateTagList();
    VnxSimTraceEnable(1);
    OpenTag("FIC101.SP");
    int32_t one = 1;
    SetTagValue(mode, 1, &one, 12);
    float f = 42.5f;
    SetArrayElement(arr, 3, 1, &f, 9);
    SetTagValue(mode, 1, &one, 5);
    VnxHandle item = AddTagToList(l2, "FIC101.OP");
    ReadTagList(l2);
    GetTagValue(item, 0, &f, 9, 0, 0);
    GetTagValue(item, 0, &f, 4, 0, 0);
    VnxSimSetFloat("FIC101.OP", 0, 0.35f);
    ReadTagList(l2);
    GetTagValue(item, 0, &f, 9, 0, 0);
    ReadTagList(l1);
    CloseTag(item);
    CloseTag(item);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "OpenTag(\"FIC101.SP\") = tag:FIC101.SP",
                           "SetTagValue(tag:FIC101.MODE, 1, int 1, 12) = 0",
                           "SetArrayElement(tag:PVARR, 3, 1, float 42.5, 9) = 0",
                           "SetTagValue(tag:FIC101.MODE, 1, hex 01000000, 5) = 17",
                           "AddTagToList(list:2, \"FIC101.OP\") = item:FIC101.OP",
                           "ReadTagList(list:2) = 0",
                           "GetTagValue(item:FIC101.OP, 0, float 35, 9, 0, 0) = 0",
                           "GetTagValue(item:FIC101.OP, 0, -, 4, 0, 0) = 17",
                           "ReadTagList(list:2) = 0",
                           "GetTagValue(item:FIC101.OP, 0, float 0.35, 9, 0, 0) = 0",
                           "ReadTagList(list:1) = 0",
                           "CloseTag(item:FIC101.OP) = 0",
                           "CloseTag(stale:0x" +
                               [&] {
                                   char buf[16];
                                   std::snprintf(buf, sizeof buf, "%lx",
                                                 static_cast<unsigned long>(
                                                     reinterpret_cast<uintptr_t>(item)));
                                   return std::string(buf);
                               }() +
                               ") = 42",
                       }));

    VnxSimTraceEnable(0);
    VnxSimTraceClear();
    int32_t before = VnxSimCallCount(VNX_OP_ServiceEvents);
    ServiceEvents();
    EXPECT_EQ(VnxSimTraceCount(), 0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), before + 1);
    char small[8];
    VnxSimTraceEnable(1);
    ServiceEvents();
    EXPECT_EQ(VnxSimTraceLine(0, small, sizeof small), 19);  // "ServiceEvents() = 0"
    EXPECT_STREQ(small, "Service");
    EXPECT_EQ(VnxSimTraceLine(1, small, sizeof small), -1);
}

TEST_F(Trace, hook_runs_after_each_call_with_its_number)
{
    std::vector<std::pair<int32_t, int32_t>> calls;
    VnxSimSetCallHook(
        [](int32_t op, int32_t n, void* user) {
            static_cast<std::vector<std::pair<int32_t, int32_t>>*>(user)->emplace_back(op, n);
            ServiceEvents();  // a hook may call the library without recursing
        },
        &calls);
    ApiStartup();
    ServiceEvents();
    EXPECT_EQ(calls, (std::vector<std::pair<int32_t, int32_t>>{{VNX_OP_ApiStartup, 1},
                                                               {VNX_OP_ServiceEvents, 3}}));
    VnxSimReset();
    ApiStartup();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(VnxSimCallsTotal(), 1);
}

}  // namespace
