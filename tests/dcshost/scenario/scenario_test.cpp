// Scenario reading: what the built-in scenario holds, and that every kind of
// mistake comes back as file:line:col with what is wrong, never a crash.
#include <gtest/gtest.h>

#include "dcshost/scenario/scenario.h"

namespace {

// The errors for a text, one formatted line each.
std::vector<std::string> Errors(const std::string& text)
{
    Scenario scenario;
    std::vector<ScenarioError> errors;
    EXPECT_FALSE(ParseScenario(text, "s.toml", scenario, errors));
    std::vector<std::string> lines;
    for (const ScenarioError& error : errors) lines.push_back(FormatScenarioError(error));
    return lines;
}

Scenario Parse(const std::string& text)
{
    Scenario scenario;
    std::vector<ScenarioError> errors;
    EXPECT_TRUE(ParseScenario(text, "s.toml", scenario, errors));
    for (const ScenarioError& error : errors) ADD_FAILURE() << FormatScenarioError(error);
    return scenario;
}

const char kTags[] = R"(
[system]
tag = [
  { name = "X.SP" }, { name = "X.OP" }, { name = "X.MODE", type = "int" },
  { name = "X.SPINIT" }, { name = "X.OPINIT" }, { name = "X.PV", status = 7, quality = 1 },
]
array = [{ name = "ARR", lower = 0, upper = 1 }]
)";

}  // namespace

TEST(Scenario, reads_the_built_in_unit_with_cells_by_caption)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    ASSERT_TRUE(LoadScenario("default", s, errors));
    EXPECT_EQ(s.file, "default.toml (built in)");
    ASSERT_EQ(s.controllers.size(), 3u);
    ASSERT_EQ(s.pvs.size(), 3u);
    ASSERT_EQ(s.imports.size(), 2u);
    ASSERT_EQ(s.pids.size(), 3u);
    EXPECT_EQ(s.pv_array_tag, "UNIT.PVARR");
    const CtrlRowDef& fic = s.controllers[1];
    EXPECT_EQ(fic.name, "FIC102");
    EXPECT_EQ(*FindCell(fic.cells, "Mode TAG"), "FIC102.MODE");
    EXPECT_EQ(*FindCell(fic.cells, "OP Init TAG"), "FIC102.OPINIT");
    EXPECT_DOUBLE_EQ(fic.op, 0.40);
    EXPECT_EQ(s.imports[0].mapping, "Controller Mode");
    EXPECT_EQ(s.imports[1].mapping, "1:1");
    EXPECT_EQ(*FindCell(s.imports[1].cells, "TAG"), "FIC102.OP");
    EXPECT_EQ(s.pids[2].pv_index, 2);
    ASSERT_EQ(s.run.events.size(), 3u);
    EXPECT_EQ(s.run.events[1].tag, "FIC102.SP");
    EXPECT_EQ(s.plant[2].kind, BlockKind::Integrating);
}

TEST(Scenario, reads_tag_conditions_and_accepts_empty_tag_names)
{
    Scenario s = Parse(std::string(kTags) + R"(
[host]
pv = [{ name = "P", tag = "", value = 1 }]
)");
    EXPECT_EQ(s.tags[5].status, 7);
    EXPECT_EQ(s.tags[5].quality, 1);
    EXPECT_EQ(s.tags[5].io_status, 1);
    EXPECT_EQ(s.tags[2].type, TagType::Int);
    // An empty name is the engineer's to make: the driver reports it.
    EXPECT_EQ(*FindCell(s.pvs[0].cells, "TAG"), "");
}

TEST(Scenario, reports_unknown_keys_where_they_stand)
{
    EXPECT_EQ(Errors("titel = \"x\"\n[run]\nstep = 1.0\nsteps = 5\n"),
              (std::vector<std::string>{"s.toml:1:1: error: unknown key 'titel' in the scenario",
                                        "s.toml:4:1: error: unknown key 'steps' in [run]"}));
    EXPECT_EQ(
        Errors("[plant]\nblock = [{ name = \"b\", kind = \"first_order\", taux = 1 }]\n"),
        (std::vector<std::string>{"s.toml:2:46: error: unknown key 'taux' in [[plant.block]]"}));
}

