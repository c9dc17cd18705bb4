#include "dcshost/bare_text.h"

namespace {

// Value: a bare value (number, date, boolean or a broken one), which the
// library scans up to a terminator, through quotes and brackets alike.
enum class Span { Plain, Value, Comment, Basic, Literal, MultiBasic, MultiLiteral };

const char* const kOutside = "a character beyond ASCII outside a string or comment";
const char* const kAfterBackslash =
    "a character beyond ASCII after a backslash in a multi-line string";

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EndsValue(unsigned char c)
{
    return IsBlank(c) || c == ',' || c == ']' || c == '}' || c == '#';
}

bool StartsWith(const std::string& text, size_t i, const char* quote)
{
    return text.compare(i, 3, quote) == 0;
}

// Where the reader stands between strings. A quote opens a string only where
// TOML takes one (a key, a value, an array element); anywhere else the library
// stops at it with an error, so what follows is never read as a string.
struct Plain {
    bool quote_opens = true;
    bool expect_value = false;  // after '=' or inside an array
    std::string nest;           // open arrays 'a', inline tables 't', headers 'h'

    bool InArray() const { return !nest.empty() && nest.back() == 'a'; }

    // Returns the span that the character opens.
    Span Step(const std::string& text, size_t i, size_t& skip)
    {
        const char c = text[i];
        switch (c) {
        case '#':
            return Span::Comment;
        case '"':
        case '\'':
            if (!quote_opens) return Span::Plain;
            quote_opens = false;  // for when the string has closed
            if (StartsWith(text, i, c == '"' ? "\"\"\"" : "'''")) {
                skip = 2;
                return c == '"' ? Span::MultiBasic : Span::MultiLiteral;
            }
            return c == '"' ? Span::Basic : Span::Literal;
        case '\n':
            quote_opens = true;
            expect_value = InArray();
            return Span::Plain;
        case ' ':
        case '\t':
        case '\r':
            return Span::Plain;
        case '=':
            expect_value = quote_opens = true;
            return Span::Plain;
        case '[':
            nest += expect_value ? 'a' : 'h';
            quote_opens = true;
            return Span::Plain;
        case '{':
            nest += 't';
            expect_value = false;
            quote_opens = true;
            return Span::Plain;
        case ',':
            expect_value = InArray();
            quote_opens = true;
            return Span::Plain;
        case ']':
        case '}':
            if (!nest.empty()) nest.pop_back();
            expect_value = quote_opens = false;
            return Span::Plain;
        case '.':
            if (!expect_value) {  // a dotted key
                quote_opens = true;
                return Span::Plain;
            }
            break;
        default:
            break;
        }
        quote_opens = false;
        return expect_value ? Span::Value : Span::Plain;
    }
};

}  // namespace

const char* FindBareNonAscii(const std::string& text, SourcePos& at)
{
    Span span = Span::Plain;
    Plain plain;
    bool escaped = false;   // after a backslash in a string
    bool skipping = false;  // after a line-ending backslash, until the next text
    int line = 1, column = 1;
    size_t skip = 0;  // bytes of a closing or opening triple quote still to pass
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char* found = nullptr;
        if (skip > 0) {
            --skip;
        } else {
            switch (span) {
            case Span::Value:
                if (c < 0x80 && !EndsValue(c)) break;
                span = Span::Plain;
                [[fallthrough]];
            case Span::Plain:
                if (c >= 0x80)
                    found = kOutside;
                else
                    span = plain.Step(text, i, skip);
                break;
            case Span::Comment:
                if (c == '\n') span = plain.Step(text, i, skip);
                break;
            case Span::Basic:
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    span = Span::Plain;
                else if (c == '\n')
                    span = plain.Step(text, i, skip);
                break;
            case Span::Literal:
                if (c == '\'')
                    span = Span::Plain;
                else if (c == '\n')
                    span = plain.Step(text, i, skip);
                break;
            case Span::MultiBasic:
                if (c >= 0x80 && (escaped || skipping)) {
                    found = kAfterBackslash;
                } else if (escaped) {
                    escaped = false;
                    skipping = IsBlank(c);
                } else if (skipping && IsBlank(c)) {
                } else {
                    skipping = false;
                    if (c == '\\') {
                        escaped = true;
                    } else if (StartsWith(text, i, "\"\"\"")) {
                        span = Span::Plain;
                        skip = 2;
                    }
                }
                break;
            case Span::MultiLiteral:
                if (StartsWith(text, i, "'''")) span = Span::Plain, skip = 2;
                break;
            }
        }
        if (found) {
            at = {line, column};
            return found;
        }
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {  // UTF-8 continuation bytes share a column
            ++column;
        }
    }
    return nullptr;
}
