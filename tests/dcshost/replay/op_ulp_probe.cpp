// The driver with one behaviour changed and none of its code: every OP the
// exchange stores in the block is one ulp above what it read. The module is
// linked from the same layers with --wrap on SetCtrlOP; a replay of a
// recording made with the real module differs at the first OP written back.
#include <cmath>
#include <cstdint>

#include "dcs/data/dcs_data.h"

extern "C" int32_t __real__Z9SetCtrlOPP7DCSDataid(DCSData* d, int32_t row, double value);

extern "C" int32_t __wrap__Z9SetCtrlOPP7DCSDataid(DCSData* d, int32_t row, double value)
{
    return __real__Z9SetCtrlOPP7DCSDataid(d, row, std::nextafter(value, INFINITY));
}
