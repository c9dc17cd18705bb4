// The recorder module's nine entry points. Loading the module loads the
// driver from beside it; a session, from its first call to DCSDestroy, is
// recorded to a new file beside it, and every call passes through the
// recorder to the driver unchanged. Without the driver each entry point
// answers as the driver does when nothing could be done, and one message box
// says why.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "dcs/driver/entry_points.h"
#include "module/driver_loader.h"
#include "module/driver_version.h"
#include "recording/module/beside.h"
#include "recording/module/notice.h"
#include "recording/module/own_imports.h"
#include "recording/recorder/recorder.h"

namespace {

// Without a driver: DCSConfigure's failure, "API Not Initialized" (33) where
// the driver passes on the client library's status, its fixed results else.
const int32_t kWithoutDriver[REC_ENTRY_COUNT] = {0, 0, 33, 33, 33, 1, 0, 33, 0};

std::string g_folder;
// Loaded once and kept to the end of the process, as this module is: its
// imports lead into this module, and unloading it from here would run inside
// the loader.
DriverModule* g_driver = nullptr;
std::string g_load_error;  // why there is no driver, told at the first entry point
bool g_load_told = false;
RecordedEntry g_entries[REC_ENTRY_COUNT];
std::string g_driver_version;
bool g_in_session = false;

bool LoadDriver()
{
    void* self = PinThisModule();
    std::string& error = g_load_error;
    if (!ModuleFolder(g_folder, error)) return false;
    auto* driver = new DriverModule;
    const std::string path = g_folder + kRecordedDriverFile;
    bool opened = driver->Open(path, error);
    // A recorder module there (a copy of this one) loads itself, and would
    // call itself without end.
    if (opened && driver->Handle() == self) {
        opened = false;
        error = path + " is a recorder module, not the driver";
    }
    if (!opened) {
        delete driver;
        return false;
    }
    g_driver = driver;
    for (int id = 0; id < REC_ENTRY_COUNT; ++id)
        g_entries[id] = driver->Entry(static_cast<RecordEntryId>(id));
    g_driver_version = DriverVersionText(path);
    return true;
}

// The driver is loaded with this module, as the host would load it in its
// place: what its own start takes from the host heap is taken then, not
// inside the host's first entry point.
const bool g_driver_loaded = LoadDriver();

// At DCSDestroy, and at the end of the process for a session still open:
// what was recorded is kept.
void CloseRecording()
{
    std::string ignored;  // a failed write was told when it happened
    if (Recording()) StopRecording(ignored);
}

void StartSession()
{
    g_in_session = true;
    std::string path, error;
    if (!ReserveRecordingPath(g_folder, std::time(nullptr), path, error)) {
        TellRecordingOff(error);
        return;
    }
    if (!StartRecording(g_driver->Handle(), path.c_str(), "recorder module",
                        g_driver_version.c_str(), error, &OwnImports())) {
        std::remove(path.c_str());  // the empty file reserved for it
        TellRecordingOff(error);
        return;
    }
    static bool closes_at_exit = false;
    if (!closes_at_exit) closes_at_exit = std::atexit(&CloseRecording) == 0;
}

int32_t Enter(RecordEntryId id, DCSData* data)
{
    if (!g_driver_loaded) {
        if (!g_load_told) TellDriverMissing(g_load_error);
        g_load_told = true;
        return kWithoutDriver[id];
    }
    if (!g_in_session) StartSession();
    int32_t result = RecordEntry(id, g_entries[id], data);
    if (id == REC_DESTROY) {
        g_in_session = false;
        CloseRecording();
    }
    return result;
}

}  // namespace

DCS_EXPORT int32_t DCSLoad(DCSData* data) { return Enter(REC_LOAD, data); }
DCS_EXPORT int32_t DCSConfigure(DCSData* data) { return Enter(REC_CONFIGURE, data); }
DCS_EXPORT int32_t DCSInitialize(DCSData* data) { return Enter(REC_INITIALIZE, data); }
DCS_EXPORT int32_t DCSStart(DCSData* data) { return Enter(REC_START, data); }
DCS_EXPORT int32_t DCSStop(DCSData* data) { return Enter(REC_STOP, data); }
DCS_EXPORT int32_t DCSSimulate(DCSData* data) { return Enter(REC_SIMULATE, data); }
DCS_EXPORT int32_t DCSTimeZero(DCSData* data) { return Enter(REC_TIME_ZERO, data); }
DCS_EXPORT int32_t DCSReset(DCSData* data) { return Enter(REC_RESET, data); }
DCS_EXPORT int32_t DCSDestroy(DCSData* data) { return Enter(REC_DESTROY, data); }
