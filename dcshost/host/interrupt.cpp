#include "dcshost/host/interrupt.h"

#include <csignal>

#include "dcshost/host/settle_wait.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

#if defined(_WIN32)
constexpr int kSignals[] = {SIGINT, SIGTERM};
// Console events that are no signal of the C library.
constexpr int kCtrlBreak = -1;
constexpr int kConsoleClosed = -2;
// Set once the guard is gone: the run has written its files.
HANDLE g_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_pipe_before;
#endif
constexpr int kCount = sizeof kSignals / sizeof kSignals[0];

volatile std::sig_atomic_t g_requested = 0;  // what asked, 0: nothing
volatile std::sig_atomic_t g_installed[kCount] = {};
void (*g_previous[kCount])(int) = {};

// Async-signal-safe: flags, and the settle's wake-up.
void Request(int what)
{
    g_requested = what;
    CutSettleWait();
}

extern "C" void OnSignal(int signal)
{
    Request(signal);
    for (int i = 0; i < kCount; ++i)
        if (g_installed[i]) std::signal(kSignals[i], SIG_DFL);
#if !defined(_WIN32)
    // Ctrl-C also ends a pipe's reader (dcshost run | tee): the summary
    // then goes nowhere, but the files are still written.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

#if defined(_WIN32)
// Ctrl-C comes as SIGINT through the C library's own console handler.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if ((event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) || g_requested) return FALSE;
    Request(event == CTRL_BREAK_EVENT ? kCtrlBreak : kConsoleClosed);
    // The process ends as this returns: the system allows about five seconds
    // for the run to stop and write what it ran.
    if (event == CTRL_CLOSE_EVENT) WaitForSingleObject(g_finished, 4500);
    return TRUE;
}
#endif

}  // namespace

InterruptGuard::InterruptGuard()
{
    g_requested = 0;
    for (int i = 0; i < kCount; ++i) {
        // Asked by setting it ignored: a handler never stands in for SIG_IGN.
        g_previous[i] = std::signal(kSignals[i], SIG_IGN);
        g_installed[i] = g_previous[i] != SIG_IGN;
        if (g_installed[i]) std::signal(kSignals[i], &OnSignal);
    }
#if defined(_WIN32)
    ResetEvent(g_finished);
    SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
#else
    sigaction(SIGPIPE, nullptr, &g_pipe_before);
#endif
}

InterruptGuard::~InterruptGuard()
{
#if defined(_WIN32)
    SetEvent(g_finished);
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
#else
    sigaction(SIGPIPE, &g_pipe_before, nullptr);
#endif
    for (int i = 0; i < kCount; ++i) {
        if (g_installed[i])
            std::signal(kSignals[i], g_previous[i] == SIG_ERR ? SIG_DFL : g_previous[i]);
        g_installed[i] = 0;
    }
    g_requested = 0;
}

bool InterruptRequested() { return g_requested != 0; }

const char* InterruptName()
{
    switch (g_requested) {
    case 0:
        return "";
    case SIGINT:
        return "Ctrl-C";
    case SIGTERM:
        return "SIGTERM";
#if defined(_WIN32)
    case kCtrlBreak:
        return "Ctrl-Break";
    case kConsoleClosed:
        return "console closed";
#else
    case SIGHUP:
        return "SIGHUP";
#endif
    default:
        return "a signal";
    }
}
