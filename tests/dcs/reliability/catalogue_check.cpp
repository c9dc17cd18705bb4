#include "tests/dcs/reliability/catalogue_check.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "dcs/diag/message_keys.h"
#include "dcs/diag/report.h"
#include "dcs/link/driver_state.h"

namespace {

// Hashed: the fuzzer checks every message, and libFuzzer hooks each string
// comparison that differs, which an ordered set or a scan makes by the dozen.
using TextSet = std::unordered_set<std::string>;

// Every text a code table can give, under its prefix. The tables' contents are
// checked elsewhere; here only membership matters.
TextSet CodeTexts(const char* (*lookup)(int32_t), const char* prefix, int32_t last)
{
    TextSet texts;
    for (int32_t code = -1; code <= last; ++code) texts.insert(std::string(prefix) + lookup(code));
    return texts;
}

const TextSet& StatusTexts()
{
    static const TextSet texts = CodeTexts(VendorStatusText, "", 300);
    return texts;
}

const TextSet& ReadTexts()
{
    static const TextSet texts = [] {
        TextSet t = CodeTexts(IOStatusText, "IO Status = ", 12);
        TextSet q = CodeTexts(DataQualityText, "Data Quality = ", 4);
        t.insert(q.begin(), q.end());
        return t;
    }();
    return texts;
}

enum RowTable { ROW_NONE, ROW_CTRL, ROW_PV, ROW_IMPORT, ROW_GEN_FIELD };

// What one key may carry: the first text from these sets (or fixed texts),
// and a context from `contexts` or a row of `rows`.
struct KeyRule {
    bool status;       // a vendor status text
    bool read;         // an IO status or data quality text
    TextSet fixed;     // fixed first texts
    TextSet contexts;  // second texts (context keys)
    RowTable rows;     // which table a row argument indexes
};

const KeyRule* RuleFor(std::string_view key)
{
    static const TextSet array_contexts = {
        "for PV Export Array Tag", "for PV Export Array", "for Controller Output Tag List",
        "for Controller Setpoint Tag List", "for PV Import Tag List"};
    static const struct {
        const char* key;
        KeyRule rule;
    } rules[] = {
        {"DCSGeneralVendorMsg1",
         {false,
          false,
          {"Error Initializing the VORNAK API", "Error Initializing the VORNAK Data Services"},
          {},
          ROW_NONE}},
        {"DCSGeneralVendorMsg2", {true, false, {}, array_contexts, ROW_NONE}},
        {"DCSGeneralConfigError",
         {false,
          false,
          {"Incompatible Array Variable(Dim or Bounds)"},
          {"for PV Export Array Tag"},
          ROW_NONE}},
        {"DCSGenTagVendorMsg", {false, false, {"for arrayTagHandle"}, {}, ROW_GEN_FIELD}},
        {"DCSArrayTagError", {false, false, {}, {}, ROW_NONE}},
        {"DCSCtrlTagFieldError", {false, false, {}, {}, ROW_NONE}},
        {"DCSPVTagFieldError", {false, false, {}, {}, ROW_NONE}},
        {"DCSPVImportTagFieldError", {false, false, {}, {}, ROW_NONE}},
        {"DCSCtrlVendorMsg",
         {true,
          false,
          {"for Controller Setpoint Tag Handle", "for Controller Output Tag Handle",
           "for Controller Mode Tag Handle", "for Controller Setpoint Init Tag Handle",
           "for Controller Output Init Tag Handle"},
          {},
          ROW_CTRL}},
        {"DCSPVVendorMsg", {true, false, {"for PV Tag Handle"}, {}, ROW_PV}},
        {"DCSPVImportVendorMsg", {true, true, {"for PV Import Tag Handle"}, {}, ROW_IMPORT}},
        {"DCSCtrlOPVendorMsg", {true, true, {}, {}, ROW_CTRL}},
        {"DCSCtrlSPVendorMsg", {true, true, {}, {}, ROW_CTRL}},
    };
    static const auto by_key = [] {
        std::unordered_map<std::string_view, const KeyRule*> map;
        for (const auto& r : rules) map[r.key] = &r.rule;
        return map;
    }();
    const auto found = by_key.find(key);
    return found == by_key.end() ? nullptr : found->second;
}

const MessageKeyEntry* EntryFor(std::string_view key)
{
    static const auto by_key = [] {
        std::unordered_map<std::string_view, const MessageKeyEntry*> map;
        for (const MessageKeyEntry& e : MessageKeys) map[e.name] = &e;
        return map;
    }();
    const auto found = by_key.find(key);
    return found == by_key.end() ? nullptr : found->second;
}

int32_t RowLimit(RowTable table, const CatalogueRows& rows)
{
    switch (table) {
    case ROW_CTRL:
        return ClampRows(rows.ctrl);
    case ROW_PV:
        return ClampRows(rows.pv);
    case ROW_IMPORT:
        return ClampRows(rows.import);
    case ROW_GEN_FIELD:
        return 1;
    default:
        return 0;
    }
}

char KindOf(MessageArgs args, int i)
{
    static const char kinds[][2] = {{0, 0}, {'s', 0}, {'s', 'i'}, {'s', 's'}};
    return kinds[args][i];
}

int ArgCount(MessageArgs args) { return args == ARGS_NONE ? 0 : args == ARGS_TEXT ? 1 : 2; }

std::string Quote(const char* text) { return text ? "\"" + std::string(text) + "\"" : "(null)"; }

}  // namespace

