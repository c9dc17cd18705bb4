// Leaves DriverState as a successful configuration would, but through the
// client library directly, so the exchange tests do not depend on binding.
#pragma once

#include "standins/hostblock/block_builder.h"
#include "tests/support/sim_fixture.h"

// Starts the API and data services, opens every named tag the simulated
// control system knows (unknown names leave their slot null), opens the array
// tag, and builds the SP, OP and PV import lists by name in row order: the SP
// list is list:1, the OP list list:2, the import list list:3.
void BindByHand(BlockBuilder& block);

// Tests of the code behind a bound driver, on a block without declarations.
class HandBoundTest : public SimTest {
protected:
    // Defines the block's tags (integer imports first, by the caller), binds by
    // hand and forgets the binding's trace and messages.
    DCSData* Bind();

    TestBlock block{false};
};
