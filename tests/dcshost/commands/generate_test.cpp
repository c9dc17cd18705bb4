// The scale scenario: it reads back cleanly with the rows asked for, and its
// array holds one element per PV export row.
#include <set>

#include <gtest/gtest.h>

#include "dcshost/commands/generate.h"
#include "dcshost/scenario/scenario.h"

namespace {

Scenario ParseGenerated(int rows)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    EXPECT_TRUE(ParseScenario(GenerateScaleScenario(rows), "scale.toml", s, errors));
    for (const ScenarioError& error : errors) ADD_FAILURE() << FormatScenarioError(error);
    return s;
}

}  // namespace

TEST(Generate, writes_the_rows_asked_for_in_every_table)
{
    Scenario s = ParseGenerated(2000);
    EXPECT_EQ(s.controllers.size(), 2000u);
    EXPECT_EQ(s.pvs.size(), 2000u);
    EXPECT_EQ(s.imports.size(), 2000u);
    EXPECT_EQ(s.pids.size(), 2000u);
    ASSERT_EQ(s.arrays.size(), 1u);
    EXPECT_EQ(s.arrays[0].lower, 0);
    EXPECT_EQ(s.arrays[0].upper, 1999);
    EXPECT_EQ(s.pids[1999].pv_index, 1999);
    EXPECT_EQ(*FindCell(s.controllers[1999].cells, "SP TAG"), "L1999.SP");
    EXPECT_EQ(s.imports[1].mapping, "Controller Mode");
    EXPECT_EQ(s.run.events.size(), 200u);
}

TEST(Generate, gives_every_row_a_name_of_its_own)
{
    Scenario s = ParseGenerated(12);
    std::set<std::string> tags;
    for (const PVRowDef& pv : s.pvs) tags.insert(*FindCell(pv.cells, "TAG"));
    EXPECT_EQ(tags.size(), 12u);
    EXPECT_EQ(s.controllers[0].name, "L0000");
    EXPECT_EQ(s.arrays[0].upper, 11);
}

TEST(Generate, handles_a_single_row)
{
    Scenario s = ParseGenerated(1);
    EXPECT_EQ(s.controllers.size(), 1u);
    EXPECT_EQ(s.arrays[0].upper, 0);
}
