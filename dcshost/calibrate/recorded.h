// A recording read for calibrate: the host's tables as the first step
// handed them over, and per step its time, each controller row's SP and OP
// as the driver stored them and each PV row's value as the host handed it
// over. The recording is read and refused as a replay reads and refuses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dcs/data/columns.h"
#include "recording/format/recording_reader.h"

struct RecordedCtrl {
    std::string tags[CTRL_COLUMNS];  // by the driver's column
    bool active = true;
    double sp = 0.0, op = 0.0;  // as the first step handed them over; op a fraction
};

struct RecordedRow {
    std::string tag;
    bool active = true;
    double value = 0.0;  // as the first step handed it over
    int mapping = 0;     // import rows: the "Mapping" choice
};

struct RecordedTables {
    std::string array_tag;  // the general field; empty: none
    std::vector<RecordedCtrl> controllers;
    std::vector<RecordedRow> pvs;
    std::vector<RecordedRow> imports;
};

enum class StepTiming { TLines, WallClock, Given };

struct Recorded {
    RecordingHeader header;
    std::string cut;  // where a session that ended without DCSDestroy was cut; empty: whole
    RecordedTables tables;
    int64_t steps = 0;  // DCSSimulate calls
    double step = 0.0;  // s
    StepTiming timing = StepTiming::Given;
    std::vector<double> time;  // per step: s since the first
    // [row][step]; NaN where the step did not carry the value: an SP or OP
    // the driver never stored, an OP or PV of a row that takes no part.
    std::vector<std::vector<double>> sp, op;  // op in % (the host's fraction x 100)
    std::vector<std::vector<double>> pv;
    // Each step at which an import row's value differs from the step before.
    struct ImportChange {
        int64_t step;
        int row;
        double value;
    };
    std::vector<ImportChange> import_changes;
};

// `step`: --step, 0 when not given; it times a recording without T or
// wall-clock lines. False with the reason: a damaged recording (replay's
// words), one without DCSSimulate ("nothing to fit"), tables that change
// between steps, or no timing and no --step.
bool LoadRecorded(const std::string& path, double step, Recorded& out, std::string& error);

const char* TimingName(StepTiming timing);  // "T lines", ...
