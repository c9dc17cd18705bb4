// The options more than one command takes (run, replay, check), each row
// written once: the same name, parser and rules in every command, the help in
// the command's own words where it differs.
#pragma once

#include <string>

#include "dcshost/commands/options.h"

Option DriverOption(std::string* into, const char* help = "the driver module");
Option OutOption(std::string* into);
Option NameOption(std::string* into, const char* help);
Option NoTrendsOption(bool* trends);
Option JsonOption(std::string* into);
Option NoSettleWaitOption(bool* settle_wait, const char* help);
