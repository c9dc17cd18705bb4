#include "dcshost/bare_text.h"

namespace {

enum class Span { Plain, Comment, Basic, Literal, MultiBasic, MultiLiteral };

bool StartsWith(const std::string& text, size_t i, const char* quote)
{
    return text.compare(i, 3, quote) == 0;
}

}  // namespace

bool FindBareNonAscii(const std::string& text, SourcePos& at)
{
    Span span = Span::Plain;
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
                if (c == '#') span = Span::Comment;
                else if (StartsWith(text, i, "\"\"\"")) span = Span::MultiBasic, skip = 2;
                else if (StartsWith(text, i, "'''")) span = Span::MultiLiteral, skip = 2;
                else if (c == '"') span = Span::Basic;
                else if (c == '\'') span = Span::Literal;
                break;
            case Span::Comment:
                if (c == '\n') span = Span::Plain;
                break;
            case Span::Basic:
                if (c == '\\') escaped = true;
                else if (c == '"' || c == '\n') span = Span::Plain;
                break;
            case Span::Literal:
                if (c == '\'' || c == '\n') span = Span::Plain;
                break;
            case Span::MultiBasic:
                if (c == '\\') escaped = true;
                else if (StartsWith(text, i, "\"\"\"")) span = Span::Plain, skip = 2;
                break;
            case Span::MultiLiteral:
                if (StartsWith(text, i, "'''")) span = Span::Plain, skip = 2;
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
