// The module a test drives by path: the driver beside the test program, or the
// module in the folder DCS_MODULE_DIR names (tests/recording/module/module_folder.cmake
// puts the recorder module there, the driver beside it). The same test then
// runs against either, unchanged.
#pragma once

#include <cstdlib>
#include <string>

#include "module/driver_loader.h"

inline std::string TestModulePath()
{
    const char* dir = std::getenv("DCS_MODULE_DIR");
    return dir && *dir ? std::string(dir) + "/" + DriverFileName() : DefaultDriverPath();
}
