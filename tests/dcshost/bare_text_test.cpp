// Characters beyond ASCII: text inside strings and comments, refused with
// their place anywhere else (the TOML library is undefined for some there).
#include <gtest/gtest.h>

#include "dcshost/bare_text.h"

TEST(BareText, finds_non_ascii_only_outside_strings_and_comments)
{
    const std::string f = "\xd1\x84";  // one character, two bytes
    const struct {
        std::string text;
        int line, column;  // 0: none found
    } cases[] = {
        {"title = " + f + "\n", 1, 9},
        {f + " = 1\n", 1, 1},
        {"title = \"" + f + "\" " + f + "\n", 1, 13},
        {"# " + f + "\n[run]\nstep = " + f + "\n", 3, 8},
        {"a = 'x\\' " + f + "\n", 1, 10},                       // no escapes in a literal string
        {"a = \"x\\\" " + f + "\"\n", 0, 0},                    // an escaped quote stays inside
        {"a = \"\"\"\n" + f + "\\\n\"\"\" " + f + "\n", 3, 5},  // lines counted inside
        {"a = '''" + f + "''' # " + f + "\n", 0, 0},
        {"\"" + f + "\" = '" + f + "'\n", 0, 0},
        {"a = \"unclosed\n" + f, 2, 1},        // a string ends with its line
        {"a = +\"x" + f + "\"\n", 1, 8},       // no string after a broken value
        {"a = \"x\" \"" + f + "\"\n", 1, 10},  // nor right after another string
        {"a = [\"x\",\n  \"" + f + "\"]\nb.\"" + f + "\" = 1\n", 0, 0},
        {"a = {b = \"" + f + "\", c = [1, '" + f + "']}\n", 0, 0},
        {"a = +\"x{\"" + f + "\"\n", 1, 10},  // a bare value reads on through quotes
        {"a = 1.\"" + f + "\"\n", 1, 8},
        {"a = \"\"\"x\\\n  " + f + "\"\"\"\n", 2, 3},  // after a line-ending backslash
        {"a = \"\"\"\\" + f + "\"\"\"\n", 1, 9},
    };
    for (const auto& c : cases) {
        SourcePos at;
        const bool found = FindBareNonAscii(c.text, at) != nullptr;
        EXPECT_EQ(found, c.line != 0) << c.text;
        if (found) {
            EXPECT_EQ(std::make_pair(at.line, at.column), std::make_pair(c.line, c.column))
                << c.text;
        }
    }
}
