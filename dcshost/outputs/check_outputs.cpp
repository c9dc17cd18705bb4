#include "dcshost/outputs/check_outputs.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "dcshost/system_error.h"

namespace fs = std::filesystem;

namespace {

bool CheckOutput(const std::string& path, std::string& error)
{
    std::error_code ec;
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec) && !fs::create_directories(parent, ec) &&
        ec) {
        error = "cannot make the folder " + parent.string() + " for " + path + ": " + ec.message();
        return false;
    }
    bool existed = fs::exists(path, ec);
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot write " + path + ": " + ErrnoText(errno);
        return false;
    }
    std::fclose(file);
    if (!existed) fs::remove(path, ec);
    return true;
}

}  // namespace

bool CheckOutputs(const std::vector<std::string>& paths, std::string& error)
{
    std::vector<fs::path> seen;
    for (const std::string& path : paths) {
        if (!CheckOutput(path, error)) return false;
        std::error_code ec;
        fs::path full = fs::weakly_canonical(fs::absolute(path, ec), ec).lexically_normal();
        for (size_t i = 0; i < seen.size() && !ec; ++i)
            if (!full.empty() && seen[i] == full) {
                error = paths[i] + " and " + path + " name one file; each output needs its own";
                return false;
            }
        seen.push_back(full);
    }
    return true;
}
