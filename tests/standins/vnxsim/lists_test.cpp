// Tag lists of the simulated control system and their iteration.
#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class Lists : public VnxSimTest {};

TEST_F(Lists, iterate_in_order_through_removal_and_close_of_the_current_item)
{
    for (const char* n : {"A", "B", "C"}) VnxSimDefineFloat(n, 0.0f);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle a = AddTagToList(list, "A");
    VnxHandle b = AddTagToList(list, "B");
    VnxHandle c = AddTagToList(list, "C");
    EXPECT_EQ(AddTagToList(list, "UNKNOWN"), nullptr);
    EXPECT_EQ(ListFirst(list), a);
    EXPECT_EQ(ListNext(list), b);
    EXPECT_EQ(ListNext(list), c);
    EXPECT_EQ(ListNext(list), nullptr);

    // The driver's release loop: remove, close, then ask for the next.
    std::vector<VnxHandle> seen;
    ASSERT_EQ(ListRewind(list), 0);
    for (VnxHandle it = ListFirst(list); it; it = ListNext(list)) {
        seen.push_back(it);
        EXPECT_EQ(RemoveTagFromList(list, it), 0);
        EXPECT_EQ(CloseTag(it), 0);
    }
    EXPECT_EQ(seen, (std::vector<VnxHandle>{a, b, c}));
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 0);
    EXPECT_EQ(ListFirst(list), nullptr);
}

TEST_F(Lists, close_of_a_listed_item_unlinks_it_and_remove_only_detaches)
{
    for (const char* n : {"A", "B", "C"}) VnxSimDefineFloat(n, 0.0f);
    Start();
    VnxHandle list = CreateTagList();
    VnxHandle other = CreateTagList();
    VnxHandle a = AddTagToList(list, "A");
    VnxHandle b = AddTagToList(list, "B");
    VnxHandle c = AddTagToList(list, "C");
    VnxHandle foreign = AddTagToList(other, "A");

    EXPECT_EQ(ListFirst(list), a);
    EXPECT_EQ(CloseTag(a), 0);  // the current item, still in the list
    EXPECT_EQ(ListNext(list), b);
    EXPECT_EQ(CloseTag(c), 0);  // the next one
    EXPECT_EQ(ListNext(list), nullptr);

    EXPECT_EQ(RemoveTagFromList(list, foreign), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(RemoveTagFromList(list, b), 0);
    EXPECT_EQ(RemoveTagFromList(list, b), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(ListFirst(list), nullptr);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 2);  // b detached, foreign listed
    EXPECT_EQ(GetTagStatus(b), 0);
}

}  // namespace
