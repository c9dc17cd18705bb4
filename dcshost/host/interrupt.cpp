#include "dcshost/host/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_requested = 0;

extern "C" void OnInterrupt(int)
{
    g_requested = 1;
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

InterruptGuard::InterruptGuard()
{
    g_requested = 0;
    previous_ = std::signal(SIGINT, &OnInterrupt);
}

InterruptGuard::~InterruptGuard()
{
    std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
    g_requested = 0;
}

bool InterruptRequested() { return g_requested != 0; }
