// The host's interface library: heap, keyed messages and its string class.
// Imported by name from iface.dll / libiface.so.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#  if defined(IFACE_BUILDING)
#    define IFACE_API __declspec(dllexport)
#    define IFACE_CLASS  // exported under Microsoft's names (win32/iface.def)
#  else
#    define IFACE_API __declspec(dllimport)
#    define IFACE_CLASS __declspec(dllimport)
#  endif
#else
#  define IFACE_API __attribute__((visibility("default")))
#  define IFACE_CLASS IFACE_API
#endif

extern "C" {
IFACE_API void* IFace_malloc(size_t size);
IFACE_API void* IFace_calloc(size_t count, size_t size);
IFACE_API void* IFace_realloc(void* block, size_t size);
IFACE_API char* IFace_strdup(const char* text);
IFACE_API size_t IFace__msize(void* block);
IFACE_API void IFace_free(void* block);
IFACE_API void* IFace_new(size_t size);
IFACE_API void IFace_delete(void* block);
// Texts are passed as const char*, rows as int; the kinds depend on the key.
IFACE_API void ErrorMsg(const char* key, ...);
}

// The host's string. Two 32-bit words: the library's own, then the characters.
// On Windows its members are thiscall (this in ECX, the callee pops), as both
// compilers call members on i686.
class IFACE_CLASS Text {
public:
    Text(const char* text);
    ~Text();
    Text& operator+=(const char* text);
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    const char* Chars() const { return Characters; }

private:
    uint32_t Own;
    char* Characters;
};

static_assert(sizeof(Text) == 8, "Text is two 32-bit words");
