// The recorder module's own imports of the driver's neighbours, as the
// recorder passes the driver's calls on.
#pragma once

#include "recording/recorder/recorder.h"

const NeighbourCalls& OwnImports();
