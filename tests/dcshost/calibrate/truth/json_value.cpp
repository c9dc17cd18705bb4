#include "tests/dcshost/calibrate/truth/json_value.h"

#include <cstdlib>

namespace {

struct Parser {
    const std::string& s;
    size_t at = 0;
    std::string error;

    void Space()
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t'))
            ++at;
    }
    bool Fail(const std::string& what)
    {
        if (error.empty()) error = what + " at offset " + std::to_string(at);
        return false;
    }
    bool Literal(const char* word)
    {
        const std::string w = word;
        if (s.compare(at, w.size(), w) != 0) return Fail("expected " + w);
        at += w.size();
        return true;
    }
    bool Text(std::string& out)
    {
        if (at >= s.size() || s[at] != '"') return Fail("expected a string");
        for (++at; at < s.size() && s[at] != '"'; ++at) {
            if (s[at] != '\\') {
                out += s[at];
                continue;
            }
            if (++at >= s.size()) break;
            const char c = s[at];
            if (c == 'u') {
                // Names and reasons are ASCII; anything else reads as '?'.
                if (at + 4 >= s.size()) break;
                const long code = std::strtol(s.substr(at + 1, 4).c_str(), nullptr, 16);
                out += code < 128 ? static_cast<char>(code) : '?';
                at += 4;
            } else
                out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        }
        if (at >= s.size()) return Fail("unterminated string");
        ++at;
        return true;
    }
    bool Value(JsonValue& v)
    {
        Space();
        if (at >= s.size()) return Fail("unexpected end");
        const char c = s[at];
        if (c == '{') return Object(v);
        if (c == '[') return Array(v);
        if (c == '"') {
            v.kind = JsonValue::String;
            return Text(v.text);
        }
        if (c == 't' || c == 'f') {
            v.kind = JsonValue::Bool;
            v.boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') return Literal("null");
        char* end = nullptr;
        v.number = std::strtod(s.c_str() + at, &end);
        if (end == s.c_str() + at) return Fail("expected a value");
        v.kind = JsonValue::Number;
        at = static_cast<size_t>(end - s.c_str());
        return true;
    }
    bool Array(JsonValue& v)
    {
        v.kind = JsonValue::Array;
        ++at;
        Space();
        if (at < s.size() && s[at] == ']') return ++at, true;
        for (;;) {
            v.items.emplace_back();
            if (!Value(v.items.back())) return false;
            Space();
            if (at < s.size() && s[at] == ',') {
                ++at;
                continue;
            }
            if (at < s.size() && s[at] == ']') return ++at, true;
            return Fail("expected , or ]");
        }
    }
    bool Object(JsonValue& v)
    {
        v.kind = JsonValue::Object;
        ++at;
        Space();
        if (at < s.size() && s[at] == '}') return ++at, true;
        for (;;) {
            Space();
            std::string key;
            if (!Text(key)) return false;
            Space();
            if (at >= s.size() || s[at] != ':') return Fail("expected :");
            ++at;
            if (!Value(v.fields[key])) return false;
            Space();
            if (at < s.size() && s[at] == ',') {
                ++at;
                continue;
            }
            if (at < s.size() && s[at] == '}') return ++at, true;
            return Fail("expected , or }");
        }
    }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue kNull;
    auto it = fields.find(key);
    return it == fields.end() ? kNull : it->second;
}

bool ParseJson(const std::string& text, JsonValue& out, std::string& error)
{
    Parser p{text, 0, {}};
    out = JsonValue();
    bool ok = p.Value(out);
    p.Space();
    if (ok && p.at != text.size()) ok = p.Fail("text after the value");
    error = p.error;
    return ok;
}