TEST(Scenario, reports_wrong_types_at_the_value)
{
    EXPECT_EQ(Errors("[run]\nstep = \"1\"\n"),
              (std::vector<std::string>{
                  "s.toml:2:8: error: 'step' in [run] must be a number, not a string"}));
    EXPECT_EQ(
        Errors(std::string(kTags) + "[host]\ncontroller = [{ name = \"C\", sp_tag = 5, "
                                    "op_tag = \"X.OP\", mode_tag = \"X.MODE\", sp_init_tag = "
                                    "\"X.SPINIT\", op_init_tag = \"X.OPINIT\", active = 1 }]\n"),
        (std::vector<std::string>{
            "s.toml:9:38: error: 'sp_tag' in [[host.controller]] must be a string, not an "
            "integer",
            "s.toml:9:140: error: 'active' in [[host.controller]] must be true or false, not "
            "an integer"}));
    EXPECT_EQ(
        Errors("[run]\nstep = nan\n"),
        (std::vector<std::string>{"s.toml:2:8: error: 'step' in [run] must be a finite number"}));
    EXPECT_EQ(Errors("system = 3\n"),
              (std::vector<std::string>{
                  "s.toml:1:10: error: 'system' in the scenario must be a table, not an integer"}));
}

TEST(Scenario, reports_missing_keys_at_their_table)
{
    EXPECT_EQ(
        Errors("[system]\n\n[[system.pid]]\nname = \"P\"\nkp = 1\n"),
        (std::vector<std::string>{"s.toml:3:1: error: [[system.pid]] is missing 'sp_tag'",
                                  "s.toml:3:1: error: [[system.pid]] is missing 'op_tag'",
                                  "s.toml:3:1: error: [[system.pid]] is missing 'mode_tag'",
                                  "s.toml:3:1: error: [[system.pid]] is missing 'sp_init_tag'",
                                  "s.toml:3:1: error: [[system.pid]] is missing 'op_init_tag'",
                                  "s.toml:3:1: error: [[system.pid]] is missing 'pv_tag'"}));
}

TEST(Scenario, reports_tags_the_control_system_does_not_define)
{
    std::string pid = R"(
[[system.pid]]
name = "P"
sp_tag = "X.SP"
op_tag = "X.MODE"
mode_tag = "X.MOD"
sp_init_tag = "X.SPINIT"
op_init_tag = "X.OPINIT"
pv_tag = "ARR"
pv_index = 2
kp = 1
)";
    EXPECT_EQ(Errors(std::string(kTags) + pid),
              (std::vector<std::string>{
                  "s.toml:12:10: error: op_tag of PID P: tag 'X.MODE' is not a float tag",
                  "s.toml:13:12: error: mode_tag of PID P: missing tag 'X.MOD'",
                  "s.toml:16:10: error: pv_tag of PID P: pv_index 2 lies outside array 'ARR'"}));
}

TEST(Scenario, reports_broken_references_between_the_sides)
{
    std::string text = std::string(kTags) + R"(
[[run.event]]
at = 5.0
tag = "NOPE"
value = 1
[host]
pv = [{ name = "P", tag = "X.PV", from = "plant:nothing" }, { name = "P", tag = "X.PV", value = 1 }]
import = [{ name = "I", tag = "X.PV", mapping = "2:1" }]
[[plant.block]]
name = "b"
kind = "linear"
inputs = [{ from = "valve" }]
)";
    EXPECT_EQ(
        Errors(text),
        (std::vector<std::string>{
            "s.toml:11:7: error: tag of [[run.event]]: missing tag 'NOPE'",
            "s.toml:14:42: error: from of PV P: nothing named 'nothing' for 'plant:nothing'",
            "s.toml:14:61: error: PV row 'P' is defined twice",
            "s.toml:15:49: error: 'mapping' in [[host.import]] must be \"1:1\" or \"Controller "
            "Mode\", not \"2:1\"",
            "s.toml:18:8: error: 'kind' of block b must be \"first_order\" or \"integrating\", "
            "not \"linear\"",
            "s.toml:19:20: error: input of block b: 'valve' must be op:LOOP, import:ROW or "
            "plant:BLOCK"}));
}

TEST(Scenario, reports_toml_syntax_errors_with_their_position)
{
    std::vector<std::string> errors = Errors("[run]\nstep = 1.0\nduration = = 2\n");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("s.toml:3:", 0), 0u) << errors[0];
}

TEST(Scenario, leaves_characters_beyond_ascii_to_toml)
{
    EXPECT_EQ(Errors("title = \xd1\x84\n"),
              (std::vector<std::string>{
                  "s.toml:1:9: error: Error while parsing value: could not determine value type"}));
    EXPECT_EQ(Parse("title = \"\"\"a \\\n\xc2\xa7 4\"\"\"\n").title, "a \xc2\xa7 4");
}

