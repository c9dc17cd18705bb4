#include "tests/support/test_block.h"

#include <cstring>

#include "dcs/driver/entry_points.h"

TestBlock::TestBlock(bool declare)
{
    std::memset(&data_, 0, sizeof data_);
    if (declare) DCSLoad(&data_);
}

TestBlock::~TestBlock()
{
    data_.GenData = nullptr;  // the general cells are this host's own vector
    FreeDCSData(&data_);
}

char* TestBlock::Keep(const char* name)
{
    if (!name) return nullptr;
    names_.emplace_back(name);
    return &names_.back()[0];
}

void TestBlock::SetArrayTag(const char* name)
{
    gen_[0].Text = Keep(name);
}

int TestBlock::AddController(const char* sp, const char* op, const char* mode, const char* sp_init,
                             const char* op_init, int16_t active, double sp_value, double op_value)
{
    cells_.emplace_back(5);
    std::vector<DCSCell>& c = cells_.back();
    for (DCSCell& cell : c) std::memset(&cell, 0, sizeof cell);
    c[0].Text = Keep(sp);
    c[1].Text = Keep(op);
    c[2].Text = Keep(mode);
    c[3].Text = Keep(sp_init);
    c[4].Text = Keep(op_init);
    DCSCtrlRow row;
    std::memset(&row, 0, sizeof row);
    row.Active = active;
    row.HostValue1 = 1.0;
    row.SP = sp_value;
    row.OP = op_value;
    row.Cells = c.data();
    ctrl_.push_back(row);
    return static_cast<int>(ctrl_.size()) - 1;
}

int TestBlock::AddController(const std::string& base, int16_t active, double sp_value,
                             double op_value)
{
    return AddController((base + ".SP").c_str(), (base + ".OP").c_str(), (base + ".MODE").c_str(),
                         (base + ".SPINIT").c_str(), (base + ".OPINIT").c_str(), active, sp_value,
                         op_value);
}

int TestBlock::AddPV(const char* tag, int16_t active, double value)
{
    cells_.emplace_back(1);
    std::vector<DCSCell>& c = cells_.back();
    std::memset(c.data(), 0, sizeof(DCSCell));
    c[0].Text = Keep(tag);
    DCSPVRow row;
    std::memset(&row, 0, sizeof row);
    row.Active = active;
    row.Value = value;
    row.Cells = c.data();
    pv_.push_back(row);
    return static_cast<int>(pv_.size()) - 1;
}

int TestBlock::AddImport(const char* tag, int32_t mapping, int16_t active, double value)
{
    cells_.emplace_back(2);
    std::vector<DCSCell>& c = cells_.back();
    std::memset(c.data(), 0, 2 * sizeof(DCSCell));
    c[0].Text = Keep(tag);
    c[1].Int = mapping;
    DCSPVImportRow row;
    std::memset(&row, 0, sizeof row);
    row.Active = active;
    row.Value = value;
    row.Cells = c.data();
    import_.push_back(row);
    return static_cast<int>(import_.size()) - 1;
}

void TestBlock::SetCtrlName(int row, int col, const char* name)
{
    ctrl_[row].Cells[col].Text = Keep(name);
}

void TestBlock::SetPVName(int row, const char* name)
{
    pv_[row].Cells[0].Text = Keep(name);
}

void TestBlock::SetImportName(int row, const char* name)
{
    import_[row].Cells[0].Text = Keep(name);
}

void TestBlock::Sync()
{
    data_.GenData = gen_.data();
    data_.CtrlCount = static_cast<int32_t>(ctrl_.size());
    data_.CtrlRows = ctrl_.empty() ? nullptr : ctrl_.data();
    data_.PVCount = static_cast<int32_t>(pv_.size());
    data_.PVRows = pv_.empty() ? nullptr : pv_.data();
    data_.PVImportCount = static_cast<int32_t>(import_.size());
    data_.PVImportRows = import_.empty() ? nullptr : import_.data();
}

DCSData* TestBlock::get()
{
    Sync();
    return &data_;
}
