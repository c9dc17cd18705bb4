// Loads the driver module the way a host does: by path, and its nine entry
// points by name. Nothing of the driver is linked into dcshost.
#pragma once

#include <string>

#include "module/entry_points.h"

class DriverModule {
public:
    DriverModule() = default;
    ~DriverModule();
    DriverModule(const DriverModule&) = delete;
    DriverModule& operator=(const DriverModule&) = delete;

    // False with a reason when the module or one of the nine names is missing.
    bool Open(const std::string& path, std::string& error);
    void Close();
    const DriverEntryPoints& Api() const { return api_; }
    DCSEntryPoint Entry(RecordEntryId id) const { return api_.*kEntrySlots[id]; }
    void* Handle() const { return module_; }

private:
    void* module_ = nullptr;
    DriverEntryPoints api_;
};

// The driver's file name: libvornak.so or vornak.dll.
const char* DriverFileName();
// The driver next to the running executable.
std::string DefaultDriverPath();
// The directory of the running executable, with a trailing separator.
std::string ExecutableDir();
// The folder of a file's path, with a trailing separator ("./" for a bare name).
std::string FolderOf(const std::string& path);
