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
// clang-format on

ClientFunction FindClientFunction(std::string_view name)
{
    for (int f = 0; f < CF_COUNT; ++f) {
        if (name == ClientFunctionNames[f]) return static_cast<ClientFunction>(f);
    }
    return CF_COUNT;
}
