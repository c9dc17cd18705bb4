// Expected trace and message lines, built up from pieces.
#pragma once

#include <string>
#include <vector>

using Lines = std::vector<std::string>;

inline Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Lines Repeat(const std::string& line, int n) { return Lines(n, line); }
