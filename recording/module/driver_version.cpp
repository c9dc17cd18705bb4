#include "recording/module/driver_version.h"

std::string DriverVersionText(const std::string& /*path*/) { return "none"; }
