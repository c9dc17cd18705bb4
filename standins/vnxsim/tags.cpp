// The tag database: definitions, committed values and per-tag condition.
#include <cstring>
#include <deque>
#include <string>

#include "standins/vnxsim/sim_internal.h"

namespace vnxsim {
namespace {

// A deque keeps references to tags stable while the database grows.
std::deque<Tag> g_tags;

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == ':' || c == '[' || c == ']';
}

int32_t AddTag(const char* name, Tag tag)
{
    if (!IsValidTagName(name)) return VNX_ST_TAG_NAME_INVALID;
    if (FindTag(name) >= 0) return VNX_ST_INVALID_PARAMETER;
    tag.name = name;
    tag.staged.assign(tag.committed.size(), 0.0);
    tag.staged_set.assign(tag.committed.size(), 0);
    g_tags.push_back(std::move(tag));
    IndexName(g_tags.back().name, static_cast<int32_t>(g_tags.size() - 1));
    return VNX_ST_OK;
}

// The tag and element a control call names, or null.
Tag* Element(const char* name, int32_t index)
{
    int32_t t = FindTag(name);
    if (t < 0) return nullptr;
    Tag& tag = g_tags[t];
    if (index < 0 || static_cast<size_t>(index) >= tag.committed.size()) return nullptr;
    return &tag;
}

}  // namespace

bool IsValidTagName(const char* name)
{
    if (!name) return false;
    size_t n = std::strlen(name);
    if (n < 1 || n > 64) return false;
    for (size_t i = 0; i < n; ++i) {
        if (!IsNameChar(name[i])) return false;
    }
    return true;
}

int32_t FindTag(const char* name)
{
    if (!name) return -1;
    return LookUpName(name);
}

Tag& TagAt(int32_t index) { return g_tags[static_cast<size_t>(index)]; }

void ResetTags()
{
    g_tags.clear();
    ResetNameIndex();
}

}  // namespace vnxsim

namespace {

using namespace vnxsim;

// One field of a tag's condition, set by name.
template <typename T>
int32_t SetTagField(const char* name, T Tag::*field, T value)
{
    int32_t t = FindTag(name);
    if (t < 0) return VNX_ST_INVALID_PARAMETER;
    TagAt(t).*field = value;
    return VNX_ST_OK;
}

// One element's committed value, stored in the tag's own type.
template <typename T>
int32_t SetElement(const char* name, int32_t index, T value)
{
    Tag* tag = Element(name, index);
    if (!tag) return VNX_ST_INVALID_PARAMETER;
    tag->committed[static_cast<size_t>(index)] = StoreAs(*tag, value);
    return VNX_ST_OK;
}

// One element's committed value, converted as the client library would.
template <typename T>
int32_t GetElement(const char* name, int32_t index, int32_t conversion, T* value)
{
    Tag* tag = Element(name, index);
    if (!tag || !value) return VNX_ST_INVALID_PARAMETER;
    return EncodeValue(tag->committed[static_cast<size_t>(index)], conversion, value);
}

}  // namespace

using namespace vnxsim;

VNXSIM_API int32_t VnxSimDefineFloat(const char* name, float value)
{
    Tag tag;
    tag.committed.assign(1, value);
    return AddTag(name, std::move(tag));
}

VNXSIM_API int32_t VnxSimDefineInt(const char* name, int32_t value)
{
    Tag tag;
    tag.is_int = true;
    tag.data_type = VNX_TYPE_INT;
    tag.committed.assign(1, value);
    return AddTag(name, std::move(tag));
}

VNXSIM_API int32_t VnxSimDefineArray(const char* name, int16_t lower, int16_t upper, float value)
{
    // upper = lower - 1 makes an array without elements.
    int32_t size = int32_t{upper} - int32_t{lower} + 1;
    if (size < 0) return VNX_ST_INVALID_PARAMETER;
    Tag tag;
    tag.is_array = true;
    tag.lower = lower;
    tag.upper = upper;
    tag.dims = 1;
    tag.committed.assign(static_cast<size_t>(size), value);
    return AddTag(name, std::move(tag));
}

VNXSIM_API int32_t VnxSimSetDataType(const char* name, int32_t data_type)
{
    return SetTagField(name, &Tag::data_type, data_type);
}

VNXSIM_API int32_t VnxSimSetArrayDims(const char* name, int16_t dims)
{
    return SetTagField(name, &Tag::dims, dims);
}

VNXSIM_API int32_t VnxSimSetFloat(const char* name, int32_t index, float value)
{
    return SetElement(name, index, value);
}

VNXSIM_API int32_t VnxSimSetInt(const char* name, int32_t index, int32_t value)
{
    return SetElement(name, index, value);
}

VNXSIM_API int32_t VnxSimGetFloat(const char* name, int32_t index, float* value)
{
    return GetElement(name, index, VNX_CONV_FLOAT, value);
}

VNXSIM_API int32_t VnxSimGetInt(const char* name, int32_t index, int32_t* value)
{
    return GetElement(name, index, VNX_CONV_INT, value);
}

VNXSIM_API int32_t VnxSimSendCount(const char* name)
{
    int32_t t = FindTag(name);
    return t < 0 ? -1 : TagAt(t).sends;
}

VNXSIM_API int32_t VnxSimSetIOStatus(const char* name, int32_t io_status)
{
    return SetTagField(name, &Tag::io_status, io_status);
}

VNXSIM_API int32_t VnxSimSetQuality(const char* name, int32_t quality)
{
    return SetTagField(name, &Tag::quality, quality);
}

VNXSIM_API int32_t VnxSimSetTagStatus(const char* name, int16_t status)
{
    return SetTagField(name, &Tag::tag_status, status);
}
