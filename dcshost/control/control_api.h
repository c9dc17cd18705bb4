// The client library dcshost talks to itself, taken from the process at run
// time: the one the driver loaded, so dcshost and the driver always see the
// same control system. dcshost links no client library: the one beside the
// driver is the one used. The simulated control system adds its control API
// (tags, faults, time, trace, handle counts); a real client library has none,
// and a run against it is a live run.
#pragma once

#include <string>

#include "dcs/vendor/vnxapi.h"
#include "standins/vnxsim/vnxsim.h"

struct ControlApi {
    // The control API. In a live run each answers 0 and does nothing.
    decltype(&::VnxSimReset) VnxSimReset;
    decltype(&::VnxSimDefineFloat) VnxSimDefineFloat;
    decltype(&::VnxSimDefineInt) VnxSimDefineInt;
    decltype(&::VnxSimDefineArray) VnxSimDefineArray;
    decltype(&::VnxSimDefinePid) VnxSimDefinePid;
    decltype(&::VnxSimSetPidPhase) VnxSimSetPidPhase;
    decltype(&::VnxSimSetFloat) VnxSimSetFloat;
    decltype(&::VnxSimSetInt) VnxSimSetInt;
    decltype(&::VnxSimGetFloat) VnxSimGetFloat;
    decltype(&::VnxSimGetInt) VnxSimGetInt;
    decltype(&::VnxSimSetIOStatus) VnxSimSetIOStatus;
    decltype(&::VnxSimSetQuality) VnxSimSetQuality;
    decltype(&::VnxSimSetTagStatus) VnxSimSetTagStatus;
    decltype(&::VnxSimInject) VnxSimInject;
    decltype(&::VnxSimAnswered) VnxSimAnswered;
    decltype(&::VnxSimRestart) VnxSimRestart;
    decltype(&::VnxSimClearFaults) VnxSimClearFaults;
    decltype(&::VnxSimOpenCount) VnxSimOpenCount;
    decltype(&::VnxSimTraceEnable) VnxSimTraceEnable;
    decltype(&::VnxSimTraceClear) VnxSimTraceClear;
    decltype(&::VnxSimTraceCount) VnxSimTraceCount;
    decltype(&::VnxSimTraceLine) VnxSimTraceLine;
    decltype(&::VnxSimAdvance) VnxSimAdvance;
    decltype(&::VnxSimSetCallHook) VnxSimSetCallHook;
    // Every value a write takes: dcshost's verdict on what the host sent.
    decltype(&::VnxSimSetWriteObserver) VnxSimSetWriteObserver;

    // The client library's operations `check` looks at tags with.
    decltype(&::ApiStartup) ApiStartup;
    decltype(&::DataServicesStartup) DataServicesStartup;
    decltype(&::DataServicesShutdown) DataServicesShutdown;
    decltype(&::ApiShutdown) ApiShutdown;
    decltype(&::ValidateTagName) ValidateTagName;
    decltype(&::OpenTag) OpenTag;
    decltype(&::CloseTag) CloseTag;
    decltype(&::GetTagStatus) GetTagStatus;
    decltype(&::GetTagDataType) GetTagDataType;
    decltype(&::GetArrayDims) GetArrayDims;

    bool live = true;  // the library has no control API
    std::string path;  // the library's file
};

// Takes the table from the client library loaded in this process (after the
// driver is loaded: the one it loaded). False with a reason when none is
// loaded or it lacks one of the client operations above.
bool BindControlApi(std::string& error);

// The bound table. Bound at first use when nothing bound it yet (tests link
// the simulated control system themselves).
const ControlApi& Vnx();
