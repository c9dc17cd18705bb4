// Host doubles going out as 4-byte floats.
#pragma once

#include <cfloat>
#include <cmath>
#include <limits>

// A finite double beyond float range would be undefined behaviour under a
// plain cast; it saturates to +-FLT_MAX instead, so a finite value stays
// finite in the control system. Infinities and NaN keep their class.
inline float NarrowToFloat(double value)
{
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (std::isinf(value)) {
        return value > 0.0 ? std::numeric_limits<float>::infinity()
                           : -std::numeric_limits<float>::infinity();
    }
    if (value > static_cast<double>(FLT_MAX)) return FLT_MAX;
    if (value < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(value);
}
