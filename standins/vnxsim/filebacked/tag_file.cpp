// The file-backed build's tag database: read once, at the first ApiStartup,
// from the file VNXSIM_TAGS names. A bad file keeps the API down and says
// where and why on stderr, so the client sees a status and the engineer the
// line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "standins/vnxsim/filebacked/tag_text.h"
#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

bool g_loaded = false;

// Far more than the 2000 rows of three tables take; past it the file is
// something else.
constexpr std::uintmax_t kMaxTagFileBytes = 64u * 1024 * 1024;

int16_t Refuse(int16_t status, const std::string& where, const std::string& why)
{
    std::fprintf(stderr, "VNXSIM_TAGS: %s: %s\n", where.c_str(), why.c_str());
    VnxSimReset();
    return status;
}

// Why the file cannot be read as a tag file; empty when it can.
std::string Unreadable(const char* path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) return "is a folder, not a tag file";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return "is not a regular file";
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxTagFileBytes)
        return "is " + std::to_string(size) + " bytes; a tag file may have at most " +
               std::to_string(kMaxTagFileBytes);
    return "";
}

}  // namespace

int16_t LoadTagFile()
{
    if (g_loaded) return VNX_ST_OK;
    const char* path = std::getenv("VNXSIM_TAGS");
    if (!path || !*path) return Refuse(VNX_ST_FAILURE, "(unset)", "name the tag database file");
    if (std::string why = Unreadable(path); !why.empty()) return Refuse(VNX_ST_FAILURE, path, why);
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Refuse(
            VNX_ST_FAILURE, path,
            std::string("cannot be read: ") + (errno ? std::strerror(errno) : "no such file"));
    std::ostringstream text;
    text << file.rdbuf();
    TagTextError error;
    if (const int16_t status = DefineTagText(text.str(), error); status != VNX_ST_OK) {
        // FILE:LINE:COLUMN, as a compiler says it.
        std::string where = path;
        if (error.line > 0) where += ":" + std::to_string(error.line);
        if (error.column > 0) where += ":" + std::to_string(error.column);
        return Refuse(status, where, error.why);
    }
    g_loaded = true;
    return VNX_ST_OK;
}

}  // namespace vnxsim
