#include "standins/vnxsim/filebacked/tag_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>
#include <vector>

#include "standins/vnxsim/utf8.h"
#include "standins/vnxsim/vnxsim.h"

namespace vnxsim {
namespace {

// The numbers of a line, each with its range as a message gives it.
struct NumberKind {
    const char* what;
    double lo, hi;
    bool whole;
    const char* range;
};
const NumberKind kFloatValue{"the float value", -3.4028234663852886e38, 3.4028234663852886e38,
                             false, "-3.4e38 to 3.4e38, a float's range"};
const NumberKind kIntValue{"the int value", -2147483648.0, 2147483647.0, true,
                           "-2147483648 to 2147483647, 32 bits"};
const NumberKind kBound{"the bound", -32768.0, 32767.0, true, "-32768 to 32767"};
constexpr int kMaxElements = 2000;  // an array is at most MAXDCSROWS elements

std::vector<std::string_view> SplitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    const char* blanks = " \t\r\v\f";
    for (size_t at = line.find_first_not_of(blanks); at != std::string_view::npos;) {
        size_t end = line.find_first_of(blanks, at);
        if (end == std::string_view::npos) end = line.size();
        words.push_back(line.substr(at, end - at));
        at = line.find_first_not_of(blanks, end);
    }
    return words;
}

// A decimal number of its kind ("0x10", "nan", "1e39" for a float, "2.5" for
// an int are refused, each with its cause); empty when it is one.
std::string ReadNumber(std::string_view word, const NumberKind& kind, double& value)
{
    const std::string what = std::string(kind.what) + " '" + std::string(word) + "'";
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value, std::chars_format::general);
    if (ptr != end || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return what + " is not a decimal number";
    if (ec == std::errc() && std::isnan(value)) return what + " is not a number";
    if (ec != std::errc() || !(value >= kind.lo && value <= kind.hi))
        return what + " lies outside " + kind.range;
    if (kind.whole && value != std::floor(value)) return what + " is not a whole number";
    return "";
}

// The values a kind of line takes after its name.
struct LineKind {
    const char* kind;
    const char* values;  // as the message names them
    size_t count;
};
const LineKind kKinds[] = {
    {"int", "VALUE", 1},
    {"float", "VALUE", 1},
    {"array", "LOWER UPPER VALUE", 3},
};

// Defines the tag of one line's words (kind, name, values); the status and,
// when it is not VNX_ST_OK, why.
int16_t DefineLine(const LineKind& line, const std::vector<std::string_view>& words,
                   std::string& why)
{
    const std::string name(words[1]);
    double value = 0, lower = 0, upper = 0;
    const std::string_view kind = line.kind;
    if (kind == "int") {
        why = ReadNumber(words[2], kIntValue, value);
        if (!why.empty()) return VNX_ST_INVALID_PARAMETER;
        return static_cast<int16_t>(VnxSimDefineInt(name.c_str(), static_cast<int32_t>(value)));
    }
    if (kind == "float") {
        why = ReadNumber(words[2], kFloatValue, value);
        if (!why.empty()) return VNX_ST_INVALID_PARAMETER;
        return static_cast<int16_t>(VnxSimDefineFloat(name.c_str(), static_cast<float>(value)));
    }
    why = ReadNumber(words[2], kBound, lower);
    if (why.empty()) why = ReadNumber(words[3], kBound, upper);
    if (why.empty()) why = ReadNumber(words[4], kFloatValue, value);
    if (why.empty() && upper < lower - 1)
        why = "UPPER " + std::string(words[3]) + " lies below LOWER " + std::string(words[2]) +
              " - 1 (an array without elements)";
    if (why.empty() && upper - lower >= kMaxElements)
        why = "the array holds " + std::to_string(static_cast<int>(upper - lower + 1)) +
              " elements; it may hold at most " + std::to_string(kMaxElements);
    if (!why.empty()) return VNX_ST_INVALID_PARAMETER;
    return static_cast<int16_t>(VnxSimDefineArray(name.c_str(), static_cast<int16_t>(lower),
                                                  static_cast<int16_t>(upper),
                                                  static_cast<float>(value)));
}

// The line's words checked and its tag defined; `why` when refused.
int16_t ReadLine(const std::vector<std::string_view>& words, std::map<std::string, int>& lines,
                 int number, std::string& why)
{
    const LineKind* line = nullptr;
    for (const LineKind& k : kKinds)
        if (words[0] == k.kind) line = &k;
    if (!line) {
        why = "unknown kind '" + std::string(words[0]) +
              "': a line is 'int NAME VALUE', 'float NAME VALUE' or 'array NAME LOWER UPPER "
              "VALUE', the kind in lower case";
        return VNX_ST_INVALID_PARAMETER;
    }
    const std::string usage = std::string(line->kind) + " NAME " + line->values;
    if (words.size() < 2) {
        why = "the tag name is missing: '" + usage + "'";
        return VNX_ST_INVALID_PARAMETER;
    }
    if (words.size() < 2 + line->count) {
        why = "'" + std::string(words[1]) + "' lacks a value: '" + usage + "'";
        return VNX_ST_INVALID_PARAMETER;
    }
    if (words.size() > 2 + line->count) {
        const std::string_view extra = words[2 + line->count];
        why = extra[0] == '#' ? "a comment after the values: '#' starts a line of its own"
                              : "'" + std::string(extra) + "' after the values: '" + usage + "'";
        return VNX_ST_INVALID_PARAMETER;
    }
    const std::string name(words[1]);
    if (auto first = lines.find(name); first != lines.end()) {
        why = "tag '" + name + "' is defined twice (first on line " +
              std::to_string(first->second) + ")";
        return VNX_ST_INVALID_PARAMETER;
    }
    const int16_t status = DefineLine(*line, words, why);
    if (status == VNX_ST_OK)
        lines.emplace(name, number);
    else if (status == VNX_ST_TAG_NAME_INVALID)
        why = "'" + name +
              "' is not a valid tag name: 1 to 64 letters, digits and . _ - : [ ] (no blanks)";
    else if (why.empty())
        why = "the control system refused the tag (status " + std::to_string(status) + ")";
    return status;
}

}  // namespace

int16_t DefineTagText(std::string_view text, TagTextError& error)
{
    VnxSimReset();
    // Editors on Windows save UTF-8 with a byte order mark, as scenarios are.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::map<std::string, int> lines;  // each tag's line
    int number = 0;
    for (size_t at = 0; at < text.size(); ++number) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        // Comments too: the file is UTF-8, as the scenario files.
        if (size_t bad = utf8::FindInvalid(line); bad != std::string_view::npos) {
            char byte[48];
            std::snprintf(byte, sizeof byte, "byte 0x%02X is not UTF-8",
                          static_cast<unsigned char>(line[bad]));
            error = {number + 1, static_cast<int>(utf8::Count(line, bad) + 1), byte};
            VnxSimReset();
            return VNX_ST_INVALID_PARAMETER;
        }
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.empty() || words[0][0] == '#') continue;
        std::string why;
        if (int16_t status = ReadLine(words, lines, number + 1, why); status != VNX_ST_OK) {
            error = {number + 1, 0, why};
            VnxSimReset();
            return status;
        }
    }
    if (lines.empty()) {
        error = {0, 0, "no tags: the file is empty or holds only blank lines and comments"};
        return VNX_ST_FAILURE;
    }
    return VNX_ST_OK;
}

}  // namespace vnxsim
