#include "recording/format/value_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // upper case too: one form per value
}

void AppendHexWord(std::string& out, uint64_t bits, int digits)
{
    for (int i = digits - 1; i >= 0; --i) out += kHexDigits[(bits >> (4 * i)) & 15];
}

bool ParseHexWord(std::string_view hex, int digits, uint64_t& bits)
{
    if (static_cast<int>(hex.size()) != digits) return false;
    bits = 0;
    for (char c : hex) {
        int v = HexValue(c);
        if (v < 0) return false;
        bits = (bits << 4) | static_cast<uint64_t>(v);
    }
    return true;
}

template <typename Float>
bool ParseFinite(std::string_view field, Float& value)
{
    if (field.empty() || field[0] == '+') return false;
    auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    return r.ec == std::errc() && r.ptr == field.data() + field.size() && std::isfinite(value);
}

// "x" and the bits of a value not finite, so every NaN keeps its payload;
// false for a finite one.
template <typename Float, typename Bits>
bool AppendNonFinite(std::string& out, Float value)
{
    if (std::isfinite(value)) return false;
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    out += 'x';
    AppendHexWord(out, bits, 2 * sizeof bits);
    return true;
}

}  // namespace

// Most numbers of a call are one digit; a 64-bit division is dear on i686.
void AppendInt(std::string& out, int64_t value)
{
    if (value >= 0 && value < 10) {
        out += static_cast<char>('0' + value);
        return;
    }
    char buf[24];
    auto r = value >= INT32_MIN && value <= INT32_MAX
                 ? std::to_chars(buf, buf + sizeof buf, static_cast<int32_t>(value))
                 : std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendText(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b >= 0x20 && b <= 0x7e) {
            out += c;
        } else {
            out += "\\x";
            out += kHexDigits[b >> 4];
            out += kHexDigits[b & 15];
        }
    }
    out += '"';
}

void AppendText(std::string& out, const char* text)
{
    if (!text) {
        out += '-';
        return;
    }
    AppendText(out, std::string_view(text));
}

void AppendDouble(std::string& out, double value)
{
    if (AppendNonFinite<double, uint64_t>(out, value)) return;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    // A float widened (an OP or SP read from the control system) needs up to
    // 17 digits as a double and half as many as the float it is.
    const float narrow = static_cast<float>(value);
    if (std::fpclassify(narrow) == FP_NORMAL && static_cast<double>(narrow) == value) {
        char fbuf[24];
        auto fr = std::to_chars(fbuf, fbuf + sizeof fbuf, narrow);
        if (fr.ptr - fbuf + 1 < r.ptr - buf) {
            out.append(fbuf, fr.ptr);
            out += 'f';
            return;
        }
    }
    out.append(buf, r.ptr);
}

void AppendClientValue(std::string& out, int32_t conversion, const void* bytes)
{
    if (conversion == 9) {
        float f;
        std::memcpy(&f, bytes, sizeof f);
        out += "f:";
        if (AppendNonFinite<float, uint32_t>(out, f)) return;
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, f);
        out.append(buf, r.ptr);
    } else if (conversion == 12) {
        int32_t i;
        std::memcpy(&i, bytes, sizeof i);
        out += "i:";
        AppendInt(out, i);
    } else {
        out += "x:";
        AppendHexBytes(out, bytes, 4);
    }
}

void AppendHandle(std::string& out, uint32_t number)
{
    out += 'h';
    AppendInt(out, number);
}

void AppendHexBytes(std::string& out, const void* bytes, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        out += kHexDigits[p[i] >> 4];
        out += kHexDigits[p[i] & 15];
    }
}

bool NextField(std::string_view& rest, std::string_view& field)
{
    if (rest.empty()) return false;
    size_t end = 0;
    if (rest[0] == '"') {
        end = 1;
        while (end < rest.size() && rest[end] != '"') end += rest[end] == '\\' ? 2 : 1;
        if (end >= rest.size()) return false;
        ++end;
        if (end < rest.size() && rest[end] != ' ') return false;
    } else {
        end = rest.find(' ');
        if (end == std::string_view::npos) end = rest.size();
    }
    if (end == 0) return false;
    field = rest.substr(0, end);
    rest.remove_prefix(end);
    if (!rest.empty()) {
        rest.remove_prefix(1);
        if (rest.empty()) return false;  // a line may not end in a blank
    }
    return true;
}

