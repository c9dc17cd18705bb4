#include "module/seam_match.h"

#include <cstring>

namespace {

bool SameLibrary(const char* wanted, const char* library)
{
    if (!wanted || !library) return !wanted;
    for (; *wanted && *library; ++wanted, ++library) {
        char a = *wanted, b = *library;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return *wanted == *library;
}

}  // namespace

bool SeamMatches::Begin(ImportSeam* seams, int count, std::string& error)
{
    if (count < 0 || (count > 0 && !seams)) {
        error = "no import seams given";
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!seams[i].replacement) {
            const char* name = seams[i].name ? seams[i].name : "an import by ordinal";
            error = std::string("import seam ") + name + " has no replacement";
            return false;
        }
        seams[i].original = nullptr;
    }
    seams_ = seams;
    count_ = count;
    found_.assign(static_cast<size_t>(count), 0);
    return true;
}

ImportSeam* SeamMatches::ByName(const char* library, const char* name) const
{
    for (int i = 0; i < count_; ++i) {
        const ImportSeam& seam = seams_[i];
        if (seam.name && std::strcmp(seam.name, name) == 0 &&
            (!seam.library || !library || SameLibrary(seam.library, library)))
            return &seams_[i];
    }
    return nullptr;
}

ImportSeam* SeamMatches::ByOrdinal(const char* library, int ordinal) const
{
    for (int i = 0; i < count_; ++i) {
        const ImportSeam& seam = seams_[i];
        if (seam.ordinal > 0 && seam.ordinal == ordinal && seam.library &&
            SameLibrary(seam.library, library))
            return &seams_[i];
    }
    return nullptr;
}

void SeamMatches::Found(ImportSeam* seam, void* original)
{
    auto index = static_cast<size_t>(seam - seams_);
    if (found_[index]) return;
    found_[index] = 1;
    seam->original = original;
}

int SeamMatches::FoundCount() const
{
    int n = 0;
    for (char found : found_) n += found;
    return n;
}