// Characters, not bytes: an en dash's, a euro sign's or a snowman's bytes
// include 0x80 to 0x9F, which are C1 controls only as code points.
TEST(Scenario, reads_utf8_names_by_their_characters_and_refuses_only_control_ones)
{
    for (const char* title : {"Feed tank \xE2\x80\x93 unit", "50 \xE2\x82\xAC", "\xE2\x98\x83",
                              "\xF0\x9F\x98\x80 \xC2\xA0"})
        EXPECT_EQ(Parse("title = \"" + std::string(title) + "\"\n").title, title);
    const std::pair<const char*, const char*> refused[] = {
        {"title = \"a\\u0085\"\n",
         "s.toml:1:9: error: 'title' in the scenario holds the control "
         "character \\u0085; names and tags may hold none"},
        {"title = \"\\u007F\"\n", "holds the control character \\u007F"},
        {"title = \"\xC2\x9F\"\n", "holds the control character \\u009F"},
        {"title = \"ab\xE2\x80\"\n", "s.toml:1:12: error: byte 0xE2 is not UTF-8"},    // cut short
        {"title = \"\xC0\xAF\"\n", "s.toml:1:10: error: byte 0xC0 is not UTF-8"},      // overlong
        {"title = \"\xED\xA0\x80\"\n", "s.toml:1:10: error: byte 0xED is not UTF-8"},  // surrogate
        {"# \xC3\xA9\n# \xFF\ntitle = \"x\"\n", "s.toml:2:3: error: byte 0xFF is not UTF-8"},
    };
    for (const auto& [text, error] : refused) {
        std::vector<std::string> errors = Errors(text);
        ASSERT_EQ(errors.size(), 1u) << text;
        EXPECT_NE(errors[0].find(error), std::string::npos) << errors[0];
    }
}

TEST(Scenario, skips_a_byte_order_mark_and_counts_columns_after_it)
{
    EXPECT_EQ(Errors("\xEF\xBB\xBFtitle = 1\n"),
              (std::vector<std::string>{
                  "s.toml:1:9: error: 'title' in the scenario must be a string, not an integer"}));
}

TEST(Scenario, survives_garbage)
{
    std::string garbage("\x00\xff[[[\"\n=\x01", 10);
    EXPECT_FALSE(Errors(garbage).empty());
    EXPECT_FALSE(Errors("[[host.controller]]\n[host]\ncontroller = 4\n").empty());
}

