#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/link/bind.h"
#include "dcs/link/release.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/trace_lines.h"

namespace {

// Emptying a list that holds these items, in order: the next item is asked
// for after the current one is closed, and each item ends in ServiceEvents.
Lines Emptied(const std::string& list, const Lines& items)
{
    Lines out{"ListRewind(" + list + ") = 0",
              "ListFirst(" + list + ") = " + (items.empty() ? "0" : items[0])};
    for (size_t i = 0; i < items.size(); ++i) {
        out.push_back("RemoveTagFromList(" + list + ", " + items[i] + ") = 0");
        out.push_back("CloseTag(" + items[i] + ") = 0");
        out.push_back("ListNext(" + list + ") = " + (i + 1 < items.size() ? items[i + 1] : "0"));
        out.push_back("ServiceEvents() = 0");
    }
    return out;
}

Lines Closed(const std::string& tag) { return {"CloseTag(tag:" + tag + ") = 0"}; }

class Reset : public SimTest {
protected:
    // 2 controllers, 3 PV exports, 1 PV import, bound.
    void Bind(TestBlock& b)
    {
        b.SetArrayTag("PVARR");
        b.AddController("A");
        b.AddController("B");
        b.AddPV("P0");
        b.AddPV("P1");
        b.AddPV("P2");
        b.AddImport("X0");
        DefineTagsFor(b);
        ASSERT_EQ(ConfigureDriver(b.get()), 1);
        ClearTrace();
    }

    // Calls of one operation since the last ClearTrace().
    size_t Calls(const std::string& op) const { return TraceOf({op}).size(); }

    void ExpectReleased()
    {
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 0);
        EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
        EXPECT_EQ(OccupiedRowSlots(), 0);
        EXPECT_EQ(Driver.PVExportArrayTag, nullptr);
    }
};

TEST_F(Reset, releases_bound_driver_in_step_order)
{
    TestBlock b;
    Bind(b);
    const Lines controller_a = Closed("A.OP") + Closed("A.SP") + Closed("A.OPINIT") +
                               Closed("A.SPINIT") + Closed("A.MODE");
    const Lines controller_b = Closed("B.OP") + Closed("B.SP") + Closed("B.OPINIT") +
                               Closed("B.SPINIT") + Closed("B.MODE");
    const Lines event{"ServiceEvents() = 0"};

    EXPECT_EQ(ResetDriver(b.get()), 0);

    const Lines full = Emptied("list:1", {"item:A.SP", "item:B.SP"}) +
                       Emptied("list:2", {"item:A.OP", "item:B.OP"}) +
                       Emptied("list:3", {"item:X0"}) + Closed("P0") + event + Closed("P1") +
                       event + Closed("P2") + event + Closed("X0") + event + controller_a + event +
                       controller_b + event + Closed("PVARR") + event +
                       Lines{"DataServicesShutdown() = 0", "ApiShutdown() = 0"};
    EXPECT_EQ(Trace(), full);
    EXPECT_EQ(Calls("RemoveTagFromList"), 5u);
    EXPECT_EQ(Calls("CloseTag"), 5u + 3 + 1 + 10 + 1);
    EXPECT_EQ(Calls("ServiceEvents"), 5u + 3 + 1 + 2 + 1);
    ExpectReleased();
    EXPECT_EQ(Driver.SPTagList, nullptr);
    EXPECT_EQ(Driver.OPTagList, nullptr);
    EXPECT_EQ(Driver.PVImportTagList, nullptr);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Reset, unbound_driver_closes_nothing)
{
    TestBlock b;
    b.AddController("A");
    b.AddPV("P0");
    b.AddPV("P1");
    b.AddImport("X0");
    EXPECT_EQ(ResetDriver(b.get()), 33);  // the library never started
    const Lines expected = Repeat("ServiceEvents() = 33", 2 + 1 + 1 + 1) +
                           Lines{"DataServicesShutdown() = 33", "ApiShutdown() = 33"};
    EXPECT_EQ(Trace(), expected);
}

TEST_F(Reset, second_reset_closes_nothing_and_shuts_down_again)
{
    TestBlock b;
    Bind(b);
    ResetDriver(b.get());
    ClearTrace();
    ResetDriver(b.get());
    // The lists went with the first reset: no stale list reaches the library.
    EXPECT_EQ(TraceOf({"ListRewind", "ListFirst", "CloseTag"}), Lines{});
    EXPECT_EQ(TraceOf({"DataServicesShutdown", "ApiShutdown"}),
              (Lines{"DataServicesShutdown() = 33", "ApiShutdown() = 33"}));
    ExpectReleased();
}

TEST_F(Reset, returns_what_api_shutdown_returned)
{
    TestBlock b;
    Bind(b);
    VnxSimInject(VNX_OP_ApiShutdown, nullptr, -3, 0, 1);
    EXPECT_EQ(ResetDriver(b.get()), -3);
    EXPECT_EQ(Trace().back(), "ApiShutdown() = -3");
}

