// Faults that fuzzing found, each kept as a case that would have caught it.
#include "vst2/plugin/equalizer_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace sorrel {

namespace {

// Every text answer stays within the bytes the interface has the host provide
// for it (terminator included). The effect name was once written as 64 bytes
// into a buffer sized for 32 characters, and parameter displays as 21 bytes
// into one sized for 8.
TEST(Regression, TextAnswersStayWithinTheirBuffers) {
    struct Case {
        VstInt32 opcode, index;
        size_t capacity;
        const char *expected; // null: the text is not checked
    };
    const Case cases[] = {
        {effGetEffectName, 0, 33, "Sorrel"},
        {effGetVendorString, 0, 65, "Quillmark"},
        {effGetProductString, 0, 65, "Sorrel / Quillmark"},
        {effGetParamName, 33, 9, "Out gain"},
        {effGetParamLabel, 0, 9, "dB"},
        {effGetParamDisplay, 2, 9, "0.000000"},
        {effGetParamDisplay, 0, 9, "0.000000"},
        {effGetParamDisplay, 1, 9, "0.500000"},
        {effGetProgramName, 0, 31, "-- empty --"},
        {effGetProgramNameIndexed, 9, 31, "-- empty --"},
    };
    EqualizerPlugin effect(nullptr);
    effect.setSampleRate(44100.0f);
    for (const Case &c : cases) {
        std::vector<char> buffer(c.capacity + 16, '#');
        effect.dispatcher(c.opcode, c.index, 0, buffer.data(), 0.0f);
        const std::string text(buffer.data());
        if (c.expected != nullptr) {
            EXPECT_EQ(text, c.expected) << c.opcode;
        }
        EXPECT_LT(text.size(), c.capacity) << c.opcode;
        EXPECT_EQ(std::string(buffer.begin() + static_cast<long>(c.capacity), buffer.end()),
                  std::string(16, '#'))
            << "opcode " << c.opcode << " wrote past its " << c.capacity << " bytes";
    }
}

} // namespace

} // namespace sorrel
