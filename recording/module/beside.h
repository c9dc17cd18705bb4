// Where the recorder module finds the driver and puts its recordings: the
// folder it was loaded from.
#pragma once

#include <ctime>
#include <string>

// The real driver's file name beside the recorder module.
extern const char kRecordedDriverFile[];

// This module's folder, with a trailing separator. False with a reason.
bool ModuleFolder(std::string& folder, std::string& error);
// This module's handle, as LoadLibrary or dlopen gives it; from now on the
// module stays loaded to the end of the process, whatever the host unloads.
void* PinThisModule();

// Creates a new, empty file for a recording started at `start`:
// FOLDER/vornak-YYYYMMDD-HHMMSS.rec.gz (UTC), or with -2, -3, ... before
// ".rec.gz" while that name is taken. A file that exists is never opened.
// False with a reason.
bool ReserveRecordingPath(const std::string& folder, std::time_t start, std::string& path,
                          std::string& error);