bool ParseInt(std::string_view field, int64_t low, int64_t high, int64_t& value)
{
    if (field.empty() || field[0] == '+') return false;
    auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    if (r.ec != std::errc() || r.ptr != field.data() + field.size()) return false;
    // One form per value: no leading zeros, no "-0".
    size_t digits = field[0] == '-' ? 1 : 0;
    if (field.size() > digits + 1 && field[digits] == '0') return false;
    if (value == 0 && digits) return false;
    return value >= low && value <= high;
}

bool ParseText(std::string_view field, std::string& text, bool& is_null)
{
    text.clear();
    is_null = field == "-";
    if (is_null) return true;
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') return false;
    for (size_t i = 1; i + 1 < field.size(); ++i) {
        char c = field[i];
        if (c == '"') return false;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (i + 2 >= field.size()) return false;
        char e = field[++i];
        if (e == '"' || e == '\\') {
            text += e;
        } else if (e == 'x' && i + 3 < field.size()) {
            int hi = HexValue(field[i + 1]), lo = HexValue(field[i + 2]);
            int b = hi * 16 + lo;
            // Only what the writer escapes: a NUL, or a printable byte, is refused.
            if (hi < 0 || lo < 0 || b == 0 || (b >= 0x20 && b <= 0x7e)) return false;
            text += static_cast<char>(b);
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool ParseDouble(std::string_view field, double& value)
{
    if (!field.empty() && field[0] == 'x') {
        uint64_t bits;
        if (!ParseHexWord(field.substr(1), 16, bits)) return false;
        std::memcpy(&value, &bits, sizeof value);
        return !std::isfinite(value);
    }
    bool read;
    if (!field.empty() && field.back() == 'f') {
        float narrow;
        read = ParseFinite(field.substr(0, field.size() - 1), narrow);
        value = narrow;
    } else {
        read = ParseFinite(field, value);
    }
    // One form per value: the one AppendDouble writes.
    std::string again;
    if (read) AppendDouble(again, value);
    return read && again == field;
}

bool ParseClientValue(std::string_view field, unsigned char bytes[4], char& form)
{
    if (field.size() < 3 || field[1] != ':') return false;
    form = field[0];
    std::string_view v = field.substr(2);
    if (form == 'f') {
        float f;
        if (!v.empty() && v[0] == 'x') {
            uint64_t bits;
            if (!ParseHexWord(v.substr(1), 8, bits)) return false;
            uint32_t b32 = static_cast<uint32_t>(bits);
            std::memcpy(&f, &b32, sizeof f);
            if (std::isfinite(f)) return false;
        } else if (!ParseFinite(v, f)) {
            return false;
        }
        std::memcpy(bytes, &f, 4);
        return true;
    }
    if (form == 'i') {
        int64_t i;
        if (!ParseInt(v, INT32_MIN, INT32_MAX, i)) return false;
        int32_t i32 = static_cast<int32_t>(i);
        std::memcpy(bytes, &i32, 4);
        return true;
    }
    return form == 'x' && ParseHexBytes(v, bytes, 4);
}

bool ParseHandle(std::string_view field, uint32_t& number)
{
    int64_t n;
    if (field.size() < 2 || field[0] != 'h' || !ParseInt(field.substr(1), 0, UINT32_MAX, n))
        return false;
    number = static_cast<uint32_t>(n);
    return true;
}

bool ParseHexBytes(std::string_view hex, unsigned char* bytes, size_t size)
{
    if (hex.size() != 2 * size) return false;
    for (size_t i = 0; i < size; ++i) {
        int hi = HexValue(hex[2 * i]), lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return true;
}
