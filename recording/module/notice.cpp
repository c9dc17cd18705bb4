#include "recording/module/notice.h"

#include "dcs/host/platform_ui.h"
#include "recording/module/beside.h"

namespace {

const char kCaption[] = "Vornak recorder";

void Show(const std::string& text) { MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK); }

}  // namespace

void TellDriverMissing(const std::string& reason)
{
    Show("The recorder module cannot load the driver, so nothing is coupled: " + reason +
         ". The driver belongs beside the recorder module as " + kRecordedDriverFile + ".");
}

void TellRecordingOff(const std::string& reason)
{
    Show("The coupling goes on, but nothing is recorded: " + reason + ".");
}
