// `dcshost version-info MODULE`: the entries a host reads from the driver's
// version resource to recognise a DCS driver. Windows only: an ELF shared
// object carries no such resource.
#pragma once

#include <string>

// Prints the entries; returns the process exit code (0 when every entry was found).
int PrintVersionInfo(const std::string& path);
