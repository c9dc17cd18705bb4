// Starting values and controller modes against the simulated control system.
#include <cfloat>
#include <cstdio>

#include <gmock/gmock.h>
#include <string>

#include <gtest/gtest.h>

#include "dcs/driver/entry_points.h"
#include "dcs/link/controller_modes.h"
#include "dcs/link/initial_values.h"
#include "tests/dcs/link/hand_bind.h"
#include "tests/support/sim_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> kWrites = {"GetTagStatus", "SetTagValue", "SetArrayElement",
                                          "SendTag"};

class InitialValues : public HandBoundTest {
protected:
    // n active controllers C0.. with SP 10+i and OP 0.1*i.
    void AddControllers(int n)
    {
        for (int i = 0; i < n; ++i) {
            block.AddController("C" + std::to_string(i), 1, 10.0 + i, 0.1 * i);
        }
    }
};

TEST_F(InitialValues, initialize_writes_exports_imports_modes_then_init_values)
{
    block.SetArrayTag("ARR");
    block.AddPV("P0", 1, 4.5);
    block.AddImport("I0", 1, 1, 3.0);  // "Controller Mode": written unchanged, as a float
    block.AddController("A", 1, 50.0, 0.425);
    block.AddController("B", 0, 20.0, 0.75);  // inactive: SP Init only
    VnxSimDefineInt("I0", 0);
    DCSData* d = Bind();
    VnxSimInject(VNX_OP_ServiceEvents, nullptr, 7, 0, -1);

    EXPECT_EQ(DCSInitialize(d), 7);

    EXPECT_THAT(
        Trace(),
        ElementsAre("GetTagStatus(tag:ARR) = 0", "SetArrayElement(tag:ARR, 0, 1, float 4.5, 9) = 0",
                    "SendTag(tag:ARR) = 0", "GetTagStatus(tag:I0) = 0",
                    "SetTagValue(tag:I0, 1, float 3, 9) = 0", "SendTag(tag:I0) = 0",
                    "GetTagStatus(tag:A.MODE) = 0", "SetTagValue(tag:A.MODE, 1, int 0, 12) = 0",
                    "SendTag(tag:A.MODE) = 0", "GetTagStatus(tag:A.OPINIT) = 0",
                    "SetTagValue(tag:A.OPINIT, 1, float 42.5, 9) = 0", "SendTag(tag:A.OPINIT) = 0",
                    "GetTagStatus(tag:A.SPINIT) = 0",
                    "SetTagValue(tag:A.SPINIT, 1, float 50, 9) = 0", "SendTag(tag:A.SPINIT) = 0",
                    "GetTagStatus(tag:B.SPINIT) = 0",
                    "SetTagValue(tag:B.SPINIT, 1, float 20, 9) = 0", "SendTag(tag:B.SPINIT) = 0",
                    "ServiceEvents() = 7"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(InitialValues, scales_op_by_100_in_double_before_narrowing)
{
    block.AddController("A", 1, 0.0, 0.425);
    block.AddController("B", 1, 0.0, 0.35000000000000003);
    block.AddController("C", 1, 0.0, 1e300);  // saturates instead of overflowing the cast
    DCSData* d = Bind();

    WriteCtrlInitValues(d);

    EXPECT_EQ(CommittedFloat("A.OPINIT"), 42.5f);
    EXPECT_EQ(CommittedFloat("B.OPINIT"), 35.0f);
    EXPECT_EQ(CommittedFloat("C.OPINIT"), FLT_MAX);
}

TEST_F(InitialValues, start_and_stop_write_integer_modes_to_active_rows_only)
{
    block.AddController("A", 1);
    block.AddController("B", 0);
    block.AddController("C", 1);
    block.AddController("D", 1);
    DCSData* d = Bind();
    Driver.CtrlModeTags[3] = nullptr;  // passed over without a report

    EXPECT_EQ(DCSStart(d), 0);
    EXPECT_THAT(TraceOf({"SetTagValue", "ServiceEvents"}),
                ElementsAre("SetTagValue(tag:A.MODE, 1, int 1, 12) = 0",
                            "SetTagValue(tag:C.MODE, 1, int 1, 12) = 0", "ServiceEvents() = 0"));
    int32_t mode = -1;
    VnxSimGetInt("C.MODE", 0, &mode);
    EXPECT_EQ(mode, 1);

    ClearTrace();
    EXPECT_EQ(DCSStop(d), 0);
    EXPECT_THAT(TraceOf({"SetTagValue", "ServiceEvents"}),
                ElementsAre("SetTagValue(tag:A.MODE, 1, int 0, 12) = 0",
                            "SetTagValue(tag:C.MODE, 1, int 0, 12) = 0", "ServiceEvents() = 0"));
    VnxSimGetInt("C.MODE", 0, &mode);
    EXPECT_EQ(mode, 0);
    EXPECT_THAT(Messages(), IsEmpty());

    // Any non-zero mode argument writes exactly 1.
    ClearTrace();
    WriteCtrlModes(d, 7);
    EXPECT_THAT(TraceOf({"SetTagValue"}), ElementsAre("SetTagValue(tag:A.MODE, 1, int 1, 12) = 0",
                                                      "SetTagValue(tag:C.MODE, 1, int 1, 12) = 0"));
}

TEST_F(InitialValues, failed_op_init_at_row_2_leaves_its_sp_init_and_later_rows_unwritten)
{
    AddControllers(4);
    DCSData* d = Bind();
    VnxSimInject(VNX_OP_SendTag, "C2.OPINIT", 9, 0, -1);

    DCSInitialize(d);

    EXPECT_THAT(Messages(), ElementsAre("DCSCtrlOPVendorMsg(\"Transmittion failure\", 2)"));
    EXPECT_EQ(VnxSimSendCount("C1.SPINIT"), 1);
    EXPECT_EQ(VnxSimSendCount("C2.SPINIT"), 0);
    EXPECT_EQ(VnxSimSendCount("C3.OPINIT"), 0);
    EXPECT_EQ(VnxSimSendCount("C3.SPINIT"), 0);
    EXPECT_EQ(Trace().back(), "ServiceEvents() = 0");
}

TEST_F(InitialValues, failed_sp_init_stops_the_later_rows)
{
    AddControllers(3);
    DCSData* d = Bind();
    VnxSimSetTagStatus("C1.SPINIT", 21);

    EXPECT_EQ(WriteCtrlInitValues(d), 0);

    EXPECT_THAT(Messages(), ElementsAre("DCSCtrlSPVendorMsg(\"Segment Disabled\", 1)"));
    EXPECT_EQ(VnxSimSendCount("C1.OPINIT"), 1);
    EXPECT_EQ(VnxSimSendCount("C2.OPINIT"), 0);
}

TEST_F(InitialValues, failed_mode_write_stops_the_modes_but_not_the_init_values)
{
    AddControllers(4);
    DCSData* d = Bind();
    VnxSimInject(VNX_OP_SetTagValue, "C2.MODE", 16, 0, -1);

    DCSInitialize(d);

    EXPECT_THAT(Messages(), ElementsAre("DCSCtrlOPVendorMsg(\"Write error\", 2)"));
    EXPECT_EQ(VnxSimSendCount("C1.MODE"), 1);
    EXPECT_EQ(VnxSimSendCount("C3.MODE"), 0);
    for (const char* tag : {"C0.OPINIT", "C0.SPINIT", "C3.OPINIT", "C3.SPINIT"}) {
        EXPECT_EQ(VnxSimSendCount(tag), 1) << tag;
    }
}

TEST_F(InitialValues, failed_import_write_stops_the_later_imports)
{
    block.AddImport("I0", 0, 1, 1.0);
    block.AddImport("I1", 0, 0, 2.0);  // inactive: never written
    block.AddImport("I2", 0, 1, 3.0);
    block.AddImport("I3", 0, 1, 4.0);
    DCSData* d = Bind();
    VnxSimSetTagStatus("I2", 14);

    EXPECT_EQ(WritePVImportTags(d, 0), 0);
    EXPECT_THAT(Messages(),
                ElementsAre("DCSPVImportVendorMsg(\"Controller database has changed\", 2)"));
    EXPECT_THAT(TraceOf({"GetTagStatus"}),
                ElementsAre("GetTagStatus(tag:I0) = 0", "GetTagStatus(tag:I2) = 14"));

    ClearTrace();
    EXPECT_EQ(WritePVImportTags(d, 1), 0);  // the skip flag writes nothing
    EXPECT_THAT(Trace(), IsEmpty());
}

TEST_F(InitialValues, unbound_driver_only_services_events)
{
    block.SetArrayTag("ARR");
    AddControllers(2);
    block.AddImport("I0");
    block.AddPV("P0");
    DCSData* d = block.get();

    // The API is not running: each result is what ServiceEvents answered.
    EXPECT_EQ(DCSInitialize(d), 33);
    EXPECT_EQ(DCSStart(d), 33);
    EXPECT_EQ(DCSStop(d), 33);

    EXPECT_THAT(Trace(), ElementsAre("ServiceEvents() = 33", "ServiceEvents() = 33",
                                     "ServiceEvents() = 33"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(InitialValues, allocates_nothing)
{
    block.SetArrayTag("ARR");
    AddControllers(3);
    block.AddImport("I0");
    block.AddPV("P0", 1);
    block.AddPV("P1", 2);
    DCSData* d = Bind();
    IFaceHeapStats before[2], after[2];
    for (int f = 0; f < 2; ++f) IFaceHeapGetStats(f, &before[f]);

    DCSInitialize(d);
    DCSStart(d);
    DCSStop(d);

    for (int f = 0; f < 2; ++f) {
        IFaceHeapGetStats(f, &after[f]);
        EXPECT_EQ(after[f].allocations, before[f].allocations) << "family " << f;
    }
}

}  // namespace
