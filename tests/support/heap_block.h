// Checks of a block in the host's heap stand-in.
#pragma once

#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "standins/iface/iface_control.h"

// Whether p is a live block of this family and size.
inline ::testing::AssertionResult IsHeapBlock(const void* p, int32_t family, size_t size)
{
    int32_t f = -1;
    size_t n = 0;
    if (IFaceHeapBlockInfo(p, &f, &n) != 1)
        return ::testing::AssertionFailure() << "not a live block of the host's heap";
    if (f != family || n != size)
        return ::testing::AssertionFailure()
               << "family " << f << " and " << n << " bytes; expected family " << family << " and "
               << size << " bytes";
    return ::testing::AssertionSuccess();
}
