#include "dcshost/commands/version_info.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "dcshost/system_error.h"

namespace {

// A module that cannot be read is said so in the same words on both
// platforms; empty when it can be.
std::string ReadProblem(const std::string& path)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return ErrnoText(errno);
    // A folder opens on Linux and fails only on reading.
    bool read = std::fgetc(file) != EOF || !std::ferror(file);
    int error = errno;
    std::fclose(file);
    return read ? "" : ErrnoText(error);
}

// Exit code 3 when the module cannot be read.
bool Readable(const std::string& path)
{
    std::string problem = ReadProblem(path);
    if (problem.empty()) return true;
    std::fprintf(stderr, "dcshost: version-info: cannot read %s: %s\n", path.c_str(),
                 problem.c_str());
    return false;
}

}  // namespace

#if defined(_WIN32)
#  include <windows.h>

#  include <vector>

int PrintVersionInfo(const std::string& path)
{
    if (!Readable(path)) return kExitNoDriver;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        std::printf("%s: no version resource: %s\n", path.c_str(),
                    WindowsErrorText(GetLastError()).c_str());
        return 1;
    }
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) {
        std::printf("%s: the version resource cannot be read\n", path.c_str());
        return 1;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) {
        std::printf("%s: the version resource has no Translation entry\n", path.c_str());
        return 1;
    }
    const WORD* translation = static_cast<const WORD*>(value);
    char table[16];
    std::snprintf(table, sizeof table, "%04X%04X", translation[0], translation[1]);
    std::printf("%s:\n", path.c_str());
    std::printf("  %-22s 0x%04X %u\n", "Translation", translation[0], translation[1]);

    const char* keys[] = {"FileDescription",      "DCSDisplayName", "Driver Build Number",
                          "Program Build Number", "InternalName",   "OriginalFilename"};
    int missing = 0;
    for (const char* key : keys) {
        std::string query = std::string("\\StringFileInfo\\") + table + "\\" + key;
        char* text = nullptr;
        UINT chars = 0;
        if (VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars) &&
            text) {
            std::printf("  %-22s %s\n", key, text);
        } else {
            std::printf("  %-22s (missing)\n", key);
            ++missing;
        }
    }
    return missing == 0 ? 0 : 1;
}

#else

int PrintVersionInfo(const std::string& path)
{
    if (!Readable(path)) return kExitNoDriver;
    std::printf(
        "%s: no version resource to read: version resources are a Windows module's, "
        "an ELF shared object carries none\n",
        path.c_str());
    return 0;
}

#endif

CommandBody DefineVersionInfo(CLI::App& command)
{
    auto module = std::make_shared<std::string>();
    AddOptions(command, {{"MODULE", "the driver module", module.get(), std::nullopt,
                          kRequired | kNotEmpty}});
    return [module] { return PrintVersionInfo(*module); };
}
