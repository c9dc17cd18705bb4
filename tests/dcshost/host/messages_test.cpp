// The host message log: what the host interface library hands over reaches
// the log whole, argument kinds and wording included, and outlives the call.
#include <gtest/gtest.h>

#include "dcs/host/iface.h"
#include "dcshost/host/messages.h"
#include "standins/iface/iface_control.h"

TEST(Messages, keeps_key_arguments_and_wording_of_each_message)
{
    MessageLog log;
    log.SetPrinting(false);
    std::vector<std::string> seen;
    log.SetObserver([&](const ReceivedMessage& m) { seen.push_back(m.key); });
    log.Attach();
    {
        std::string text = "Tag name is invalid";
        ErrorMsg("DCSPVVendorMsg", text.c_str(), 3);
    }
    ErrorMsg("DCSGeneralVendorMsg2", "Failure", "for PV Import Tag List");
    ErrorMsg("DCSArrayTagError");
    log.Detach();
    ErrorMsg("DCSArrayTagError");  // after Detach: not the log's

    ASSERT_EQ(log.All().size(), 3u);
    const ReceivedMessage& row = log.All()[0];
    EXPECT_EQ(row.key, "DCSPVVendorMsg");
    EXPECT_EQ(row.Text(), "Tag name is invalid");
    EXPECT_EQ(row.Row(), 3);
    EXPECT_EQ(row.Context(), "");
    EXPECT_NE(row.wording.find("Tag name is invalid"), std::string::npos);
    const ReceivedMessage& list = log.All()[1];
    EXPECT_EQ(list.Row(), -1);
    EXPECT_EQ(list.Context(), "for PV Import Tag List");
    EXPECT_EQ(log.All()[2].argc, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"DCSPVVendorMsg", "DCSGeneralVendorMsg2",
                                              "DCSArrayTagError"}));
    EXPECT_EQ(FormatHostMessage(log.All()[2]), "message DCSArrayTagError: " + log.All()[2].wording);
}
