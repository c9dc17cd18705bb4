#pragma once
// The fuzz target's input decoding: choices read from the input, the block
// they lay and spoil, the tags and faults of the simulated control system.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "standins/hostblock/block_builder.h"

namespace driver_fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : fdp_(data, size) {}
    uint8_t Byte() { return fdp_.ConsumeIntegral<uint8_t>(); }
    uint16_t Word()
    {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | (Byte() << 8));
    }
    size_t Index(size_t n) { return fdp_.ConsumeIntegralInRange<size_t>(0, n - 1); }
    template <typename T, size_t N>
    T Pick(const T (&choices)[N])
    {
        return choices[Index(N)];
    }
    std::string Text() { return fdp_.ConsumeRandomLengthString(64); }
    double Bits()
    {
        const uint64_t bits = fdp_.ConsumeIntegral<uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    FuzzedDataProvider fdp_;
};

const int kNamedRows = 5;  // rows past these name tags the control system lacks

void PickCount(Input& in, int32_t* count, size_t* rows);
int16_t PickActive(Input& in);
double PickValue(Input& in);
char* PickName(Input& in, BlockBuilder& b);
DCSData* LayBlock(Input& in, BlockBuilder& b, size_t rows[3]);
void SpoilBlock(Input& in, BlockBuilder& b, const size_t rows[3]);
void DefineTags(Input& in, size_t pv_rows);

// A refused close or shutdown keeps what it refused: the library's doing.
bool KeepsWhatItRefuses(int32_t op);

struct Schedule {
    int32_t countdown = 0;
    bool refusal = false;  // a fault may leave a handle open by design
};

Schedule ArmFaults(Input& in);

}  // namespace driver_fuzz
