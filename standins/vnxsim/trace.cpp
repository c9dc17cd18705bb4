// The call trace: one line per client-library call while it is on.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

bool g_on = false;
std::vector<std::string> g_lines;

}  // namespace

bool TraceOn() { return g_on; }

void AppendTrace(std::string line) { g_lines.push_back(std::move(line)); }

std::string FormatFloat(float v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string FormatValue(const void* p, int32_t conversion)
{
    if (!p) return "0";
    if (conversion == VNX_CONV_FLOAT) {
        float f;
        std::memcpy(&f, p, sizeof f);
        return "float " + FormatFloat(f);
    }
    if (conversion == VNX_CONV_INT) {
        int32_t i;
        std::memcpy(&i, p, sizeof i);
        return "int " + std::to_string(i);
    }
    const unsigned char* b = static_cast<const unsigned char*>(p);
    char buf[16];
    std::snprintf(buf, sizeof buf, "hex %02x%02x%02x%02x", b[0], b[1], b[2], b[3]);
    return buf;
}

std::string FormatName(const char* name)
{
    if (!name) return "0";
    std::string out = "\"";
    for (const char* c = name; *c; ++c) {
        unsigned char u = static_cast<unsigned char>(*c);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += *c;
        } else if (u < 0x20 || u >= 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", u);
            out += esc;
        } else {
            out += *c;
        }
    }
    return out + "\"";
}

void ResetTrace()
{
    g_on = false;
    g_lines.clear();
}

}  // namespace vnxsim

using namespace vnxsim;

VNXSIM_API void VnxSimTraceEnable(int32_t on) { g_on = on != 0; }

VNXSIM_API void VnxSimTraceClear(void) { g_lines.clear(); }

VNXSIM_API int32_t VnxSimTraceCount(void) { return static_cast<int32_t>(g_lines.size()); }

VNXSIM_API int32_t VnxSimTraceLine(int32_t i, char* buf, int32_t size)
{
    if (i < 0 || static_cast<size_t>(i) >= g_lines.size()) return -1;
    const std::string& line = g_lines[static_cast<size_t>(i)];
    if (buf && size > 0) {
        size_t n = line.size() < static_cast<size_t>(size) - 1 ? line.size()
                                                               : static_cast<size_t>(size) - 1;
        std::memcpy(buf, line.data(), n);
        buf[n] = '\0';
    }
    return static_cast<int32_t>(line.size());
}
