// CheckCtrlTagColumn and CheckGenTagFields: every text cell they look at filled.
#include <gtest/gtest.h>

#include "dcs/data/dcs_data.h"

namespace {

class Checks : public ::testing::Test {
protected:
    void SetUp() override
    {
        defs_[0].Type = DCS_TYPE_TEXT;
        defs_[1].Type = DCS_TYPE_CHOICE;
        for (int r = 0; r < 3; ++r) {
            cells_[r][0].Text = names_[r];
            cells_[r][1].Int = 1;
            rows_[r].Cells = cells_[r];
        }
        d_.CtrlDefCnt = 2;
        d_.CtrlDefs = defs_;
        d_.CtrlCount = 3;
        d_.CtrlRows = rows_;
        d_.GenDefCnt = 2;
        d_.GenDefs = defs_;
        d_.GenData = cells_[0];
    }

    char names_[3][8] = {"A.SP", "B.SP", "C.SP"};
    DCSDataDef defs_[2] = {};
    DCSCell cells_[3][2] = {};
    DCSCtrlRow rows_[3] = {};
    DCSData d_{};
};

}  // namespace

TEST_F(Checks, ctrl_column_passes_when_every_row_names_a_tag)
{
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 1);
}

TEST_F(Checks, ctrl_column_fails_on_a_null_or_empty_text_in_any_row)
{
    cells_[2][0].Text = nullptr;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 0);

    cells_[2][0].Text = names_[2];
    names_[1][0] = '\0';
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 0);
}

TEST_F(Checks, ctrl_column_takes_blanks_as_a_name)
{
    char blanks[] = "   ";
    cells_[1][0].Text = blanks;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 1);
}

TEST_F(Checks, ctrl_choice_column_passes_without_looking_at_a_row)
{
    d_.CtrlRows = nullptr;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 1), 1);
}

TEST_F(Checks, ctrl_column_passes_a_table_without_rows)
{
    d_.CtrlCount = 0;
    d_.CtrlDefs = nullptr;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 1);
}

TEST_F(Checks, ctrl_column_without_its_definition_or_cells_fails)
{
    d_.CtrlDefs = nullptr;  // as after a failed AllocCtrlDefs
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 0);

    d_.CtrlDefs = defs_;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 2), 0) << "column beyond CtrlDefCnt";

    rows_[1].Cells = nullptr;
    EXPECT_EQ(CheckCtrlTagColumn(&d_, 0), 0);
}

TEST_F(Checks, gen_fields_look_at_text_fields_only)
{
    EXPECT_EQ(CheckGenTagFields(&d_), 1);  // field 1 is a choice holding 1

    cells_[0][0].Text = nullptr;
    EXPECT_EQ(CheckGenTagFields(&d_), 0);

    names_[0][0] = '\0';
    cells_[0][0].Text = names_[0];
    EXPECT_EQ(CheckGenTagFields(&d_), 0);
}

TEST_F(Checks, gen_fields_pass_without_definitions_and_fail_without_cells)
{
    DCSData none{};
    EXPECT_EQ(CheckGenTagFields(&none), 1);

    d_.GenData = nullptr;
    EXPECT_EQ(CheckGenTagFields(&d_), 0);

    d_.GenDefs = nullptr;  // count kept after a failed AllocGenDefs
    EXPECT_EQ(CheckGenTagFields(&d_), 0);
}
