#include "standins/iface/message_table.h"

#include <string_view>
#include <unordered_map>

namespace {

const HostMessage kMessages[] = {
    {"DCSGeneralVendorMsg1", HOST_ARGS_TEXT, "DCS start-up failed: %1"},
    {"DCSGeneralVendorMsg2", HOST_ARGS_TEXT_TEXT, "DCS error %2: %1"},
    {"DCSGeneralConfigError", HOST_ARGS_TEXT_TEXT, "DCS configuration error %2: %1"},
    {"DCSGenTagVendorMsg", HOST_ARGS_TEXT_INT, "General field %2: no tag handle %1"},
    {"DCSArrayTagError", HOST_ARGS_NONE, "The PV export array tag name is missing"},
    {"DCSCtrlTagFieldError", HOST_ARGS_NONE, "A controller row is missing one of its tag names"},
    {"DCSPVTagFieldError", HOST_ARGS_NONE, "A PV export row is missing its tag name"},
    {"DCSPVImportTagFieldError", HOST_ARGS_NONE, "A PV import row is missing its tag name"},
    {"DCSCtrlVendorMsg", HOST_ARGS_TEXT_INT, "Controller row %2: tag error: %1"},
    {"DCSPVVendorMsg", HOST_ARGS_TEXT_INT, "PV export row %2: tag error: %1"},
    {"DCSPVImportVendorMsg", HOST_ARGS_TEXT_INT, "PV import row %2: tag error: %1"},
    {"DCSCtrlOPVendorMsg", HOST_ARGS_TEXT_INT, "Controller row %2: OP or mode tag error: %1"},
    {"DCSCtrlSPVendorMsg", HOST_ARGS_TEXT_INT, "Controller row %2: SP tag error: %1"},
};

}  // namespace

const HostMessage* FindHostMessage(const char* key)
{
    static const auto by_key = [] {
        std::unordered_map<std::string_view, const HostMessage*> map;
        for (const HostMessage& message : kMessages) map[message.key] = &message;
        return map;
    }();
    if (!key) return nullptr;
    const auto found = by_key.find(key);
    return found == by_key.end() ? nullptr : found->second;
}
