#include "module/driver_loader.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <unistd.h>
#endif

#include <vector>

#include "module/system_error.h"

namespace {

#if defined(_WIN32)
const char kDriverFile[] = "vornak.dll";

void* OpenModule(const std::string& path, std::string& error)
{
    // The driver's own folder is searched first for what it imports, so the
    // client library beside it is the one it gets, not one beside dcshost.
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    HMODULE module = n > 0 && n < sizeof full
                         ? LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                         : LoadLibraryA(path.c_str());
    if (!module) error = "cannot load " + path + ": " + WindowsErrorText(GetLastError());
    return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
#else
const char kDriverFile[] = "libvornak.so";

void* OpenModule(const std::string& path, std::string& error)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown reason");
    }
    return module;
}

void* FindSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseModule(void* module) { dlclose(module); }
#endif

}  // namespace

void DriverModule::Closer::operator()(void* module) const { CloseModule(module); }

bool DriverModule::Open(const std::string& path, std::string& error)
{
    Close();
    module_.reset(OpenModule(path, error));
    if (!module_) return false;
    for (int id = 0; id < REC_ENTRY_COUNT; ++id) {
        void* symbol = FindSymbol(module_.get(), RecordEntryNames[id]);
        if (!symbol) {
            error = path + " does not export " + RecordEntryNames[id];
            Close();
            return false;
        }
        // Function and data pointers have the same size on both targets.
        api_.*kEntrySlots[id] = reinterpret_cast<DCSEntryPoint>(symbol);
    }
    return true;
}

void DriverModule::Close()
{
    module_.reset();
    api_ = DriverEntryPoints{};
}

std::string ExecutableDir()
{
    std::vector<char> buffer(4096);
#if defined(_WIN32)
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::string path(buffer.data(), n < buffer.size() ? n : 0);
    size_t slash = path.find_last_of("\\/");
#else
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    std::string path(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FolderOf(const std::string& path)
{
#if defined(_WIN32)
    size_t slash = path.find_last_of("\\/");
#else
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

const char* DriverFileName() { return kDriverFile; }

std::string DefaultDriverPath() { return ExecutableDir() + kDriverFile; }
