// The host's string class. Its characters live on the host heap, so a Text
// that is never destroyed shows up as a live block.
#include <cstring>

#include "dcs/host/iface.h"

namespace {

// Where the characters point when the heap refused a block: an empty text.
char g_empty[1] = "";

}  // namespace

Text::Text(const char* text) : Own(0), Characters(g_empty)
{
    size_t length = text ? std::strlen(text) : 0;
    char* block = static_cast<char*>(IFace_malloc(length + 1));
    if (!block) return;
    if (length) std::memcpy(block, text, length);
    block[length] = '\0';
    Characters = block;
    Own = static_cast<uint32_t>(length);
}

Text::~Text()
{
    if (Characters != g_empty) IFace_free(Characters);
}

// A refused growth leaves the text as it was.
Text& Text::operator+=(const char* text)
{
    if (!text || !*text) return *this;
    size_t length = Own;
    size_t added = std::strlen(text);
    size_t needed = length + added + 1;
    size_t capacity = Characters == g_empty ? 0 : IFace__msize(Characters);
    if (needed > capacity) {
        // The text may be this one's own characters, which the move frees.
        bool own = text >= Characters && text < Characters + length;
        size_t offset = own ? static_cast<size_t>(text - Characters) : 0;
        size_t grown = capacity * 2 > needed ? capacity * 2 : needed;
        char* block = Characters == g_empty ? static_cast<char*>(IFace_malloc(grown))
                                            : static_cast<char*>(IFace_realloc(Characters, grown));
        if (!block) return *this;
        if (Characters == g_empty) block[0] = '\0';
        Characters = block;
        if (own) text = Characters + offset;
    }
    std::memmove(Characters + length, text, added);
    Characters[length + added] = '\0';
    Own = static_cast<uint32_t>(length + added);
    return *this;
}
