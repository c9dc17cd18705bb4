// The driver module's allocation forwarders, each form made inside a module
// linked as the driver is: every block lands in the host heap, in its family,
// with its size, and goes back through the matching release.
#include <gtest/gtest.h>

#include "standins/iface/iface_control.h"

extern "C" void* ProbeAllocate(int form);
extern "C" size_t ProbeSize(void* block);
extern "C" void ProbeRelease(int form, void* block);

TEST(AllocForward, every_form_lands_in_the_host_heap_and_goes_back)
{
    const struct {
        const char* form;
        int32_t family;
    } forms[] = {
        {"malloc / free", IFACE_FAMILY_MALLOC},     {"calloc / free", IFACE_FAMILY_MALLOC},
        {"realloc / free", IFACE_FAMILY_MALLOC},    {"strdup / free", IFACE_FAMILY_MALLOC},
        {"new / delete", IFACE_FAMILY_NEW},         {"new[] / delete[]", IFACE_FAMILY_NEW},
        {"nothrow new / delete", IFACE_FAMILY_NEW}, {"nothrow new[] / delete[]", IFACE_FAMILY_NEW},
        {"new / sized delete", IFACE_FAMILY_NEW},   {"new[] / sized delete[]", IFACE_FAMILY_NEW},
    };
    for (int i = 0; i < static_cast<int>(std::size(forms)); ++i) {
        SCOPED_TRACE(forms[i].form);
        IFaceHeapStats before, after;
        IFaceHeapGetStats(forms[i].family, &before);
        void* block = ProbeAllocate(i);
        int32_t family = -1;
        size_t size = 0;
        ASSERT_EQ(IFaceHeapBlockInfo(block, &family, &size), 1);
        EXPECT_EQ(family, forms[i].family);
        EXPECT_EQ(size, 24u);
        if (family == IFACE_FAMILY_MALLOC) {
            EXPECT_EQ(ProbeSize(block), 24u);
        }
        ProbeRelease(i, block);
        IFaceHeapGetStats(forms[i].family, &after);
        EXPECT_EQ(after.live_blocks, before.live_blocks);
        EXPECT_EQ(after.bad_releases, before.bad_releases);
    }
}
