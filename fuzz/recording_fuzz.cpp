// libFuzzer target over the recording reader as a replay reads a recording
// before it runs anything: the input is a recording, gzipped or as text.
// Every line is parsed, every call's answer read, every block line taken
// into a copy of the block; whatever the input, nothing crashes and a
// refusal says where ("line N: ...").
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dcshost/replay/survey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RecordingReader reader;
    Survey survey;
    std::string error;
    if (reader.OpenMemory(data, size, error) && SurveyRecording(reader, survey, error)) return 0;
    if (error.rfind("line ", 0) != 0) {
        std::fprintf(stderr, "refused without its place: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
