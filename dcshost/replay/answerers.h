// The replay mode of the client library, chosen by dcshost and unknown to the
// driver: the driver module's imports of the 26 client-library functions,
// ErrorMsg, MessageBoxA and Sleep are pointed at answerers that check each
// call against the recording (CallCheck) and answer it as recorded. Messages
// go on to dcshost's own ErrorMsg once checked, so the summary has them;
// sleeps are not slept and message boxes not shown. After a difference every
// call is answered as a failure, so the entry point returns soon.
// Module-level state: one replay per process.
#pragma once

#include <string>

#include "dcshost/replay/call_check.h"

// Points the module's imports at the answerers, which consult `check` from
// now on. False with a reason when the module's imports cannot be changed.
bool StartAnswering(void* module, CallCheck& check, std::string& error);
// The answerers consult nothing more: every call is a failure.
void StopAnswering();

// The message boxes answered so far, "CAPTION: TEXT" each.
const std::vector<std::string>& AnsweredBoxes();
