// The scenario reader's insides, shared by its files. The section readers
// (read_*.cpp) fill the plain struct and note each name one part uses and
// another must define; the cross-checks (cross_checks.cpp) resolve them once
// the whole file is read, so sections may come in any order.
#pragma once

#include <string>
#include <vector>

#include <toml++/toml.h>

#include "dcshost/scenario/fields.h"
#include "dcshost/scenario/limits.h"
#include "dcshost/scenario/scenario.h"

// A name one part of the scenario uses and another must define.
// ModeTag: an int tag when the control system defines it (a name it does not
// define is the driver's to report). FaultTag: a tag or an array.
enum class RefKind {
    FloatTag,
    IntTag,
    AnyTag,
    FaultTag,
    ArrayElement,
    PlantSource,
    PVRow,
    PlantBlock,
    ModeTag
};

struct Reference {
    RefKind kind;
    std::string name;
    int index;  // ArrayElement only
    SourcePos pos;
    std::string what;  // "sp_tag of PID LIC101"
};

// An int tag holds whole numbers: 2.5 would be cut to 2 without a word.
inline std::string NotWhole(const std::string& what, double value)
{
    return what + " is " + NumberText(value) + "; an int tag takes a whole number";
}

struct Reader {
    Context& ctx;
    Scenario& out;
    std::vector<Reference> refs;

    void Require(RefKind kind, const std::string& name, SourcePos pos, const std::string& what,
                 int index = -1)
    {
        refs.push_back(Reference{kind, name, index, pos, what});
    }

    void ReadRun(const toml::table& table);
    void ReadFault(const toml::table& table);
    void ReadMalfunction(const toml::table& table);
    void ReadDisturbance(const toml::table& table);
    void ReadSystem(const toml::table& table);
    void ReadPid(const toml::table& table);
    void ReadHost(const toml::table& table);
    // Each [[key]] entry of f, named, read by read_rest and kept in order.
    template <class Entry, class Read>
    void ReadEntries(Fields& f, const char* key, const char* where, std::vector<Entry>& into,
                     Read read_rest)
    {
        for (const toml::table* t : f.Tables(key)) {
            Fields e(*t, where, ctx);
            Entry entry;
            e.ReadName(entry);
            read_rest(e, entry);
            e.Done();
            into.push_back(entry);
        }
    }
    // A row's tag column: the scenario's key, the driver's caption.
    bool ReadCell(Fields& e, std::vector<CellText>& cells, const char* key, const char* caption,
                  SourcePos* at = nullptr);
    void ReadPlant(const toml::table& table);

    // Once the whole file is read: names defined twice, references, and
    // what depends on the run (its length, its step) or on the driver.
    void CrossCheck();
};
