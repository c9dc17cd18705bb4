// UTF-8 decoded as the text files of the stand-ins and of dcshost are read:
// strictly (no overlong forms, no surrogates, nothing above U+10FFFF), so a
// name is compared, cut and escaped by its characters, never by its bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace utf8 {

// U+FFFD, written for a byte that is not UTF-8.
constexpr const char* kReplacement = "\xEF\xBF\xBD";

// The character at text[at]: its length in bytes, and the code point in `cp`;
// 0 when the bytes there are not UTF-8 (or at the end).
inline size_t Decode(std::string_view text, size_t at, char32_t& cp)
{
    if (at >= text.size()) return 0;
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    // Length and the smallest code point that needs it (anything less is overlong).
    size_t length = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// Offset of the first byte that does not start a UTF-8 character; npos when
// the whole text is UTF-8.
inline size_t FindInvalid(std::string_view text)
{
    char32_t cp = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Decode(text, at, cp);
        if (length == 0) return at;
        at += length;
    }
    return std::string_view::npos;
}

// C0, DEL and C1: the code points no name may hold.
inline bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

// Characters in text[0, end); a byte that is not UTF-8 counts as one.
inline size_t Count(std::string_view text, size_t end = std::string_view::npos)
{
    if (end > text.size()) end = text.size();
    size_t count = 0;
    char32_t cp = 0;
    for (size_t at = 0; at < end; ++count) {
        const size_t length = Decode(text, at, cp);
        at += length ? length : 1;
    }
    return count;
}

// Byte offset of the character after the first `chars` characters (the
// text's size when it has no more).
inline size_t Advance(std::string_view text, size_t chars)
{
    size_t at = 0;
    char32_t cp = 0;
    for (; chars > 0 && at < text.size(); --chars) {
        const size_t length = Decode(text, at, cp);
        at += length ? length : 1;
    }
    return at;
}

}  // namespace utf8
