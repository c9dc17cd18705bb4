// An include from the plant up to the outputs (the wiring once took LoopSample from the trends),
// which the check must refuse.
#pragma once

#include "dcshost/outputs/trend.h"
