// Helpers for the data tests: records laid out in plain byte buffers and read
// back by offset the way the host reads them, the host heap's counters, and a
// fresh box record between cases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "standins/iface/iface_control.h"
#include "standins/winshim/winshim_double.h"

template <size_t N>
struct RawBytes {
    alignas(8) unsigned char bytes[N];

    explicit RawBytes(unsigned char fill) { std::memset(bytes, fill, N); }

    template <class T>
    T* as()
    {
        return reinterpret_cast<T*>(bytes);
    }

    template <class T>
    T Get(size_t offset) const
    {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }

    template <class T>
    void Put(size_t offset, T value)
    {
        std::memcpy(bytes + offset, &value, sizeof value);
    }

    // Every byte in [from, to) still holds the fill.
    bool Holds(size_t from, size_t to, unsigned char fill) const
    {
        for (size_t i = from; i < to; ++i) {
            if (bytes[i] != fill) return false;
        }
        return true;
    }
};

// A pointer as the 32-bit value stored in the block.
inline uint32_t Addr(const void* p)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

inline IFaceHeapStats HeapStats(int32_t family)
{
    IFaceHeapStats stats;
    IFaceHeapGetStats(family, &stats);
    return stats;
}

// Live blocks of both families together.
inline int32_t LiveBlocks()
{
    return HeapStats(IFACE_FAMILY_MALLOC).live_blocks + HeapStats(IFACE_FAMILY_NEW).live_blocks;
}

// Forget the boxes shown so far.
inline void ForgetBoxes() { WinShimReset(); }

// A packed field by value. GoogleTest's assertions take their arguments by
// reference, and a reference must not bind to a misaligned field.
template <class T>
T Value(T field)
{
    return field;
}
