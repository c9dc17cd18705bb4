// Loading a scenario: the file checked before it is read, toml++ (built
// without exceptions) into the plain struct, every problem reported as
// file:line:col in file order.
#include "dcshost/scenario/scenario.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <toml++/toml.h>

#include "dcshost/scenario/reader.h"
#include "standins/vnxsim/utf8.h"

namespace {

// A byte that is not UTF-8, refused at its own line and column (toml++
// names the character before it). True when there is none.
bool RefuseNotUtf8(const std::string& text, Context& ctx)
{
    const size_t bad = utf8::FindInvalid(text);
    if (bad == std::string::npos) return true;
    const size_t line_start = text.rfind('\n', bad) + 1;  // 0 on the first line
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + bad, '\n'));
    const size_t column =
        1 + utf8::Count(std::string_view(text).substr(line_start, bad - line_start));
    char why[64];
    std::snprintf(why, sizeof why, "byte 0x%02X is not UTF-8; a scenario file is UTF-8",
                  static_cast<unsigned char>(text[bad]));
    ctx.Error(SourcePos{line, static_cast<int>(column)}, why);
    return false;
}

}  // namespace

std::string FormatScenarioError(const ScenarioError& error)
{
    std::ostringstream text;
    text << error.file;
    if (error.pos.line > 0) text << ':' << error.pos.line;
    if (error.pos.column > 0) text << ':' << error.pos.column;
    text << ": error: " << error.message;
    return text.str();
}

const std::string* FindCell(const std::vector<CellText>& cells, const std::string& caption)
{
    for (const CellText& cell : cells)
        if (cell.caption == caption) return &cell.text;
    return nullptr;
}

bool ParseScenario(const std::string& text, const std::string& file, Scenario& out,
                   std::vector<ScenarioError>& errors)
{
    // Editors on Windows save UTF-8 with a byte order mark.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return ParseScenario(text.substr(3), file, out, errors);
    size_t before = errors.size();
    Context ctx{file, errors};
    if (!RefuseNotUtf8(text, ctx)) return false;
    toml::parse_result parsed = toml::parse(std::string_view(text), file);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        ctx.Error(PosOf(error.source()), std::string(error.description()));
        return false;
    }
    const toml::table& root = parsed.table();
    out = Scenario{};
    out.file = file;
    Reader reader{ctx, out, {}};
    Fields top(root, "the scenario", ctx);
    top.Text("title", out.title, false);
    if (const toml::table* t = top.Table("run")) reader.ReadRun(*t);
    if (const toml::table* t = top.Table("system")) reader.ReadSystem(*t);
    if (const toml::table* t = top.Table("host")) reader.ReadHost(*t);
    if (const toml::table* t = top.Table("plant")) reader.ReadPlant(*t);
    top.Done();
    reader.CrossCheck();
    if (errors.size() == before) return true;
    // Keep the report in file order.
    std::stable_sort(errors.begin() + static_cast<std::ptrdiff_t>(before), errors.end(),
                     [](const ScenarioError& a, const ScenarioError& b) {
                         return a.pos.line != b.pos.line ? a.pos.line < b.pos.line
                                                         : a.pos.column < b.pos.column;
                     });
    return false;
}

bool LoadScenario(const std::string& path_or_name, Scenario& out,
                  std::vector<ScenarioError>& errors)
{
    if (path_or_name == "default")
        return ParseScenario(DefaultScenarioText(), "default.toml (built in)", out, errors);
    auto refuse = [&](const std::string& why) {
        errors.push_back(ScenarioError{path_or_name, {}, why});
        return false;
    };
    // A directory or a device would read as an empty scenario.
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(path_or_name, ec);
    if (std::filesystem::is_directory(status)) return refuse("is a directory, not a scenario file");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return refuse("is not a regular file");
    std::ifstream in(path_or_name, std::ios::binary);
    if (!in) return refuse("cannot open the scenario file");
    uintmax_t size = std::filesystem::file_size(path_or_name, ec);
    if (!ec && size > limits::kMaxScenarioBytes)
        return refuse("is " + std::to_string(size) + " bytes; a scenario file may have at most " +
                      std::to_string(limits::kMaxScenarioBytes));
    if (!ec && size == 0) return refuse("is empty");
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseScenario(text.str(), path_or_name, out, errors)) return false;
    if (out.controllers.empty())
        return refuse("the scenario has no [[host.controller]]: nothing to run");
    return true;
}
