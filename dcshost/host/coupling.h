// Whether the coupling held, step by step. A step in which every list read
// failed brought nothing back from the control system: the coupling is lost
// from that step until a step reads again. Judged from the driver's own
// list-read reports ("DCSGeneralVendorMsg2" with a list's context) during
// the step's DCSSimulate, which a live run has as well as a simulated one.
#pragma once

#include <string>
#include <vector>

#include "dcshost/host/messages.h"

// One span without coupling.
struct CouplingLoss {
    double lost_at = 0.0;      // the first step that read nothing
    double restored_at = 0.0;  // the first step that read again; see to_end
    int steps = 0;             // steps that read nothing
    bool to_end = true;        // still lost when the run ended
};

class CouplingWatch {
public:
    // The lists the driver reads each step: the controller lists always, the
    // import list when there are import rows.
    explicit CouplingWatch(bool import_list = false) : import_list_(import_list) {}

    // Around each step's DCSSimulate; the messages in between are the step's.
    void BeginStep();
    void Note(const ReceivedMessage& message);
    // The host did not exchange this step (the driver is unbound): it read nothing.
    void Skip() { ctrl_failed_ = import_failed_ = true; }
    // True when the step read nothing: the coupling is lost at `time`.
    bool EndStep(double time);

    bool Lost() const { return lost_; }
    const std::vector<CouplingLoss>& Losses() const { return losses_; }
    int StepsLost() const;

private:
    bool import_list_;
    bool in_step_ = false;
    bool ctrl_failed_ = false;
    bool import_failed_ = false;
    bool lost_ = false;
    std::vector<CouplingLoss> losses_;
};

// "coupling lost at 101 s, for 500 steps (to the end)" or
// "coupling lost at 180 s, restored at 190 s (10 steps)".
std::string FormatCouplingLoss(const CouplingLoss& loss);
