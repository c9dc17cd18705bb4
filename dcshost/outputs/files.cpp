#include "dcshost/outputs/files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dcshost/whole_file.h"

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error)
{
    WholeFile file;
    if (!file.Open(path, error)) return false;
    file.Write(text.data(), text.size());
    return file.Commit(error);
}

bool ReadTextFile(const std::string& path, size_t max_bytes, std::string& text, std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot read " + path + ": not a regular file";
        return false;
    }
    uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > max_bytes) {
        error = "cannot read " + path + ": larger than " + std::to_string(max_bytes) + " bytes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    text = all.str();
    return true;
}
