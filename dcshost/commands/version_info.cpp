#include "dcshost/commands/version_info.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "dcshost/commands/command.h"
#include "dcshost/commands/options.h"
#include "dcshost/exit_codes.h"
#include "dcshost/host/driver_version.h"
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

#if defined(_WIN32)
const int kNoResourceExit = 1;
#else
const int kNoResourceExit = 0;  // an ELF module carries none, as it should
#endif

}  // namespace

int PrintVersionInfo(const std::string& path)
{
    if (!Readable(path)) return kExitNoDriver;
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
    return missing == 0 ? 0 : 1;
}

CommandBody DefineVersionInfo(CLI::App& command)
{
    auto module = std::make_shared<std::string>();
    AddOptions(command, {{"MODULE", "the driver module", module.get(), std::nullopt,
                          kRequired | kNotEmpty}});
    return [module] { return PrintVersionInfo(*module); };
}
