// Value conversion between the caller's 4-byte buffers and the tag storage.
// Every conversion is defined for every input: out-of-range floats must not
// reach a plain cast, which would be undefined behaviour.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {

int32_t SaturateToInt(double v)
{
    if (std::isnan(v)) return 0;
    double r = std::round(v);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

float SaturateToFloat(double v)
{
    if (std::isfinite(v)) {
        if (v > FLT_MAX) return FLT_MAX;
        if (v < -FLT_MAX) return -FLT_MAX;
    }
    return static_cast<float>(v);
}

double StoreAs(const Tag& tag, double v)
{
    if (tag.is_int) return SaturateToInt(v);
    return SaturateToFloat(v);
}

bool IsKnownConversion(int32_t conversion)
{
    return conversion == VNX_CONV_FLOAT || conversion == VNX_CONV_INT;
}

int16_t DecodeValue(const void* src, int32_t conversion, double* out)
{
    if (conversion == VNX_CONV_FLOAT) {
        float f;
        std::memcpy(&f, src, sizeof f);
        *out = f;
        return VNX_ST_OK;
    }
    if (conversion == VNX_CONV_INT) {
        int32_t i;
        std::memcpy(&i, src, sizeof i);
        *out = i;
        return VNX_ST_OK;
    }
    return VNX_ST_INVALID_CONVERSION;
}

int16_t EncodeValue(double v, int32_t conversion, void* dst)
{
    if (conversion == VNX_CONV_FLOAT) {
        float f = SaturateToFloat(v);
        std::memcpy(dst, &f, sizeof f);
        return VNX_ST_OK;
    }
    if (conversion == VNX_CONV_INT) {
        int32_t i = SaturateToInt(v);
        std::memcpy(dst, &i, sizeof i);
        return VNX_ST_OK;
    }
    return VNX_ST_INVALID_CONVERSION;
}

}  // namespace vnxsim
