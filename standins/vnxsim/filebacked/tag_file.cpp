// The file-backed build's tag database: read once, at the first ApiStartup,
// from the file VNXSIM_TAGS names. A bad file keeps the API down and says
// where on stderr, so the client sees a status and the engineer the line.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

bool g_loaded = false;

int16_t Refuse(int16_t status, const std::string& where, const std::string& why)
{
    std::fprintf(stderr, "VNXSIM_TAGS: %s: %s\n", where.c_str(), why.c_str());
    VnxSimReset();
    return status;
}

bool ReadNumber(std::istringstream& in, double low, double high, double& value)
{
    std::string word;
    if (!(in >> word)) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value) && value >= low && value <= high;
}

int16_t DefineLine(std::istringstream& in, const std::string& kind, const std::string& name)
{
    double value = 0, lower = 0, upper = 0;
    if (kind == "int") {
        if (!ReadNumber(in, -2147483648.0, 2147483647.0, value) || value != std::floor(value))
            return VNX_ST_INVALID_PARAMETER;
        return static_cast<int16_t>(VnxSimDefineInt(name.c_str(), static_cast<int32_t>(value)));
    }
    if (kind == "float") {
        if (!ReadNumber(in, -3.4e38, 3.4e38, value)) return VNX_ST_INVALID_PARAMETER;
        return static_cast<int16_t>(VnxSimDefineFloat(name.c_str(), static_cast<float>(value)));
    }
    if (kind == "array") {
        // The bounds are 16-bit and an array is at most MAXDCSROWS elements.
        if (!ReadNumber(in, -32768, 32767, lower) || !ReadNumber(in, -32768, 32767, upper) ||
            lower != std::floor(lower) || upper != std::floor(upper) || upper < lower - 1 ||
            upper - lower >= 2000 || !ReadNumber(in, -3.4e38, 3.4e38, value))
            return VNX_ST_INVALID_PARAMETER;
        return static_cast<int16_t>(VnxSimDefineArray(name.c_str(), static_cast<int16_t>(lower),
                                                      static_cast<int16_t>(upper),
                                                      static_cast<float>(value)));
    }
    return VNX_ST_INVALID_PARAMETER;
}

}  // namespace

int16_t LoadTagFile()
{
    if (g_loaded) return VNX_ST_OK;
    const char* path = std::getenv("VNXSIM_TAGS");
    if (!path || !*path) return Refuse(VNX_ST_FAILURE, "(unset)", "name the tag database file");
    std::ifstream file(path);
    if (!file) return Refuse(VNX_ST_FAILURE, path, "cannot be read");
    VnxSimReset();
    std::string line;
    int number = 0;
    int tags = 0;
    while (std::getline(file, line)) {
        ++number;
        std::istringstream in(line);
        std::string kind, name, rest;
        if (!(in >> kind) || kind[0] == '#') continue;
        std::string where = std::string(path) + ":" + std::to_string(number);
        if (!(in >> name)) return Refuse(VNX_ST_INVALID_PARAMETER, where, "tag name missing");
        int16_t status = DefineLine(in, kind, name);
        if (status == VNX_ST_OK && (in >> rest)) status = VNX_ST_INVALID_PARAMETER;
        if (status != VNX_ST_OK)
            return Refuse(status, where,
                          "expected 'int NAME VALUE', 'float NAME VALUE' or "
                          "'array NAME LOWER UPPER VALUE' with a valid, new name (status " +
                              std::to_string(status) + ")");
        ++tags;
    }
    if (tags == 0) return Refuse(VNX_ST_FAILURE, path, "no tags");
    g_loaded = true;
    return VNX_ST_OK;
}

}  // namespace vnxsim
