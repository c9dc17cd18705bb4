// The recording header's @driver value: the module's version resource as
// NAME=VALUE pairs separated by "; ", or "none".
#pragma once

#include <string>

std::string DriverVersionText(const std::string& path);
