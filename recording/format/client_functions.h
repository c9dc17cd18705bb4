// The client library's functions as a recording names them.
#pragma once

#include <string_view>

enum ClientFunction {
    CF_API_STARTUP,
    CF_DATA_SERVICES_STARTUP,
    CF_SERVICE_EVENTS,
    CF_DATA_SERVICES_SHUTDOWN,
    CF_API_SHUTDOWN,
    CF_VALIDATE_TAG_NAME,
    CF_OPEN_TAG,
    CF_CLOSE_TAG,
    CF_GET_TAG_STATUS,
    CF_SET_TAG_VALUE,
    CF_SET_ARRAY_ELEMENT,
    CF_SEND_TAG,
    CF_CREATE_TAG_LIST,
    CF_ADD_TAG_TO_LIST,
    CF_REMOVE_TAG_FROM_LIST,
    CF_LIST_REWIND,
    CF_LIST_FIRST,
    CF_LIST_NEXT,
    CF_READ_TAG_LIST,
    CF_GET_TAG_VALUE,
    CF_GET_TAG_DATA_TYPE,
    CF_GET_IO_STATUS,
    CF_GET_DATA_QUALITY,
    CF_GET_ARRAY_DIMS,
    CF_GET_ARRAY_LOWER_BOUND,
    CF_GET_ARRAY_UPPER_BOUND,
    CF_COUNT
};
extern const char* const ClientFunctionNames[CF_COUNT];  // "ApiStartup", ...
// The ordinal an import of `function` is matched by: on Windows its ordinal
// in VNXAPIWX.dll, which exports none by name (platform/win32/VNXAPIWX.def);
// 0 elsewhere, where imports are matched by name.
int ClientImportOrdinal(ClientFunction function);

// CF_COUNT when `name` is none of them.
ClientFunction FindClientFunction(std::string_view name);
