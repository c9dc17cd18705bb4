// Loads the driver module the way a host does: by path, and its nine entry
// points by name. Nothing of the driver is linked into dcshost.
#pragma once

#include <memory>
#include <string>

#include "module/entry_points.h"

// Closed when it goes; never copied, as a copy would close it twice.
class DriverModule {
public:
    // False with a reason when the module or one of the nine names is missing.
    bool Open(const std::string& path, std::string& error);
    void Close();
    const DriverEntryPoints& Api() const { return api_; }
    DCSEntryPoint Entry(RecordEntryId id) const { return api_.*kEntrySlots[id]; }
    void* Handle() const { return module_.get(); }

private:
    struct Closer {
        void operator()(void* module) const;
    };
    std::unique_ptr<void, Closer> module_;
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
