// A reader of the JSON calibrate writes: objects, arrays, strings, numbers,
// true/false/null. Enough for that fixed shape; a text it cannot read is an
// error with the offset, never a guess.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> fields;

    // The field `key` of an object, or a null value when there is none.
    const JsonValue& operator[](const std::string& key) const;
    bool IsNull() const { return kind == Null; }
};

// False with `error` set when `text` is not one whole JSON value.
bool ParseJson(const std::string& text, JsonValue& out, std::string& error);
