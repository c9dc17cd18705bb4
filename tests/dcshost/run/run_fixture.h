// What the run command's tests share: a one-loop scenario, its parse, and a
// fixture that runs a scenario against the module the tests drive (the driver, or
// the recorder module in its place: support/module_path.h), loaded by path.
#pragma once

#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "dcshost/host/interrupt.h"
#include "dcshost/host/session.h"
#include "dcshost/run/check.h"
#include "dcshost/run/run.h"
#include "standins/vnxsim/vnxsim.h"
#include "tests/support/module_path.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_double.h"
#endif

// One level loop on a tank, with one import that can be spoiled.
inline std::string OneLoop(const std::string& import_tag_extra, const std::string& mode_tag)
{
    return R"(
title = "one loop"
[run]
step = 1.0
duration = 120.0
[[run.event]]
at = 10.0
tag = "L.SP"
value = 60.0
[system]
array = [{ name = "ARR", upper = 0 }]
tag = [
  { name = "L.SP", value = 50 }, { name = "L.OP", value = 50 }, { name = "L.MODE", type = "int" },
  { name = "L.SPINIT" }, { name = "L.OPINIT" }, { name = "L.PV" },
  { name = "Q", value = 3 )" +
           import_tag_extra + R"( },
]
pid = [{ name = "L", sp_tag = "L.SP", op_tag = "L.OP", mode_tag = "L.MODE", sp_init_tag = "L.SPINIT", op_init_tag = "L.OPINIT", pv_tag = "ARR", pv_index = 0, kp = 5.0, ti = 50.0 }]
[host]
pv_array_tag = "ARR"
controller = [{ name = "L", sp_tag = "L.SP", op_tag = "L.OP", mode_tag = ")" +
           mode_tag +
           R"(", sp_init_tag = "L.SPINIT", op_init_tag = "L.OPINIT", sp = 50, op = 0.5, pv = "LV" }]
pv = [{ name = "LV", tag = "L.PV", from = "plant:tank" }]
import = [{ name = "Q", tag = "Q", value = 3 }]
[plant]
block = [
  { name = "tank", kind = "integrating", initial = 50, lo = 0, hi = 100, inputs = [{ from = "op:L", gain = 0.02 }, { from = "import:Q", gain = -0.3333333333333333 }] },
]
[[run.event]]
at = 0.0
tag = "Q"
value = 3
)";
}

inline Scenario Parse(const std::string& text)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    EXPECT_TRUE(ParseScenario(text, "one.toml", s, errors));
    for (const ScenarioError& error : errors) ADD_FAILURE() << FormatScenarioError(error);
    return s;
}

class Run : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        options_.settle_wait = false;  // the module's Sleep import skipped: no real settle
#else
        WinShimReset();
#endif
        options_.driver_path = TestModulePath();
        options_.out_dir = ::testing::TempDir();
        // One name per test: ctest runs the cases of this file side by side.
        options_.out_name = std::string("run_test_") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    int RunCapturing(const Scenario& s)
    {
        ::testing::internal::CaptureStdout();
        int code = RunScenario(s, options_);
        output_ = ::testing::internal::GetCapturedStdout();
        return code;
    }

    bool Printed(const std::string& line) const
    {
        return output_.find("\n" + line + "\n") != std::string::npos;
    }

    RunOptions options_;
    std::string output_;
};
