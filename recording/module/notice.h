// What the recorder module tells the person at the host, through the system's
// message box (no owner, OK only): each at most once a session.
#pragma once

#include <string>

// The driver is not beside the module, or is not a driver.
void TellDriverMissing(const std::string& reason);
// No recording could be started; the coupling goes on without one.
void TellRecordingOff(const std::string& reason);
