// The block the driver tests run on: the shared builder, its columns declared
// by the driver (DCSLoad) unless told otherwise, and laid at once, so that
// GenData is there from the start. FreeDCSData releases it at the end.
#pragma once

#include "standins/hostblock/block_builder.h"

class TestBlock : public BlockBuilder {
public:
    explicit TestBlock(bool declare = true);
};
