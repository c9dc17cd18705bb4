// The block the sweeps run on: a few rows in every table, an active and an
// inactive row of each kind, both mappings on both import data types, and the
// tags the block names defined in the simulated control system.
#pragma once

#include "standins/hostblock/block_builder.h"

// Fills the host's part; call DCSLoad before and Lay() after.
void FillRealisticBlock(BlockBuilder& block);
// Integers for names that end in "MODE", floats for the rest, and the array
// tag with one element per PV row. Names defined twice keep the first.
void DefineTagsOf(const BlockBuilder& block);
