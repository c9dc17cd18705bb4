// A DCSData block filled the way a host fills it: rows, one cell per declared
// column, tag names and the "Mapping" choice. The driver's declarations
// (DCSLoad) run in the constructor unless told otherwise; the destructor
// releases the block with FreeDCSData.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dcs/data/dcs_data.h"

class TestBlock {
public:
    explicit TestBlock(bool declare = true);
    ~TestBlock();
    TestBlock(const TestBlock&) = delete;
    TestBlock& operator=(const TestBlock&) = delete;

    // General field 0, "PV Array Tag" (null: no text).
    void SetArrayTag(const char* name);

    // Add rows; a null name leaves the cell's text null. Return the row index.
    int AddController(const char* sp, const char* op, const char* mode, const char* sp_init,
                      const char* op_init, int16_t active = 1, double sp_value = 0.0,
                      double op_value = 0.0);
    // Controller with the five names derived from a base: BASE.SP, BASE.OP,
    // BASE.MODE, BASE.SPINIT, BASE.OPINIT.
    int AddController(const std::string& base, int16_t active = 1, double sp_value = 0.0,
                      double op_value = 0.0);
    int AddPV(const char* tag, int16_t active = 1, double value = 0.0);
    int AddImport(const char* tag, int32_t mapping = 0, int16_t active = 1, double value = 0.0);

    // Change a row's tag name after the fact (null allowed).
    void SetCtrlName(int row, int col, const char* name);
    void SetPVName(int row, const char* name);
    void SetImportName(int row, const char* name);

    // The block, with every row pointer and count brought up to date.
    DCSData* get();
    DCSCtrlRow& ctrl(int row) { return ctrl_[row]; }
    DCSPVRow& pv(int row) { return pv_[row]; }
    DCSPVImportRow& import(int row) { return import_[row]; }

private:
    char* Keep(const char* name);
    void Sync();

    DCSData data_{};
    std::deque<std::string> names_;
    std::vector<DCSCtrlRow> ctrl_;
    std::vector<DCSPVRow> pv_;
    std::vector<DCSPVImportRow> import_;
    std::deque<std::vector<DCSCell>> cells_;
    std::vector<DCSCell> gen_{1};
};
