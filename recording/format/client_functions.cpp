#include "recording/format/client_functions.h"

#include "recording/format/value_text.h"

ClientFunction FindClientFunction(std::string_view name)
{
    for (int f = 0; f < CF_COUNT; ++f) {
        if (name == kClientFunctions[f].name) return static_cast<ClientFunction>(f);
    }
    return CF_COUNT;
}

int ClientImportOrdinal([[maybe_unused]] ClientFunction function)
{
#if defined(_WIN32)
    return kClientFunctions[function].ordinal;
#else
    return 0;
#endif
}

CallValues ValuesOfCall(ClientFunction function, const CallArg* args, int64_t answer)
{
    const ClientFunctionRow& row = kClientFunctions[function];
    CallValues values;
    for (int i = 0; row.args[i]; ++i) {
        switch (row.args[i]) {
        case 'n':
            values.count = args[i].number;
            break;
        case 'c':
            values.conversion = args[i].number;
            break;
        case 'v':
        case 's':
            values.bytes = args[i].pointer;
            break;
        case 'b':
            if (answer == 0) values.bytes = args[i].pointer;
            break;
        default:
            break;
        }
    }
    if (row.values == ValueShape::Read || row.values == ValueShape::Slot) values.count = 1;
    return values;
}

void AppendCallValues(std::string& out, ClientFunction function, const CallValues& values)
{
    const auto* bytes = static_cast<const unsigned char*>(values.bytes);
    const int32_t cap = kClientFunctions[function].cap;
    for (int32_t i = 0; bytes && i < values.count && i < cap; ++i) {
        if (i) out += ',';
        AppendClientValue(out, values.conversion, bytes + 4 * i);
    }
}
