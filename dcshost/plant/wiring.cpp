#include "dcshost/plant/wiring.h"

#include <cmath>

#include "dcshost/control/control_system.h"
#include "dcshost/scenario/ctrl_columns.h"

namespace {

template <typename T>
int IndexByName(const std::vector<T>& items, const std::string& name)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

void NameRows(const Scenario& scenario, Wiring& wiring)
{
    wiring.loop_names.clear();
    wiring.import_names.clear();
    for (const CtrlRowDef& loop : scenario.controllers) wiring.loop_names.push_back(loop.name);
    for (const ImportRowDef& row : scenario.imports) wiring.import_names.push_back(row.name);
}

bool Wire(const Scenario& scenario, const Plant& plant, Wiring& wiring, std::string& error)
{
    for (const CtrlRowDef& loop : scenario.controllers) {
        wiring.loop_pv.push_back(loop.pv.empty() ? -1 : IndexByName(scenario.pvs, loop.pv));
        const std::string* mode = FindCtrlCell(loop, CTRL_COL_MODE);
        wiring.mode_tags.push_back(mode ? *mode : std::string());
    }
    for (const PVRowDef& row : scenario.pvs) {
        if (row.from.empty()) {
            wiring.pv_source.push_back(-1);
            continue;
        }
        PlantSource source;
        if (!plant.Resolve(row.from, source)) {
            error = "PV " + row.name + ": nothing named by '" + row.from + "'";
            return false;
        }
        wiring.pv_source.push_back(static_cast<int>(wiring.sources.size()));
        wiring.sources.push_back(source);
    }
    return true;
}

void Gather(HostBlock& block, PlantSignals& signals)
{
    for (size_t i = 0; i < signals.op_percent.size(); ++i)
        signals.op_percent[i] = block.Ctrl(static_cast<int>(i)).OP * 100.0;
    for (size_t i = 0; i < signals.imports.size(); ++i)
        signals.imports[i] = block.Import(static_cast<int>(i)).Value;
}

void ExportPVs(HostBlock& block, const Plant& plant, const Wiring& wiring,
               const PlantSignals& signals)
{
    for (size_t i = 0; i < wiring.pv_source.size(); ++i) {
        int source = wiring.pv_source[i];
        if (source >= 0)
            block.PV(static_cast<int>(i)).Value =
                plant.Value(wiring.sources[static_cast<size_t>(source)], signals);
    }
}

void SampleLoops(HostBlock& block, const Wiring& wiring, std::vector<LoopSample>& loops,
                 std::vector<double>& imports)
{
    for (size_t i = 0; i < loops.size(); ++i) {
        const DCSCtrlRow& row = block.Ctrl(static_cast<int>(i));
        int pv = wiring.loop_pv[i];
        loops[i].pv = pv >= 0 ? block.PV(pv).Value : NAN;
        loops[i].sp = row.SP;
        loops[i].op = row.OP * 100.0;
        loops[i].mode = wiring.modes_from_host
                            ? (row.Active != 0 ? 1 : 0)
                            : static_cast<int>(ReadSystemValue(wiring.mode_tags[i]));
    }
    for (size_t i = 0; i < imports.size(); ++i)
        imports[i] = block.Import(static_cast<int>(i)).Value;
}