TEST(Scenario, names_a_missing_file)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    EXPECT_FALSE(LoadScenario("/nonexistent/unit.toml", s, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(FormatScenarioError(errors[0]),
              "/nonexistent/unit.toml: error: cannot open the scenario file");
}

TEST(Scenario, reads_the_bad_files_of_the_process_tests_as_their_expectations_say)
{
    Scenario s;
    std::vector<ScenarioError> errors;
    EXPECT_FALSE(LoadScenario(DCSHOST_TEST_SCENARIOS "/bad_unknown_key.toml", s, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].pos.line, 12);
    EXPECT_EQ(errors[0].message, "unknown key 'kpp' in [[system.pid]]");
}

TEST(Scenario, reads_fault_and_upset_windows_and_refuses_what_cannot_happen)
{
    const std::string run =
        "[run]\nduration = 100.0\n[host]\npv = [{ name = \"P\", value = 1.0, tag = "
        "\"X.PV\" }]\n[plant]\nblock = [{ name = \"B\", kind = \"first_order\" }]\n";
    Scenario s = Parse(std::string(kTags) + run + R"(
[[run.fault]]
at = 10.0
until = 20.0
kind = "quality"
tag = "X.PV"
[[run.fault]]
at = 30.0
kind = "restart"
)");
    ASSERT_EQ(s.run.faults.size(), 2u);
    EXPECT_EQ(s.run.faults[0].kind, FaultKind::Quality);
    EXPECT_EQ(s.run.faults[0].value, 1);  // bad, when not given
    EXPECT_FALSE(s.run.faults[0].open_ended);
    EXPECT_EQ(s.run.faults[1].kind, FaultKind::Restart);
    EXPECT_TRUE(s.run.faults[1].open_ended);

    struct Case {
        const char* fault;
        const char* error;
        const char* table = "[[run.fault]]";
    } cases[] = {
        {"at = 1.0\nkind = \"flood\"",
         "'kind' of [[run.fault]] must be one of tag_status, quality, "
         "io_status, list_read, array_status, write_refused, restart; "
         "not \"flood\""},
        {"at = 1.0\nkind = \"quality\"", "[[run.fault]] is missing 'tag'"},
        {"at = 1.0\nkind = \"quality\"\ntag = \"NOPE\"",
         "tag of [[run.fault]]: missing tag 'NOPE'"},
        {"at = 1.0\nkind = \"list_read\"\ntag = \"X.PV\"", "a list_read fault names no tag"},
        {"at = 50.0\nuntil = 40.0\nkind = \"list_read\"",
         "'until' of [[run.fault]] is 40 s; it must lie between 50 and 100 s"},
        {"at = 101.0\nkind = \"list_read\"",
         "'at' of [[run.fault]] is 101 s; it must lie between 0 and 100 s"},
        {"at = 1.0\nuntil = 2.0\nkind = \"restart\"",
         "a restart fault has no 'until': it happens at 'at'"},
        {"at = 1.0\nkind = \"tag_status\"\ntag = \"X.PV\"\nvalue = 40000",
         "'value' in [[run.fault]] must lie between -32768 and 32767"},
        {"at = 1.0\nkind = \"array_status\"",
         "an array_status fault needs [host] pv_array_tag to name an array of the control system"},
        {"at = 1.0\nuntil = 2.0\npv = \"NOPE\"\nkind = \"freeze\"",
         "s.toml:17:6: error: pv of [[run.malfunction]]: no PV row named 'NOPE'",
         "[[run.malfunction]]"},
        {"at = 1.0\nuntil = 2.0\npv = \"P\"\nkind = \"fail_high\"",
         "[[run.malfunction]] is missing 'hi'", "[[run.malfunction]]"},
        {"at = 1.0\nuntil = 2.0\npv = \"P\"\nkind = \"freeze\"\nvalue = 3.0",
         "unknown key 'value' in [[run.malfunction]]", "[[run.malfunction]]"},
        {"at = 1.0\nuntil = 2.0\npv = \"P\"\nkind = \"stuck\"",
         "'kind' of [[run.malfunction]] must be one of freeze, offset, drift, fixed, fail_high, "
         "fail_low; not \"stuck\"",
         "[[run.malfunction]]"},
        {"at = 1.0\nuntil = 2.0\npv = \"P\"\nkind = \"offset\"\nvalue = 1e39",
         "'value' in [[run.malfunction]] is 1e+39; it must lie between -3.4028234663852886e+38 and",
         "[[run.malfunction]]"},
        {"at = 1.0\npv = \"P\"\nkind = \"freeze\"", "[[run.malfunction]] is missing 'until'",
         "[[run.malfunction]]"},
        {"at = 10.0\nuntil = 101.0\npv = \"P\"\nkind = \"freeze\"",
         "'until' of [[run.malfunction]] is 101 s; it must lie between 10 and 100 s",
         "[[run.malfunction]]"},
        {"at = 1.0\nblock = \"NOPE\"\nvalue = 1.0",
         "block of [[run.disturbance]]: no plant block named 'NOPE'", "[[run.disturbance]]"},
        {"at = 1.0\nblock = \"B\"\nvalue = 1.0\nramp = 0.0",
         "'ramp' of [[run.disturbance]] is 0 s; it must be above 0", "[[run.disturbance]]"},
        {"at = 90.0\nuntil = 95.0\nblock = \"B\"\nvalue = 1.0\nramp = 6.0",
         "'ramp' of [[run.disturbance]] is 6 s; it must lie between 0 and 5 s (it must end within "
         "its window)",
         "[[run.disturbance]]"},
        {"at = -1.0\nblock = \"B\"\nvalue = 1.0",
         "'at' of [[run.disturbance]] is -1 s; it must lie between 0 and 100 s",
         "[[run.disturbance]]"},
        {"at = 101.0\ntag = \"X.SP\"\nvalue = 1.0",
         "'at' of [[run.event]] is 101 s; it must lie between 0 and 100 s (the run's length)",
         "[[run.event]]"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> errors =
            Errors(std::string(kTags) + run + c.table + "\n" + c.fault + "\n");
        ASSERT_EQ(errors.size(), 1u) << c.fault;
        EXPECT_NE(errors[0].find(c.error), std::string::npos) << errors[0];
    }
}
