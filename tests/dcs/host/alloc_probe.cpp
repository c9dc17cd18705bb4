// A module built from the driver's allocation forwarders and nothing else,
// linked as the driver is (everything local but the probe), so that a test
// can make each form of allocation inside the module and see where it lands.
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" size_t _msize(void* block);

namespace {
const size_t kSize = 24;
}

extern "C" __attribute__((visibility("default"))) void* ProbeAllocate(int form)
{
    switch (form) {
    case 0:
        return std::malloc(kSize);
    case 1:
        return std::calloc(3, kSize / 3);
    case 2:
        return std::realloc(std::realloc(nullptr, 8), kSize);
    case 3:
        return strdup("twenty-three characters");
    case 4:
    case 8:
        return ::operator new(kSize);
    case 5:
    case 9:
        return ::operator new[](kSize);
    case 6:
        return ::operator new(kSize, std::nothrow);
    default:
        return ::operator new[](kSize, std::nothrow);
    }
}

extern "C" __attribute__((visibility("default"))) size_t ProbeSize(void* block)
{
    return _msize(block);
}

extern "C" __attribute__((visibility("default"))) void ProbeRelease(int form, void* block)
{
    switch (form) {
    case 0:
    case 1:
    case 2:
    case 3:
        std::free(block);
        break;
    case 4:
    case 6:
        ::operator delete(block);
        break;
    case 5:
    case 7:
        ::operator delete[](block);
        break;
    case 8:
        ::operator delete(block, kSize);
        break;
    default:
        ::operator delete[](block, kSize);
        break;
    }
}
