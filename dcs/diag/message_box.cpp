// The driver's only user interface: a modal box for faults in its own set-up.
#include "dcs/diag/report.h"

#include "dcs/diag/platform_calls.h"
#include "dcs/host/platform_ui.h"

void ShowMessageBox(const char* text, const char* caption)
{
    Platform.MessageBoxA(nullptr, text, caption, MB_OK);
}
