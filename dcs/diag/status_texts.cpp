// The three code-to-text tables. Texts go to the host as they stand: the
// trailing blanks of the quality and IO texts are part of the data.
#include <cstddef>

#include "dcs/diag/report.h"

namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

// Marks the last row of a table: every code not listed above it.
constexpr uint32_t ANY_OTHER = 0xFFFFFFFFu;

// clang-format off
const CodeText VendorStatusTexts[] = {
    {0, "Success"},
    {1, "Module address file is not found"},
    {2, "Communication port already used"},
    {3, "No available communication ports"},
    {4, "Communications start failure"},
    {5, "Tag name is invalid"},
    {6, "Module not resolved"},
    {7, "Module not found"},
    {8, "Insufficient Memory"},
    {9, "Transmittion failure"},
    {10, "Template failure"},
    {11, "Segment not found"},
    {12, "No modules responded"},
    {13, "No message received"},
    {14, "Controller database has changed"},
    {15, "Invalid request"},
    {16, "Write error"},
    {17, "Invalid conversion"},
    {18, "Request message is required"},
    {19, "Segment is not current"},
    {20, "Reference count decremented, but Tag not removed"},
    {21, "Segment Disabled"},
    {22, "Security Violation"},
    {23, "Module Access Denied"},
    {24, "Invalid Date Format"},
    {25, "Invalid Date Time Format"},
    {26, "TBC Initialization Failure"},
    {27, "Invalid NIM Name"},
    {28, "Host Table Error"},
    {29, "Socket Init Failure"},
    {30, "Binding Failure"},
    {31, "Socket Opt Failure"},
    {32, "Invalid Tag Type"},
    {33, "API Not Initialized"},
    {34, "Invalid Pointer"},
    {35, "Path Not Found"},
    {36, "Read Error"},
    {37, "Time Out Error"},
    {38, "Error Sending Message"},
    {39, "Error Receiving Message"},
    {40, "Item Already Exists"},
    {41, "Check Sum Error"},
    {42, "Invalid Handle"},
    {43, "Not Array"},
    {44, "Invalid Bit"},
    {45, "Incompatible Template"},
    {253, "Invalid parameter"},
    {254, "Failure"},
    {255, "Unknown Error"},
    {ANY_OTHER, "UNKNOWN ERROR CODE"},
};
// clang-format on

// clang-format off
const CodeText DataQualityTexts[] = {
    {0, "good "},
    {1, "bad  "},
    {2, "qstn "},
    {3, "unav "},
    {ANY_OTHER, "unknown"},
};
// clang-format on

// 1 is good and is never reported, so it has no row of its own.
// clang-format off
const CodeText IOStatusTexts[] = {
    {0, "Data Uninitialized  "},
    {2, "No Resource "},
    {3, "Tag Doesn't Exist "},
    {4, "Variable Data Type is invalid "},
    {5, "DB Changed "},
    {6, "Transmission Failure "},
    {7, "Resource Allocation Failure "},
    {8, "Module Failed to Respond "},
    {9, "Resource Not Yet Resolved "},
    {10, "Security Violation Detected "},
    {11, "DataType Mismatch "},
    {ANY_OTHER, "Unknown IO Status Code "},
};
// clang-format on

// Equality on all 32 bits is the same whether the key is read signed or
// unsigned: a sign-extended -3 is 0xFFFFFFFD and never meets the row 253.
// The default row is never compared, so no code can match ANY_OTHER.
template <size_t N>
const char* LookUpText(const CodeText (&table)[N], int32_t code)
{
    const uint32_t key = static_cast<uint32_t>(code);
    for (size_t i = 0; i + 1 < N; ++i) {
        if (table[i].code == key) return table[i].text;
    }
    return table[N - 1].text;
}

}  // namespace

const char* VendorStatusText(int32_t status) { return LookUpText(VendorStatusTexts, status); }
const char* DataQualityText(int32_t quality) { return LookUpText(DataQualityTexts, quality); }
const char* IOStatusText(int32_t io_status) { return LookUpText(IOStatusTexts, io_status); }
