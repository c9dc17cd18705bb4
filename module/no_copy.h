// An owner of something outside itself (a module, a file, a hook, host
// memory): each has one owner, so it is never copied.
#pragma once

class NoCopy {
public:
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;

protected:
    NoCopy() = default;
    ~NoCopy() = default;
};
