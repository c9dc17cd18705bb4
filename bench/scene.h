// The scene a benchmark runs in: the simulated control system holding one
// scaled tag database, and either the driver module or the floor bound to it.
// The control system is process-wide, so there is one scene at a time; it is
// kept while benchmarks ask for the same side and size.
#pragma once

#include <cstdint>
#include <memory>

#include "bench/floor.h"
#include "dcs/data/dcs_data.h"
#include "standins/hostblock/block_builder.h"

enum class Side { kDriver, kFloor };

struct Scene {
    Side side = Side::kDriver;
    int32_t rows = 0;
    bool bound = false;
    // Host side: the block the driver gets. The floor uses the same names and values.
    std::unique_ptr<BlockBuilder> block;
    DCSData* data = nullptr;
    FloorPlan plan;
};

// Every table holds `rows` rows, all active: controllers with five tags each,
// exported PVs, and imports of which every fourth is an integer tag mapped as
// "Controller Mode". The PV export array tag holds one element per PV row.
constexpr const char* kArrayTagName = "PVARRAY";

// The bound scene for this side and size, its array tag's status good;
// `fresh` rebuilds it from an empty control system even when the current one
// fits. Null when binding failed.
Scene* EnterScene(Side side, int32_t rows, bool fresh = false);
// Unbinds and empties the control system.
void LeaveScene();

// DCSConfigure or the floor's bind; true when bound.
bool BindScene(Scene& scene);
// DCSReset or the floor's release.
void UnbindScene(Scene& scene);
// What GetTagStatus answers for the array tag: non-zero sends the exported
// PVs down the per-tag path.
void SetArrayTagStatus(int16_t status);
