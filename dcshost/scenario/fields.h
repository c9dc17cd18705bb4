// Typed fields of one TOML table: each reader checks the key's type (and
// range), reports what is wrong as file:line:col, and leaves the value as it
// was when the key is absent or wrong; Done reports every key nobody read.
#pragma once

#include <set>
#include <string>
#include <vector>

#include <toml++/toml.h>

#include "dcshost/scenario/scenario.h"

SourcePos PosOf(const toml::source_region& region);

// Where the problems of one file go.
struct Context {
    std::string file;
    std::vector<ScenarioError>& errors;

    void Error(SourcePos pos, const std::string& message)
    {
        errors.push_back(ScenarioError{file, pos, message});
    }
};

class Fields {
public:
    // where: the table as a message names it ("[run]", "[[system.tag]]").
    Fields(const toml::table& table, std::string where, Context& ctx)
        : table_(table), where_(std::move(where)), ctx_(ctx)
    {}

    SourcePos Pos() const { return PosOf(table_.source()); }
    // An entry's head: where it stands and its required name.
    template <class Entry>
    void ReadName(Entry& entry)
    {
        entry.pos = Pos();
        Text("name", entry.name, true);
    }
    // Where a key's value stands; the table when it is absent.
    SourcePos At(const char* key) const;

    // A required key that is absent is an error at the table.
    bool Text(const char* key, std::string& out, bool required, SourcePos* at = nullptr);
    bool Number(const char* key, double& out, bool required);
    // A number that must also lie within lo..hi; the message names the range.
    bool NumberIn(const char* key, double& out, bool required, double lo, double hi,
                  const char* unit = "");
    bool Integer(const char* key, int& out, bool required, long long lo, long long hi);
    bool Flag(const char* key, bool& out);
    const toml::table* Table(const char* key);
    // An array whose every element is a table ([[key]] or key = [{...}, ...]).
    std::vector<const toml::table*> Tables(const char* key, bool required = false);

    // Reports every key nobody asked for.
    void Done();

private:
    const toml::node* Find(const char* key, bool required);
    bool WrongType(const char* key, const toml::node& node, const char* expected);

    const toml::table& table_;
    std::string where_;
    Context& ctx_;
    std::set<std::string> used_;
};
