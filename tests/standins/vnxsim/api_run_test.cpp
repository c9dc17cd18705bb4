// Starting, stopping and restarting the simulated control system's client API.
#include <cstring>

#include "tests/standins/vnxsim/vnxsim_fixture.h"

namespace {

class ApiRun : public VnxSimTest {
protected:
    // Started, with tag A open and an item of it in a list.
    void OpenTagAndItem()
    {
        VnxSimDefineFloat("A", 1.0f);
        Start();
        tag_ = OpenTag("A");
        list_ = CreateTagList();
        item_ = AddTagToList(list_, "A");
        ASSERT_NE(item_, nullptr);
    }

    VnxHandle tag_ = nullptr;
    VnxHandle list_ = nullptr;
    VnxHandle item_ = nullptr;
};

TEST_F(ApiRun, refuses_every_operation_until_started)
{
    VnxSimDefineFloat("A", 1.0f);
    uint32_t slot = 0;
    float v = 1.0f;
    EXPECT_EQ(ValidateTagName("A"), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(OpenTag("A"), nullptr);
    EXPECT_EQ(CreateTagList(), nullptr);
    EXPECT_EQ(DataServicesStartup(&slot), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(ServiceEvents(), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(SetTagValue(nullptr, 1, &v, 9), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(ApiShutdown(), VNX_ST_API_NOT_INITIALIZED);

    EXPECT_EQ(ApiStartup(), 0);
    EXPECT_EQ(ApiStartup(), 0);
    EXPECT_EQ(VnxSimApiRunning(), 1);
    EXPECT_EQ(DataServicesStartup(nullptr), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(DataServicesStartup(&slot), 0);
    EXPECT_NE(slot, 0u);
    EXPECT_EQ(ServiceEvents(), 0);
    EXPECT_EQ(VnxSimCallCount(VNX_OP_ServiceEvents), 2);
    EXPECT_EQ(VnxSimCallsTotal(), 12);
}

TEST_F(ApiRun, shutdown_stales_lists_and_leaves_unclosed_tags_and_items_open)
{
    ASSERT_NO_FATAL_FAILURE(OpenTagAndItem());
    ASSERT_EQ(ApiShutdown(), 0);

    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_LIST), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_ITEM), 1);
    EXPECT_EQ(CloseTag(tag_), VNX_ST_API_NOT_INITIALIZED);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG), 1);

    Start();
    EXPECT_EQ(ListRewind(list_), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(ListFirst(list_), nullptr);
    EXPECT_EQ(ReadTagList(list_), VNX_ST_INVALID_HANDLE);
    // The leaked item outlived its list and can still be closed.
    EXPECT_EQ(CloseTag(item_), 0);
    EXPECT_EQ(CloseTag(tag_), 0);
    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM), 0);
}

TEST_F(ApiRun, restart_stales_every_handle_and_keeps_tags_and_the_api)
{
    ASSERT_NO_FATAL_FAILURE(OpenTagAndItem());
    VnxSimRestart();

    EXPECT_EQ(VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM) +
                  VnxSimOpenCount(VNX_KIND_LIST),
              0);
    EXPECT_EQ(GetTagStatus(tag_), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(ReadTagList(list_), VNX_ST_INVALID_HANDLE);
    EXPECT_EQ(CloseTag(item_), VNX_ST_INVALID_HANDLE);
    // The API is still up and the tag still there: it opens again.
    VnxHandle again = OpenTag("A");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, tag_);
    EXPECT_EQ(CloseTag(again), 0);
}

TEST_F(ApiRun, validates_syntax_without_looking_names_up)
{
    Start();
    EXPECT_EQ(ValidateTagName("NOT.DEFINED:X[1]_a-b"), 0);
    EXPECT_EQ(ValidateTagName(std::string(64, 'A').c_str()), 0);
    for (const char* bad : {"", "   ", "A B", "A\"", "A/B"}) {
        EXPECT_EQ(ValidateTagName(bad), VNX_ST_TAG_NAME_INVALID) << '"' << bad << '"';
    }
    EXPECT_EQ(ValidateTagName(std::string(65, 'A').c_str()), VNX_ST_TAG_NAME_INVALID);
    EXPECT_EQ(ValidateTagName(nullptr), VNX_ST_INVALID_POINTER);
    EXPECT_EQ(VnxSimDefineFloat("A B", 0.0f), VNX_ST_TAG_NAME_INVALID);
    EXPECT_EQ(OpenTag("NOT.DEFINED"), nullptr);
}

}  // namespace
