// Fixture for tests that run driver code against the simulated control system:
// a fresh tag database and driver state per test, the trace on, every host
// message captured (and not echoed), and the recorded boxes and sleeps forgotten.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dcs/link/driver_state.h"
#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"
#include "tests/support/test_block.h"

// Handles left in the ten row tables of DriverState.
int OccupiedRowSlots();
// The value the simulated control system holds for a float tag (element index).
float CommittedFloat(const char* name, int index = 0);
// The simulated control system's trace, one line per client-library call.
std::vector<std::string> SimTraceLines();

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The trace since the last ClearTrace(), one line per client-library call.
    std::vector<std::string> Trace() const;
    // Only the lines of calls to these operations (by name, e.g. "CloseTag").
    std::vector<std::string> TraceOf(const std::vector<std::string>& ops) const;
    void ClearTrace();

    // Host messages as KEY, KEY("text"), KEY("text", 3) or KEY("text", "context").
    const std::vector<std::string>& Messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }

    // Message boxes as "caption: text".
    std::vector<std::string> Boxes() const;

    // Defines the tags a block names: float scalars for every controller
    // and PV-export tag, an integer for each Mode tag, floats for imports, and
    // the array tag with bounds 0..PVCount-1 (at least 0..0).
    void DefineTagsFor(BlockBuilder& block);

    static void Capture(const IFaceMessage* message, void* user);
    std::vector<std::string> messages_;
};
