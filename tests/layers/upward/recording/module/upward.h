// An include from the recorder module up into dcshost (the module once loaded
// the driver through dcshost's loader), which the check must refuse.
#pragma once

#include "dcshost/host/driver_loader.h"
