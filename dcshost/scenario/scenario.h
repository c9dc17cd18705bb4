// A scenario: both sides of a closed-loop run in one plain struct, read from
// TOML. The simulated control system (tags, export array, PID blocks), the
// host's tables as an engineer fills them, the plant model and the run.
#pragma once

#include <string>
#include <vector>

struct SourcePos {
    int line = 0;
    int column = 0;
};

// One problem found in a scenario file, with where it is.
struct ScenarioError {
    std::string file;
    SourcePos pos;
    std::string message;
};

// file:line:col: error: message
std::string FormatScenarioError(const ScenarioError& error);

// ---- Control-system side ----------------------------------------------------

enum class TagType { Float, Int };

struct SysTag {
    std::string name;
    TagType type = TagType::Float;
    double value = 0.0;
    // The tag's condition in the control system: what GetTagStatus answers
    // (0 usable), its IO status (1 good) and data quality (0 good).
    int status = 0;
    int io_status = 1;
    int quality = 0;
    SourcePos pos;
};

// A one-dimensional float array tag (the PV export array).
struct SysArray {
    std::string name;
    int lower = 0;
    int upper = 0;
    double value = 0.0;
    SourcePos pos;
};

struct SysPid {
    std::string name;
    std::string sp_tag, op_tag, mode_tag, sp_init_tag, op_init_tag;
    std::string pv_tag;  // an array tag (with pv_index) or a float tag
    int pv_index = -1;   // -1: pv_tag is a scalar
    double kp = 1.0, ti = 0.0, td = 0.0;
    double op_lo = 0.0, op_hi = 100.0;
    double scan = 1.0;
    // Scans on its own clock: scan k at phase + k * scan from the run's
    // start. Without: every scan period from the start on, as the step falls.
    bool phased = false;
    double phase = 0.0;
    SourcePos pos;
    SourcePos scan_pos;
};

// ---- Host side: the rows of the data block ------------------------------------

// A text cell for the driver's column with this caption ("SP TAG", "TAG", ...).
struct CellText {
    std::string caption;
    std::string text;
};

struct CtrlRowDef {
    std::string name;             // the loop's name in summaries and trends
    std::vector<CellText> cells;  // the five tag columns
    bool active = true;
    double sp = 0.0;  // starting setpoint
    double op = 0.0;  // starting output, a fraction of full range
    std::string pv;   // name of the PV export row that is this loop's PV
    SourcePos pos;
};

struct PVRowDef {
    std::string name;
    std::vector<CellText> cells;  // "TAG"
    bool active = true;
    std::string from;  // a plant source ("plant:NAME"); empty: constant value
    double value = 0.0;
    SourcePos pos;
};

struct ImportRowDef {
    std::string name;
    std::vector<CellText> cells;  // "TAG"
    std::string mapping = "1:1";  // the "Mapping" choice by its text
    bool active = true;
    double value = 0.0;  // starting value, written out at initialisation
    SourcePos pos;
};

// ---- Plant ------------------------------------------------------------------

enum class BlockKind { FirstOrder, Integrating };

// A weighted input: "op:LOOP" (controller output in percent), "import:ROW"
// (an imported value), "plant:BLOCK" (another block's output).
struct PlantInput {
    std::string from;
    double gain = 1.0;
    SourcePos pos;
};

struct PlantBlockDef {
    std::string name;
    BlockKind kind = BlockKind::FirstOrder;
    std::vector<PlantInput> inputs;
    double bias = 0.0;       // first order: output at zero input
    double tau = 1.0;        // first order: time constant, s
    double dead_time = 0.0;  // first order: s
    double initial = 0.0;    // output at time zero
    double lo = -1e300;      // integrating: output limits
    double hi = 1e300;
    double noise = 0.0;  // sigma of the measurement noise on the PV it exports
    SourcePos pos;
    SourcePos dead_time_pos;
};

// ---- Run --------------------------------------------------------------------

// An operator's write in the control system at a given time (a setpoint change).
struct RunEvent {
    double at = 0.0;
    std::string tag;
    double value = 0.0;
    SourcePos pos;
    SourcePos value_pos;
};

// A fault of the control system during the run, from `at` until `until`.
enum class FaultKind {
    TagStatus,     // GetTagStatus on the tag answers `value`
    Quality,       // the tag's data quality is `value`
    IOStatus,      // the tag's IO status is `value`
    ListRead,      // every ReadTagList answers `value`
    ArrayStatus,   // GetTagStatus on the PV array tag answers `value`
    WriteRefused,  // SendTag on the tag answers `value`
    Restart,       // every handle the control system issued goes stale (at `at`)
};

struct RunFault {
    double at = 0.0;
    double until = 0.0;
    bool open_ended = true;  // no `until`: to the end of the run
    FaultKind kind = FaultKind::TagStatus;
    std::string kind_name;  // as written
    std::string tag;        // tag kinds; the array tag for ArrayStatus
    int value = 0;          // what the control system answers
    SourcePos pos;
};

// A malfunction of a transmitter on the host's side: what the host puts in a
// PV row's Value from `at` until `until`; the control system is not touched.
enum class MalfunctionKind { Freeze, Offset, Drift, Fixed, FailHigh, FailLow };

struct RunMalfunction {
    double at = 0.0;
    double until = 0.0;
    MalfunctionKind kind = MalfunctionKind::Freeze;
    std::string kind_name;  // as written
    std::string pv;         // the PV row
    double value = 0.0;     // offset, fixed; hi of fail_high, lo of fail_low
    double rate = 0.0;      // drift, per second
    SourcePos pos;
};

// A disturbance of the plant: `value` added to a block's output from `at`
// (reached over `ramp` seconds when ramp > 0) until `until`.
struct RunDisturbance {
    double at = 0.0;
    double until = 0.0;
    bool open_ended = true;  // no `until`: to the end of the run
    std::string block;
    double value = 0.0;
    double ramp = 0.0;  // 0: a step
    SourcePos pos;
};

struct RunDef {
    double step = 1.0;
    double duration = 60.0;
    int progress_every = 0;  // steps between progress lines; 0: about every 10 %
    int seed = 1;            // of every random draw: read jitter, noise
    std::vector<RunEvent> events;
    std::vector<RunFault> faults;
    std::vector<RunMalfunction> malfunctions;
    std::vector<RunDisturbance> disturbances;
};

struct Scenario {
    std::string file;  // as given, for messages
    std::string title;
    std::vector<SysTag> tags;
    std::vector<SysArray> arrays;
    std::vector<SysPid> pids;
    // The driver's reads at each step happen up to this late (a draw per step).
    double read_jitter_ms = 0.0;
    SourcePos read_jitter_pos;
    std::string pv_array_tag;  // general field "PV Array Tag"
    std::vector<CtrlRowDef> controllers;
    std::vector<PVRowDef> pvs;
    std::vector<ImportRowDef> imports;
    std::vector<PlantBlockDef> plant;
    RunDef run;
};

// Text of a row's cell by caption; null when the row has none.
const std::string* FindCell(const std::vector<CellText>& cells, const std::string& caption);

// Parses TOML text. file names the source in errors. Returns false and fills
// errors (every problem found, in file order) when the scenario is unusable.
bool ParseScenario(const std::string& text, const std::string& file, Scenario& out,
                   std::vector<ScenarioError>& errors);

// Reads a file, or the built-in scenario for the name "default".
bool LoadScenario(const std::string& path_or_name, Scenario& out,
                  std::vector<ScenarioError>& errors);

// The built-in scenario's TOML text.
const char* DefaultScenarioText();
