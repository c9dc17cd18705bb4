// Whole text files in and out: the output folder is made on first use, a
// file is written whole or not at all (whole_file.h), and one that cannot be
// read or written comes back as a reason.
#pragma once

#include <string>

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);
// At most max_bytes; a larger file is refused before it is read.
bool ReadTextFile(const std::string& path, size_t max_bytes, std::string& text, std::string& error);
