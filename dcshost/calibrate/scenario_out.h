// The fitted scenario calibrate writes with --out: the base's own text with
// the fitted values put in place of its values (base_edit.cpp), or without a
// base a whole scenario made from the recording (new_scenario.cpp). Each
// fitted value is followed by a comment giving its confidence; a value the
// scenario reader would refuse is left out and said in `unwritten`.
#pragma once

#include <string>
#include <vector>

#include "dcshost/calibrate/calibrate.h"
#include "dcshost/scenario/scenario.h"

// `text`: the base's file as read; `base`: the same text read as a scenario.
// With `plant`, each loop's plant fit goes into the [[plant.block]] its PV
// row is `from`, when that block's only input is the loop's OP and its kind
// is the one fitted.
std::string EditedBase(const std::string& text, const Scenario& base, const Calibration& c,
                       bool plant, std::vector<std::string>& unwritten);

std::string NewScenario(const Recorded& recorded, const Calibration& c,
                        std::vector<std::string>& unwritten);
