// A file that appears at its name whole or not at all: written under
// PATH.part in the same folder and renamed over PATH once complete, so a
// full disk, a failed write or a run that dies leaves the file that was
// there before (or none), never a cut one. A failed write removes the part
// written. Every failure comes back as "cannot write PATH: REASON" in the
// system's words. A link is followed to the file it names; a device or a
// pipe (/dev/stdout) is written as it is.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

#include "module/no_copy.h"

class WholeFile : NoCopy {
public:
    WholeFile() = default;
    ~WholeFile() { Abandon(); }

    // Makes the folder when missing and starts PATH.part.
    bool Open(const std::string& path, std::string& error);
    // Straight to the system, unbuffered: a process ended at once leaves
    // PATH.part ending on the last whole write. False from the first failure on.
    bool Write(const char* data, size_t size);
    // Flushes, closes and renames it to PATH; on any failure removes it.
    bool Commit(std::string& error);
    // Closes and removes the part written, if any.
    void Abandon();
    bool IsOpen() const { return file_ != nullptr; }

private:
    void Remove();

    std::FILE* file_ = nullptr;
    std::string path_;    // as given, for messages
    std::string target_;  // the file itself, links followed
    std::string part_;
    bool direct_ = false;  // no regular file: written in place
    int failure_ = 0;      // errno of the first failed write
    long long taken_ = 0;  // bytes written
};

// A device, a pipe or a name of the system's (/dev/stdout): written in
// place, having no folder of its own to rename in.
bool InPlace(const std::string& path, const std::filesystem::file_status& status);

// For tests, a disk of this many bytes: every write past them fails as on a
// full disk (ENOSPC), and a part removed gives its bytes back; negative: no
// limit.
void LimitWholeFileBytes(long long bytes);
