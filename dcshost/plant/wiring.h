// The wiring of one run between the host's block and the plant: which PV row
// is each loop's PV, where each PV row's value comes from, and each loop's
// mode tag; and the moves of values across it on every step.
#pragma once

#include <string>
#include <vector>

#include "dcshost/host/host_block.h"
#include "dcshost/plant/plant.h"
#include "dcshost/scenario/scenario.h"

// A loop as the host holds it after a step.
struct LoopSample {
    double pv = 0.0;
    double sp = 0.0;
    double op = 0.0;  // percent
    int mode = 0;     // the control system's value (control/modes.h)
};

struct Wiring {
    std::vector<int> loop_pv;            // PV row per loop, -1: none
    std::vector<std::string> mode_tags;  // per loop
    // A live run cannot read the modes: a loop's is then what DCSStart
    // switched it to (automatic when active).
    bool modes_from_host = false;
    std::vector<int> pv_source;  // per PV row: index into sources, -1: constant
    std::vector<PlantSource> sources;
    std::vector<std::string> loop_names, import_names;
};

// The loop and import names the plant resolves its inputs against.
void NameRows(const Scenario& scenario, Wiring& wiring);
// False with a reason when a PV row's source names nothing in the plant.
bool Wire(const Scenario& scenario, const Plant& plant, Wiring& wiring, std::string& error);

// What the host holds after the driver's last exchange: outputs and imports.
void Gather(HostBlock& block, PlantSignals& signals);
// The host's side of a step: the plant's outputs into the PV rows.
void ExportPVs(HostBlock& block, const Plant& plant, const Wiring& wiring,
               const PlantSignals& signals);
// PV, SP, OP and mode of every loop, and every imported value, as they stand.
void SampleLoops(HostBlock& block, const Wiring& wiring, std::vector<LoopSample>& loops,
                 std::vector<double>& imports);
