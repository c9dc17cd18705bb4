// What the host sent the control system that a float cannot carry: NaN, an
// infinity, or a finite value beyond float range (the driver saturates it to
// the largest float). The driver passes such values on; the run is then not
// clean. Taken from every value the client library's writes took in a
// simulated run, and from the host block's values before each entry point
// that writes them in a live run (the rows the driver would send).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "dcshost/host/host_block.h"
#include "dcshost/scenario/scenario.h"
#include "module/no_copy.h"

enum class SentKind { Sound, NaN, Infinity, BeyondFloat };

SentKind ClassifySent(double value);
// "NaN", "infinity", "beyond float range (saturated)"
const char* SentKindName(SentKind kind);
// For machines: "nan", "infinity", "beyond_float_range".
const char* SentKindKey(SentKind kind);

// A value the host sends: a row of a table, and for a controller the column.
struct SentTarget {
    std::string table;  // "controller", "PV export", "PV import"
    int row = 0;
    std::string name;    // the row's name
    std::string column;  // "OP Init", "SP Init"; empty for the other tables
};

// One kind of unsound value on one target: when first, how often.
struct UnsoundSent {
    SentTarget target;
    SentKind kind = SentKind::Sound;
    double first = 0.0;
    int count = 0;
};

class ValueWatch : NoCopy {
public:
    ValueWatch() = default;
    ~ValueWatch() { Detach(); }

    // The targets and their tags, from the host tables.
    void Setup(const Scenario& scenario);
    // Simulated runs: every write the client library takes comes here from
    // now on, until Detach. After the control system is built.
    void Attach();
    void Detach();
    // The simulated time of what is noted from now on.
    void SetTime(double time) { time_ = time; }

    // A value a write of the client library took.
    void Written(const char* tag, int index, double value);
    // Live runs: what DCSInitialize sends (PVs, imports, OP Init and SP
    // Init), and what each DCSSimulate sends (PVs).
    void CheckInitialize(HostBlock& block);
    void CheckExports(HostBlock& block);

    // In the order first found.
    const std::vector<UnsoundSent>& Found() const { return found_; }

private:
    void Note(size_t target, double value);

    const Scenario* scenario_ = nullptr;
    std::vector<SentTarget> targets_;
    size_t pv_base_ = 0, import_base_ = 0;
    std::string array_tag_;
    std::vector<bool> pv_has_tag_;  // a PV row with a tag of its own, for the fallback path
    std::unordered_map<std::string, size_t> by_tag_;  // the first target a tag names
    std::map<std::pair<size_t, SentKind>, size_t> index_;
    std::vector<UnsoundSent> found_;
    double time_ = 0.0;
    bool attached_ = false;
};

// "PV export row 0 (PI1): NaN sent at 596.5 s, 7 times"
std::string FormatUnsoundSent(const UnsoundSent& sent);
