#include "dcshost/host/coupling.h"

#include "dcshost/scenario/limits.h"

namespace {

const char kListReadKey[] = "DCSGeneralVendorMsg2";

// The contexts of the three list reads. A failed SP list read after a good
// OP list read changes no controller row either: the controller phase read
// nothing.
// clang-format off
constexpr const char* kCtrlLists[] = {"for Controller Output Tag List", "for Controller Setpoint Tag List"};
constexpr const char* kImportList = "for PV Import Tag List";
// clang-format on

}  // namespace

void CouplingWatch::BeginStep()
{
    in_step_ = true;
    ctrl_failed_ = false;
    import_failed_ = false;
}

void CouplingWatch::Note(const ReceivedMessage& message)
{
    if (!in_step_ || message.key != kListReadKey) return;
    std::string context = message.Context();
    for (const char* list : kCtrlLists)
        if (context == list) ctrl_failed_ = true;
    if (context == kImportList) import_failed_ = true;
}

bool CouplingWatch::EndStep(double time)
{
    in_step_ = false;
    bool read_nothing = ctrl_failed_ && (!import_list_ || import_failed_);
    if (read_nothing && !lost_) losses_.push_back(CouplingLoss{time, 0.0, 0, true});
    if (!read_nothing && lost_) {
        losses_.back().restored_at = time;
        losses_.back().to_end = false;
    }
    if (read_nothing) ++losses_.back().steps;
    lost_ = read_nothing;
    return lost_;
}

int CouplingWatch::StepsLost() const
{
    int steps = 0;
    for (const CouplingLoss& loss : losses_) steps += loss.steps;
    return steps;
}

std::string FormatCouplingLoss(const CouplingLoss& loss)
{
    std::string steps = std::to_string(loss.steps) + (loss.steps == 1 ? " step" : " steps");
    std::string text = "coupling lost at " + NumberText(loss.lost_at) + " s, ";
    if (loss.to_end) return text + "for " + steps + " (to the end)";
    return text + "restored at " + NumberText(loss.restored_at) + " s (" + steps + ")";
}
