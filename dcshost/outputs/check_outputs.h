// The files a run will write, made writable before the driver is loaded: a
// path that cannot take a file costs no settle and no run. Folders are made
// as needed; a file is opened without truncating it, and one the check had
// to create is removed again, so a refused run leaves no empty stub and
// replaces nothing.
#pragma once

#include <string>
#include <vector>

// False with the first path that cannot be written and the system's reason,
// or with two outputs that name one file.
bool CheckOutputs(const std::vector<std::string>& paths, std::string& error);
