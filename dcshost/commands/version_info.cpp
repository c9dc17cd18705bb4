#include "dcshost/commands/version_info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "module/driver_version.h"
#include "module/system_error.h"

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

enum class ModuleKind { Windows, Elf, None };

// What the file's first bytes say it is.
ModuleKind KindOf(const std::string& path)
{
    unsigned char head[4] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    size_t got = file ? std::fread(head, 1, sizeof head, file) : 0;
    if (file) std::fclose(file);
    if (got >= 2 && head[0] == 'M' && head[1] == 'Z') return ModuleKind::Windows;
    const unsigned char elf[4] = {0x7f, 'E', 'L', 'F'};
    if (got == 4 && std::memcmp(head, elf, 4) == 0) return ModuleKind::Elf;
    return ModuleKind::None;
}

// Why this dcshost cannot read the module's version resource; null when it can.
const char* NotReadable(ModuleKind kind)
{
    if (kind == ModuleKind::None)
        return "is not a module: neither a Windows module nor an ELF shared object";
#if !defined(_WIN32)
    // Not a module this dcshost can load either: exit 3, as run's --driver.
    if (kind == ModuleKind::Windows)
        return "is a Windows module: dcshost.exe version-info reads its version resource";
#endif
    return nullptr;
}

#if defined(_WIN32)
const int kNoResourceExit = kExitConfigureFailed;
#else
const int kNoResourceExit = 0;  // an ELF module carries none, as it should
#endif

}  // namespace

int PrintVersionInfo(const std::string& path)
{
    if (!Readable(path)) return kExitNoDriver;
    if (const char* why = NotReadable(KindOf(path))) {
        std::fprintf(stderr, "dcshost: version-info: %s %s\n", path.c_str(), why);
        return kExitNoDriver;
    }
    DriverVersion version;
    std::string problem;
    if (!ReadDriverVersion(path, version, problem)) {
        std::printf("%s: %s\n", path.c_str(), problem.c_str());
        return kNoResourceExit;
    }
    std::printf("%s:\n", path.c_str());
    std::printf("  %-22s 0x%04X %u\n", "Translation", version.language, version.code_page);
    int missing = 0;
    for (const DriverVersion::Entry& entry : version.entries) {
        std::printf("  %-22s %s\n", entry.key, entry.found ? entry.value.c_str() : "(missing)");
        missing += entry.found ? 0 : 1;
    }
    return missing == 0 ? kExitClean : kExitConfigureFailed;
}

CommandBody DefineVersionInfo(CLI::App& command)
{
    auto module = std::make_shared<std::string>();
    return AddOptions(command, {{"MODULE", "the driver module", File(module.get()), {Required()}}},
                      [module] { return PrintVersionInfo(*module); });
}
