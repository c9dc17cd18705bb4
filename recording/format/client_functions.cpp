#include "recording/format/client_functions.h"

// clang-format off
const char* const ClientFunctionNames[CF_COUNT] = {
    "ApiStartup", "DataServicesStartup", "ServiceEvents", "DataServicesShutdown",
    "ApiShutdown", "ValidateTagName", "OpenTag", "CloseTag", "GetTagStatus",
    "SetTagValue", "SetArrayElement", "SendTag", "CreateTagList", "AddTagToList",
    "RemoveTagFromList", "ListRewind", "ListFirst", "ListNext", "ReadTagList",
    "GetTagValue", "GetTagDataType", "GetIOStatus", "GetDataQuality",
    "GetArrayDims", "GetArrayLowerBound", "GetArrayUpperBound",
};

[[maybe_unused]] static const int kOrdinals[CF_COUNT] = {
    57, 2, 5, 3,
    58, 10, 6, 7, 38,
    37, 120, 40, 13, 15,
    16, 18, 19, 20, 39,
    28, 31, 32, 33,
    106, 108, 109,
};
// clang-format on

ClientFunction FindClientFunction(std::string_view name)
{
    for (int f = 0; f < CF_COUNT; ++f) {
        if (name == ClientFunctionNames[f]) return static_cast<ClientFunction>(f);
    }
    return CF_COUNT;
}

int ClientImportOrdinal([[maybe_unused]] ClientFunction function)
{
#if defined(_WIN32)
    return kOrdinals[function];
#else
    return 0;
#endif
}