// Failures of the release calls change nothing in the course of the reset.
TEST_F(Reset, goes_on_whatever_closes_return)
{
    TestBlock b;
    Bind(b);
    VnxSimInject(VNX_OP_CloseTag, nullptr, 42, 0, 3);
    VnxSimInject(VNX_OP_DataServicesShutdown, nullptr, 254, 0, 1);
    EXPECT_EQ(ResetDriver(b.get()), 0);
    EXPECT_EQ(Calls("CloseTag"), 5u + 3 + 1 + 10 + 1);
    EXPECT_TRUE(Messages().empty());
}

// Rows the block no longer counts are neither closed nor cleared.
TEST_F(Reset, walks_only_rows_the_block_counts_now)
{
    TestBlock b;
    Bind(b);
    DCSData* d = b.get();
    d->PVCount = 1;
    ResetDriver(d);
    EXPECT_EQ(Driver.PVExportTags[0], nullptr);
    EXPECT_NE(Driver.PVExportTags[1], nullptr);
    EXPECT_NE(Driver.PVExportTags[2], nullptr);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 2);
}

// Counts outside the tables: at most MAXDCSROWS rows, none for a negative count.
TEST_F(Reset, walk_is_bounded_by_handle_tables)
{
    TestBlock b;
    Bind(b);
    DCSData* d = b.get();
    d->CtrlCount = MAXDCSROWS + 500;
    d->PVCount = -1;
    d->PVImportCount = MAXDCSROWS;
    Driver.CtrlModeTags[MAXDCSROWS - 1] =
        reinterpret_cast<VnxHandle>(0x7777);  // the last slot is walked
    ResetDriver(d);
    EXPECT_EQ(Calls("ServiceEvents"), 5u + 0 + MAXDCSROWS + MAXDCSROWS + 1);
    EXPECT_EQ(Calls("CloseTag"), 5u + 0 + 1 + 10 + 1 + 1);
    EXPECT_EQ(Driver.CtrlModeTags[MAXDCSROWS - 1], nullptr);
    EXPECT_NE(Driver.PVExportTags[0], nullptr);
}

// A library that never ends a list cannot hold the reset forever.
TEST_F(Reset, empties_at_most_max_rows_items_per_list)
{
    TestBlock b;
    Bind(b);
    const VnxHandle list = Driver.SPTagList;
    VnxSimInjectList(VNX_OP_ListNext, list, 0x7777, 0, -1);
    ResetDriver(b.get());
    EXPECT_EQ(Calls("ListNext"), MAXDCSROWS + 2u + 1);
    // The walk never met B.SP: it is removed through its slot afterwards.
    EXPECT_EQ(Calls("RemoveTagFromList"), MAXDCSROWS + 1u + 2 + 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
}

// A list the library ends too early still has its items released, each once.
TEST_F(Reset, releases_items_a_cut_short_walk_did_not_meet)
{
    TestBlock b;
    Bind(b);
    VnxSimInjectList(VNX_OP_ListFirst, Driver.SPTagList, 0, 0, 1);
    VnxSimInjectList(VNX_OP_ListNext, Driver.OPTagList, 0, 0, 1);
    ResetDriver(b.get());
    const Lines walked_sp{"ListRewind(list:1) = 0",
                          "ListFirst(list:1) = 0",
                          "RemoveTagFromList(list:1, item:A.SP) = 0",
                          "CloseTag(item:A.SP) = 0",
                          "ServiceEvents() = 0",
                          "RemoveTagFromList(list:1, item:B.SP) = 0",
                          "CloseTag(item:B.SP) = 0",
                          "ServiceEvents() = 0"};
    const Lines walked_op{"ListRewind(list:2) = 0",
                          "ListFirst(list:2) = item:A.OP",
                          "RemoveTagFromList(list:2, item:A.OP) = 0",
                          "CloseTag(item:A.OP) = 0",
                          "ListNext(list:2) = 0",
                          "ServiceEvents() = 0",
                          "RemoveTagFromList(list:2, item:B.OP) = 0",
                          "CloseTag(item:B.OP) = 0",
                          "ServiceEvents() = 0"};
    const Lines trace = Trace();
    EXPECT_EQ(Lines(trace.begin(), trace.begin() + 17), walked_sp + walked_op);
    EXPECT_EQ(Calls("CloseTag"), 5u + 3 + 1 + 10 + 1);
    ExpectReleased();
}

TEST_F(Reset, empty_tag_list_ignores_null_list)
{
    EmptyTagList(nullptr);
    EXPECT_EQ(Trace(), Lines{});
}

TEST_F(Reset, binds_fresh_lists_after_a_reset)
{
    TestBlock b;
    Bind(b);
    ResetDriver(b.get());
    ASSERT_EQ(ConfigureDriver(b.get()), 1);
    EXPECT_EQ(TraceOf({"CreateTagList"}),
              (Lines{"CreateTagList() = list:4", "CreateTagList() = list:5",
                     "CreateTagList() = list:6"}));
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 5);
}

}  // namespace