std::string CheckMessage(const IFaceMessage& m, const CatalogueRows& rows)
{
    const std::string key = m.key ? m.key : "";
    const MessageKeyEntry* entry = EntryFor(key);
    const KeyRule* rule = RuleFor(key);
    if (!entry || !rule) return "key not in the catalogue: " + Quote(m.key);

    const int argc = ArgCount(entry->args);
    if (m.argc != argc) {
        return key + ": " + std::to_string(m.argc) + " arguments, the catalogue says " +
               std::to_string(argc);
    }
    for (int i = 0; i < argc; ++i) {
        if (m.kinds[i] != KindOf(entry->args, i)) return key + ": argument kinds differ";
        if (m.kinds[i] == 's' && !m.texts[i]) return key + ": null text argument";
    }
    if (argc == 0) return "";

    const std::string text = m.texts[0];
    const bool known = rule->fixed.count(text) || (rule->status && StatusTexts().count(text)) ||
                       (rule->read && ReadTexts().count(text));
    if (!known) return key + ": unexpected text " + Quote(m.texts[0]);

    if (argc == 2 && m.kinds[1] == 's' && !rule->contexts.count(m.texts[1])) {
        return key + ": unexpected context " + Quote(m.texts[1]);
    }
    if (argc == 2 && m.kinds[1] == 'i') {
        const int32_t row = m.ints[1];
        if (row < 0 || row >= RowLimit(rule->rows, rows)) {
            return key + ": row " + std::to_string(row) + " outside the table";
        }
    }
    return "";
}

std::string CheckBox(const char* caption, const char* text, uint32_t type,
                     const CatalogueRows& rows)
{
    static const TextSet ZudcsTexts = {
        "Could not allocate DCSDataDef(Gen)", "Could not allocate DCSDataDef(Ctrl)",
        "Could not allocate DCSDataDef(PV)",  "Could not allocate DCSDataDef(PVImport)",
        "0 <= GenDefCnt <= MAXGENFIELDS",     "0 <= CtrlDefCnt <= MAXCTRLFIELDS",
        "0 <= PVDefCnt <= MAXPVFIELDS",       "0 <= PVImportDefCnt <= MAXPVIMPORTFIELDS",
        "0 <= CtrlCount <= MAXDCSROWS",       "0 <= PVCount <= MAXDCSROWS",
        "0 <= PVImportCount <= MAXDCSROWS"};
    static const TextSet ErrorTexts = {
        "Memory Allocation Error: CtrlDataDefault", "Memory Allocation Error: PVDataDefault",
        "Memory Allocation Error: PVImportDataDefault", "Memory Allocation Error: GenData"};

    const std::string c = caption ? caption : "";
    const std::string t = text ? text : "";
    const std::string what = "box " + Quote(caption) + ": " + Quote(text);
    if (type != 0) return what + " is not a plain OK box";
    if (c == "ZUDCSAPI" && ZudcsTexts.count(t)) return "";
    if (c == "ZUDCSAPI Error" && ErrorTexts.count(t)) return "";
    if (c == "ConfigArrayTags" && t == "ReadTag: Abort after 1000 retries") return "";
    if (c == "Warning") {
        unsigned data_type = 0;
        int row = -1;
        char tail = 0;
        if (std::sscanf(text, "Unhandled data type %x for PVImport at %d%c", &data_type, &row,
                        &tail) == 2) {
            char again[80];
            std::snprintf(again, sizeof again, "Unhandled data type %x for PVImport at %d",
                          data_type, row);
            const bool handled = data_type == 11 || data_type == 128;
            if (t == again && !handled && row >= 0 && row < ClampRows(rows.import)) return "";
        }
    }
    return what + " is not in the catalogue";
}
