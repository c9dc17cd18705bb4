// The simulated control system's tests: each starts and ends with a reset
// system, and reads the trace and committed values the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "standins/vnxsim/vnxsim.h"

class VnxSimTest : public ::testing::Test {
protected:
    void SetUp() override { VnxSimReset(); }
    void TearDown() override { VnxSimReset(); }

    void Start() { ASSERT_EQ(ApiStartup(), 0); }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        char buf[256];
        for (int i = 0; i < VnxSimTraceCount(); ++i) {
            VnxSimTraceLine(i, buf, sizeof buf);
            lines.emplace_back(buf);
        }
        return lines;
    }

    static float Committed(const char* name, int index = 0)
    {
        float f = -999.0f;
        EXPECT_EQ(VnxSimGetFloat(name, index, &f), 0);
        return f;
    }

    static int16_t WriteFloat(VnxHandle tag, float v)
    {
        return SetTagValue(tag, 1, &v, VNX_CONV_FLOAT);
    }
    static int16_t WriteInt(VnxHandle tag, int32_t v)
    {
        return SetTagValue(tag, 1, &v, VNX_CONV_INT);
    }
};
