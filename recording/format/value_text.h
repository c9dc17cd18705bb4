// The value texts of a recording (docs/recording.md, "Values"): written by
// Append*, read back field by field by Parse*. Every Parse* takes one whole
// field and refuses anything but the one form its Append* writes, so a value
// read back is the same bits that were written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The longest line a recording holds, with or without its line end; the
// writer stops rather than write one the reader would refuse.
constexpr size_t kMaxLineBytes = 1u << 20;

void AppendInt(std::string& out, int64_t value);
// In double quotes with \" \\ and \xHH; a null pointer as "-".
void AppendText(std::string& out, const char* text);
void AppendText(std::string& out, std::string_view text);
// The shortest decimal that reads back to the same bits; not finite: x and the
// bits as 16 hex digits.
void AppendDouble(std::string& out, double value);
// A client-library value of `conversion`, its 4 bytes as in memory:
// f:FLOAT (9), i:INT (12), x:HEX8 (any other).
void AppendClientValue(std::string& out, int32_t conversion, const void* bytes);
// The values of one SetTagValue or SetArrayElement a recording holds; those
// past them are not written, and a replay compares no more.
constexpr int32_t kMaxClientValues = 256;
// h and the handle's number.
void AppendHandle(std::string& out, uint32_t number);
// HEX of `size` bytes in memory order, lowercase.
void AppendHexBytes(std::string& out, const void* bytes, size_t size);

// Takes the next field of `rest` (up to one blank, or a whole quoted text)
// into `field` and drops it and the blank after it from `rest`. False when
// `rest` is empty or the field is malformed (two blanks, an open quote).
bool NextField(std::string_view& rest, std::string_view& field);

bool ParseInt(std::string_view field, int64_t low, int64_t high, int64_t& value);
// `is_null` for "-". A text may not hold a NUL: it is read as a C string.
bool ParseText(std::string_view field, std::string& text, bool& is_null);
bool ParseDouble(std::string_view field, double& value);
// Fills 4 bytes; `form` is 'f', 'i' or 'x'.
bool ParseClientValue(std::string_view field, unsigned char bytes[4], char& form);
bool ParseHandle(std::string_view field, uint32_t& number);
bool ParseHexBytes(std::string_view hex, unsigned char* bytes, size_t size);
