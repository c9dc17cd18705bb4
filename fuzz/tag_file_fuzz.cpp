// libFuzzer target over the file-backed control system's tag-file reader:
// the input is the text of a tag file. Whatever it holds, nothing crashes; a
// refusal answers a status ApiStartup may answer (5, 253, 254) and says why,
// and where unless the file holds no tag; the same text with a byte order
// mark reads the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "standins/vnxsim/filebacked/tag_text.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

void Fail(const std::string& what, const vnxsim::TagTextError& error)
{
    std::fprintf(stderr, "tag_file_fuzz: %s (line %d, column %d: %s)\n", what.c_str(), error.line,
                 error.column, error.why.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    vnxsim::TagTextError error;
    const int16_t status = vnxsim::DefineTagText(text, error);
    if (status != VNX_ST_OK) {
        if (status != VNX_ST_TAG_NAME_INVALID && status != VNX_ST_INVALID_PARAMETER &&
            status != VNX_ST_FAILURE)
            Fail("answered status " + std::to_string(status), error);
        if (error.why.empty()) Fail("refused without a reason", error);
        if (error.line <= 0 && status != VNX_ST_FAILURE) Fail("refused without its line", error);
    }
    if (text.rfind("\xEF\xBB\xBF", 0) != 0) {  // one mark is skipped, not two
        vnxsim::TagTextError with_mark;
        if (vnxsim::DefineTagText("\xEF\xBB\xBF" + text, with_mark) != status ||
            with_mark.line != error.line || with_mark.column != error.column ||
            with_mark.why != error.why)
            Fail("read otherwise after a byte order mark", with_mark);
    }
    VnxSimReset();
    return 0;
}
