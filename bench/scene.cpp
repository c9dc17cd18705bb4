#include "bench/scene.h"

#include <cstdio>
#include <string>

#include "dcs/driver/entry_points.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

std::unique_ptr<Scene> g_scene;

std::string RowName(const char* prefix, int32_t row, const char* suffix)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%04d%s", prefix, static_cast<int>(row), suffix);
    return name;
}

bool IsIntImport(int32_t row) { return row % 4 == 3; }

// The host's tables, as a user would have filled them in.
void FillBlock(BlockBuilder& block, int32_t rows)
{
    block.SetArrayTag(kArrayTagName);
    for (int32_t r = 0; r < rows; ++r) {
        block.AddController(RowName("FIC", r, ""), 1, 40.0 + r % 20, 0.25 + (r % 50) * 0.01);
        block.AddPV(RowName("FI", r, ".PV").c_str(), 1, 20.0 + 0.5 * (r % 100));
        block.AddImport(RowName("TI", r, ".PV").c_str(), IsIntImport(r) ? 1 : 0, 1, 1.0);
    }
}

// The floor takes the very name pointers the driver reads from the block.
void FillPlan(FloorPlan& p, BlockBuilder& block, int32_t rows)
{
    p.rows = rows;
    SizeFloorPlan(p);
    p.array_name = kArrayTagName;
    for (int32_t r = 0; r < rows; ++r) {
        const DCSCtrlRow& ctrl = block.Ctrl(r);
        for (int c = 0; c < CTRL_COLUMNS; ++c) p.ctrl_names[c][r] = ctrl.Cells[c].Text;
        p.pv_names[r] = block.PV(r).Cells[0].Text;
        p.import_names[r] = block.Import(r).Cells[0].Text;
        p.pv_values[r] = static_cast<float>(block.PV(r).Value);
        p.import_values[r] = static_cast<float>(block.Import(r).Value);
        p.sp_init_values[r] = static_cast<float>(ctrl.SP);
        p.op_init_values[r] = static_cast<float>(ctrl.OP * 100.0);
        p.import_conversions[r] = IsIntImport(r) ? VNX_CONV_INT : VNX_CONV_FLOAT;
    }
}

// Values the list reads bring back: percent OPs, setpoints, imports.
void DefineTags(const FloorPlan& p)
{
    VnxSimDefineArray(kArrayTagName, 0, static_cast<int16_t>(p.rows - 1), 0.0f);
    for (int32_t r = 0; r < p.rows; ++r) {
        VnxSimDefineFloat(p.ctrl_names[0][r], 45.0f + r % 10);
        VnxSimDefineFloat(p.ctrl_names[1][r], 30.0f + r % 40);
        VnxSimDefineInt(p.ctrl_names[2][r], 0);
        VnxSimDefineFloat(p.ctrl_names[3][r], 0.0f);
        VnxSimDefineFloat(p.ctrl_names[4][r], 0.0f);
        VnxSimDefineFloat(p.pv_names[r], 0.0f);
        if (IsIntImport(r))
            VnxSimDefineInt(p.import_names[r], r % 3);
        else
            VnxSimDefineFloat(p.import_names[r], 10.0f + r % 7);
    }
}

}  // namespace

bool BindScene(Scene& s)
{
    if (s.side == Side::kDriver) {
        s.bound = DCSConfigure(s.data) == 1;
    } else {
        FloorConfigure(s.plan);
        s.bound = true;
    }
    return s.bound;
}

void UnbindScene(Scene& s)
{
    if (s.side == Side::kDriver)
        DCSReset(s.data);
    else
        FloorReset(s.plan);
    s.bound = false;
}

void LeaveScene()
{
    if (!g_scene) return;
    if (g_scene->bound) UnbindScene(*g_scene);
    g_scene.reset();
    VnxSimReset();
}

Scene* EnterScene(Side side, int32_t rows, bool fresh)
{
    if (!fresh && g_scene && g_scene->side == side && g_scene->rows == rows && g_scene->bound) {
        SetArrayTagStatus(0);  // a per-tag benchmark may have left it failing
        return g_scene.get();
    }
    LeaveScene();
    g_scene = std::make_unique<Scene>();
    Scene& s = *g_scene;
    s.side = side;
    s.rows = rows;
    s.block = std::make_unique<BlockBuilder>();
    DCSLoad(s.block->get());  // declares the columns the rows are laid by
    FillBlock(*s.block, rows);
    s.data = s.block->get();
    FillPlan(s.plan, *s.block, rows);
    DefineTags(s.plan);
    return BindScene(s) ? &s : nullptr;
}

void SetArrayTagStatus(int16_t status) { VnxSimSetTagStatus(kArrayTagName, status); }
