// [host]: the host's tables as an engineer fills them, row by row.
#include "dcshost/scenario/reader.h"

#include "dcshost/scenario/ctrl_columns.h"
#include "dcshost/scenario/limits.h"

bool Reader::ReadCell(Fields& e, std::vector<CellText>& cells, const char* key, const char* caption,
                      SourcePos* at)
{
    std::string text;
    if (!e.Text(key, text, true, at)) return false;
    cells.push_back(CellText{caption, text});
    return true;
}

void Reader::ReadHost(const toml::table& table)
{
    Fields f(table, "[host]", ctx);
    f.Text("pv_array_tag", out.pv_array_tag, false);
    ReadEntries(f, "controller", "[[host.controller]]", out.controllers,
                [&](Fields& e, CtrlRowDef& row) {
                    for (const CtrlTagColumn& column : CtrlTagColumns) {
                        SourcePos at;
                        // The driver writes modes as integers: a float tag would take
                        // the mode in place of whatever it holds.
                        if (ReadCell(e, row.cells, kCtrlTagKeys[column.col], column.caption, &at) &&
                            column.integer)
                            Require(RefKind::ModeTag, row.cells.back().text, at,
                                    "mode_tag of controller " + row.name);
                    }
                    e.Flag("active", row.active);
                    e.Number("sp", row.sp, false);
                    // The host holds outputs as fractions: 50 here is 5000 %.
                    if (e.Number("op", row.op, false) && !InRange(row.op, 0.0, 1.0))
                        ctx.Error(e.At("op"),
                                  RangeMessage("'op' of controller " + row.name, row.op, 0.0, 1.0,
                                               "", "(a fraction of full range: 50 % is 0.5)"));
                    SourcePos pv_at;
                    if (e.Text("pv", row.pv, false, &pv_at))
                        Require(RefKind::PVRow, row.pv, pv_at, "pv of controller " + row.name);
                });
    ReadEntries(f, "pv", "[[host.pv]]", out.pvs, [&](Fields& e, PVRowDef& row) {
        ReadCell(e, row.cells, "tag", "TAG");
        e.Flag("active", row.active);
        SourcePos from_at;
        bool has_from = e.Text("from", row.from, false, &from_at);
        bool has_value = e.Number("value", row.value, false);
        if (has_from) Require(RefKind::PlantSource, row.from, from_at, "from of PV " + row.name);
        if (has_from == has_value)
            ctx.Error(row.pos, "[[host.pv]] " + row.name + " needs either 'from' or 'value'");
    });
    ReadEntries(f, "import", "[[host.import]]", out.imports, [&](Fields& e, ImportRowDef& row) {
        ReadCell(e, row.cells, "tag", "TAG");
        SourcePos mapping_at = row.pos;
        e.Text("mapping", row.mapping, false, &mapping_at);
        if (row.mapping != "1:1" && row.mapping != "Controller Mode")
            ctx.Error(mapping_at,
                      "'mapping' in [[host.import]] must be \"1:1\" or "
                      "\"Controller Mode\", not \"" +
                          row.mapping + "\"");
        e.Flag("active", row.active);
        e.Number("value", row.value, false);
    });
    f.Done();
}
