// dcshost's side of a step at scale: the generated scenario of N loops bound
// through the real module (loaded by path, as dcshost loads it) against the
// simulated control system, with the plant, wiring, trends and verdict
// bookkeeping dcshost keeps, each part callable on its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dcshost/host/coupling.h"
#include "dcshost/host/session.h"
#include "dcshost/host/value_watch.h"
#include "dcshost/outputs/figures.h"
#include "dcshost/outputs/trend.h"
#include "dcshost/plant/plant.h"
#include "dcshost/plant/upsets.h"
#include "dcshost/plant/wiring.h"

struct HostScene {
    Scenario scenario;  // without upsets
    Scenario upset;  // the same with a malfunction on every PV row and a disturbance on every block
    Session session;
    Plant plant;
    Wiring wiring;
    PlantSignals signals;
    Upsets none, every;  // from the two scenarios
    std::vector<LoopSample> loops;
    std::vector<double> imports;
    FigureTracker figures;
    Trend trend;
    ValueWatch values;
    CouplingWatch coupling{true};
    int samples = 0;  // in the trend since its Setup
};

// The scene of `rows` loops, bound and started; null with the reason in
// `error`. Kept for the process: the control system is process-wide.
HostScene* EnterHostScene(int rows, std::string& error);
void LeaveHostScene();

// One step's sample, as a run takes it: every loop and import into the
// figures and the trends (with fault, upset and coupling columns).
void SampleTrends(HostScene& scene, double time);
// The trends empty again; a benchmark does it, untimed, every hour of
// one-second steps, so its millions of samples do not fill the memory.
void ResetTrends(HostScene& scene);
constexpr int kTrendSamplesKept = 3600;
