// The recorder module's own memory (private_heap_linux.cpp,
// private_heap_win32.cpp): never the host's heap or the process's allocator.
// A null pointer when there is no room; nothing is thrown.
#pragma once

#include <cstddef>

void* PrivateAllocate(size_t size);
// A null block is nothing to release.
void PrivateRelease(void* block);
