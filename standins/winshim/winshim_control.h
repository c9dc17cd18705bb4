// What a host can ask of libwinshim.so besides the two calls the driver
// makes. The test double (same soname) takes the same call.
#pragma once

#include <cstdint>

// 1: every Sleep returns at once (dcshost --no-settle-wait), also one in
// progress when a signal wakes it; 0: real sleeps. Async-signal-safe.
extern "C" __attribute__((visibility("default"))) void WinShimSkipSleeps(int32_t on);

// Called with `user` at the start of every Sleep, skipped or not, on the
// caller's thread (dcshost shows the settle's seconds of a live run by it);
// null: none.
extern "C" __attribute__((visibility("default"))) void WinShimWatchSleeps(void (*watch)(void*),
                                                                          void* user);
