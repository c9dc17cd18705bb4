#include "dcshost/scenario/fields.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "dcshost/scenario/limits.h"
#include "standins/vnxsim/utf8.h"

namespace {

const char* TypeName(const toml::node& node)
{
    static const struct {
        toml::node_type type;
        const char* name;
    } kNames[] = {
        {toml::node_type::table, "a table"},           {toml::node_type::array, "an array"},
        {toml::node_type::string, "a string"},         {toml::node_type::integer, "an integer"},
        {toml::node_type::floating_point, "a number"}, {toml::node_type::boolean, "a boolean"},
    };
    for (const auto& n : kNames)
        if (node.type() == n.type) return n.name;
    return "a date or time";
}

// Why a text cannot be a name, tag or title: its first control character
// (C0, DEL, C1), by its code point; empty when it can. The text is decoded:
// the bytes of other characters (0xE2 0x80 0x93 for an en dash) are none.
std::string NotAName(const std::string& text)
{
    char32_t cp = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8::Decode(text, at, cp);
        if (length == 0) return "is not UTF-8";  // toml++ refuses it first
        if (utf8::IsControl(cp)) {
            char name[8];
            std::snprintf(name, sizeof name, "\\u%04X", static_cast<unsigned>(cp));
            return "holds the control character " + std::string(name) +
                   "; names and tags may hold none";
        }
        at += length;
    }
    return "";
}

}  // namespace

SourcePos PosOf(const toml::source_region& region)
{
    return SourcePos{static_cast<int>(region.begin.line), static_cast<int>(region.begin.column)};
}

bool Fields::Text(const char* key, std::string& out, bool required, SourcePos* at)
{
    const toml::node* node = Find(key, required);
    if (!node) return false;
    if (!node->is_string()) return WrongType(key, *node, "a string");
    std::string text = node->value<std::string>().value_or("");
    // The driver takes names as C strings: a NUL would cut one short.
    if (std::string why = NotAName(text); !why.empty()) {
        ctx_.Error(PosOf(node->source()), "'" + std::string(key) + "' in " + where_ + " " + why);
        return false;
    }
    out = text;
    if (at) *at = PosOf(node->source());
    return true;
}

bool Fields::Number(const char* key, double& out, bool required)
{
    const toml::node* node = Find(key, required);
    if (!node) return false;
    if (!node->is_number()) return WrongType(key, *node, "a number");
    double value = node->value<double>().value_or(0.0);
    if (!std::isfinite(value)) {
        ctx_.Error(PosOf(node->source()),
                   "'" + std::string(key) + "' in " + where_ + " must be a finite number");
        return false;
    }
    out = value;
    return true;
}

bool Fields::NumberIn(const char* key, double& out, bool required, double lo, double hi,
                      const char* unit)
{
    double value = out;
    if (!Number(key, value, required)) return false;
    if (!InRange(value, lo, hi)) {
        ctx_.Error(At(key),
                   RangeMessage("'" + std::string(key) + "' in " + where_, value, lo, hi, unit));
        return false;
    }
    out = value;
    return true;
}

SourcePos Fields::At(const char* key) const
{
    const toml::node* node = table_.get(key);
    return node ? PosOf(node->source()) : Pos();
}

bool Fields::Integer(const char* key, int& out, bool required, long long lo, long long hi)
{
    const toml::node* node = Find(key, required);
    if (!node) return false;
    if (!node->is_integer()) return WrongType(key, *node, "an integer");
    long long value = node->value<int64_t>().value_or(0);
    if (value < lo || value > hi) {
        ctx_.Error(PosOf(node->source()), "'" + std::string(key) + "' in " + where_ +
                                              " must lie between " + std::to_string(lo) + " and " +
                                              std::to_string(hi));
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

bool Fields::Flag(const char* key, bool& out)
{
    const toml::node* node = Find(key, false);
    if (!node) return false;
    if (!node->is_boolean()) return WrongType(key, *node, "true or false");
    out = node->value<bool>().value_or(false);
    return true;
}

const toml::table* Fields::Table(const char* key)
{
    const toml::node* node = Find(key, false);
    if (!node) return nullptr;
    if (!node->is_table()) {
        WrongType(key, *node, "a table");
        return nullptr;
    }
    return node->as_table();
}

std::vector<const toml::table*> Fields::Tables(const char* key, bool required)
{
    std::vector<const toml::table*> out;
    const toml::node* node = Find(key, required);
    if (!node) return out;
    const toml::array* array = node->as_array();
    if (!array) {
        WrongType(key, *node, "an array of tables");
        return out;
    }
    for (const toml::node& element : *array) {
        if (const toml::table* table = element.as_table()) {
            out.push_back(table);
        } else {
            ctx_.Error(PosOf(element.source()), "'" + std::string(key) + "' in " + where_ +
                                                    " holds " + TypeName(element) +
                                                    " where a table was expected");
        }
    }
    return out;
}

void Fields::Done()
{
    for (auto&& [key, node] : table_) {
        (void)node;
        if (!used_.count(std::string(key.str()))) {
            ctx_.Error(PosOf(key.source()),
                       "unknown key '" + std::string(key.str()) + "' in " + where_);
        }
    }
}

const toml::node* Fields::Find(const char* key, bool required)
{
    used_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node && required) {
        ctx_.Error(Pos(), where_ + " is missing '" + std::string(key) + "'");
    }
    return node;
}

bool Fields::WrongType(const char* key, const toml::node& node, const char* expected)
{
    ctx_.Error(PosOf(node.source()), "'" + std::string(key) + "' in " + where_ + " must be " +
                                         expected + ", not " + TypeName(node));
    return false;
}
