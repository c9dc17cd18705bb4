#include "dcshost/bare_text.h"

namespace {

enum class Span { Plain, Comment, Basic, Literal, MultiBasic, MultiLiteral };

bool StartsWith(const std::string& text, size_t i, const char* quote)
{
    return text.compare(i, 3, quote) == 0;
}

// A quote opens a string only where TOML takes one: at the start of a line
// (a quoted key) or after '=', '[', ',', '{' or '.'. Elsewhere the library
// reads on through it as a broken value, testing each character for space.
bool OpensString(char before)
{
    return before == '\n' || before == '=' || before == '[' || before == ',' || before == '{' ||
           before == '.';
}

}  // namespace

bool FindBareNonAscii(const std::string& text, SourcePos& at)
{
    Span span = Span::Plain;
    char before = '\n';  // the last character of plain text, blanks aside
    bool escaped = false;
    int line = 1, column = 1;
    size_t skip = 0;  // bytes of a closing or opening triple quote still to pass
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (skip > 0) {
            --skip;
        } else if (escaped) {
            escaped = false;
        } else {
            switch (span) {
            case Span::Plain:
                if (c >= 0x80) {
                    at = {line, column};
                    return true;
                }
                if (c == '#')
                    span = Span::Comment;
                else if ((c == '"' || c == '\'') && !OpensString(before))
                    before = static_cast<char>(c);
                else if (StartsWith(text, i, "\"\"\""))
                    span = Span::MultiBasic, skip = 2;
                else if (StartsWith(text, i, "'''"))
                    span = Span::MultiLiteral, skip = 2;
                else if (c == '"')
                    span = Span::Basic;
                else if (c == '\'')
                    span = Span::Literal;
                else if (c != ' ' && c != '\t' && c != '\r')
                    before = static_cast<char>(c);
                break;
            case Span::Comment:
                if (c == '\n') span = Span::Plain, before = '\n';
                break;
            case Span::Basic:
                if (c == '\\')
                    escaped = true;
                else if (c == '"' || c == '\n')
                    span = Span::Plain, before = static_cast<char>(c);
                break;
            case Span::Literal:
                if (c == '\'' || c == '\n') span = Span::Plain, before = static_cast<char>(c);
                break;
            case Span::MultiBasic:
                if (c == '\\')
                    escaped = true;
                else if (StartsWith(text, i, "\"\"\""))
                    span = Span::Plain, skip = 2, before = '"';
                break;
            case Span::MultiLiteral:
                if (StartsWith(text, i, "'''")) span = Span::Plain, skip = 2, before = '\'';
                break;
            }
        }
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {  // UTF-8 continuation bytes share a column
            ++column;
        }
    }
    return false;
}
