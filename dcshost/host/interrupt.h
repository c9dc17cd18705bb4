// Ctrl-C during a run. The first one asks the run to stop cleanly after the
// step in progress: DCSStop, DCSReset, DCSDestroy, FreeDCSData, the summary
// and the trends of what ran, exit code 6. A second one ends the process at
// once, as Ctrl-C does without dcshost.
#pragma once

// Installs the handler for its lifetime; the request starts cleared.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*previous_)(int);
};

// Whether Ctrl-C was pressed since the guard was installed.
bool InterruptRequested();
