#include "module/driver_version.h"

#if defined(_WIN32)
#  include <windows.h>

#  include <cstdio>

#  include "module/system_error.h"

bool ReadDriverVersion(const std::string& path, DriverVersion& version, std::string& problem)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        problem = "no version resource: " + WindowsErrorText(GetLastError());
        return false;
    }
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) {
        problem = "the version resource cannot be read";
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) {
        problem = "the version resource has no Translation entry";
        return false;
    }
    const WORD* translation = static_cast<const WORD*>(value);
    version.language = translation[0];
    version.code_page = translation[1];
    char table[16];
    std::snprintf(table, sizeof table, "%04X%04X", translation[0], translation[1]);
    const char* keys[] = {"FileDescription",      "DCSDisplayName", "Driver Build Number",
                          "Program Build Number", "InternalName",   "OriginalFilename"};
    version.entries.clear();
    for (const char* key : keys) {
        DriverVersion::Entry entry{key, "", false};
        std::string query = std::string("\\StringFileInfo\\") + table + "\\" + key;
        char* text = nullptr;
        UINT chars = 0;
        if (VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars) &&
            text) {
            entry.value = text;
            entry.found = true;
        }
        version.entries.push_back(entry);
    }
    return true;
}

#else

bool ReadDriverVersion(const std::string&, DriverVersion&, std::string& problem)
{
    problem =
        "no version resource to read: version resources are a Windows module's, "
        "an ELF shared object carries none";
    return false;
}

#endif

std::string DriverVersionText(const std::string& path)
{
    DriverVersion version;
    std::string problem;
    if (!ReadDriverVersion(path, version, problem)) return "none";
    std::string text;
    for (const DriverVersion::Entry& entry : version.entries) {
        if (!entry.found) continue;
        if (!text.empty()) text += "; ";
        text += std::string(entry.key) + "=" + entry.value;
    }
    return text.empty() ? "none" : text;
}
