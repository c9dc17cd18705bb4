// The entries a host reads from a driver module's version resource to
// recognise a DCS driver. Windows only: an ELF shared object carries none.
#pragma once

#include <string>
#include <vector>

struct DriverVersion {
    unsigned language = 0;  // the Translation entry
    unsigned code_page = 0;
    struct Entry {
        const char* key;
        std::string value;
        bool found = false;
    };
    std::vector<Entry> entries;  // FileDescription, DCSDisplayName, ... in that order
};

// False with the reason when the module has no readable version resource
// (on Linux always: "an ELF shared object carries none").
bool ReadDriverVersion(const std::string& path, DriverVersion& version, std::string& problem);

// The found entries as NAME=VALUE pairs separated by "; ", or "none".
std::string DriverVersionText(const std::string& path);
