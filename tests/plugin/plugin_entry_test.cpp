// The effect as a host meets it: the exports, the record, the identity
// answers, the parameter texts and the programs, all through the record.
#include "plugin_fixture.h"

#include <cstring>
#include <limits>
#include <string>

namespace sorrel::test {
namespace {

using EntryTest = PluginTest;
using IdentityTest = PluginTest;
using ParameterTextTest = PluginTest;
using ProgramTest = PluginTest;

TEST_F(EntryTest, ExportsTheThreeEntryNames) {
    for (const char *name : {"VSTPluginMain", "main", "MAIN"})
        EXPECT_NE(library->entry(name), nullptr) << name;
}

TEST_F(EntryTest, AsksForTheHostVersionFirst) {
    auto effect = create();
    ASSERT_TRUE(*effect);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.front().opcode, audioMasterVersion);
    EXPECT_EQ(host.calls.front().effect, nullptr);
}

TEST_F(EntryTest, HostWithoutVersionGetsNoEffect) {
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(entry()(host.callback()), nullptr);
    EXPECT_EQ(entry()(nullptr), nullptr);
}

TEST_F(EntryTest, RecordDescribesTheEffect) {
    auto effect = create();
    ASSERT_TRUE(*effect);
    const AEffect *record = effect->record();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 10);
    EXPECT_EQ(record->numParams, 37);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags & ~effFlagsHasEditor, effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks);
    // An editor where the build has windows (not the 32-bit Linux one); the
    // flag and the editor's rectangle agree.
    ERect *rect = nullptr;
    EXPECT_EQ((record->flags & effFlagsHasEditor) != 0, effect->dispatch(effEditGetRect, 0, 0, &rect) == 1);
    EXPECT_EQ(record->uniqueID, ('S' << 24) | ('o' << 16) | ('r' << 8) | 'l');
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_NE(record->object, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_EQ(effect->close(), 1);
}

TEST_F(IdentityTest, DispatcherAnswers) {
    struct Case {
        const char *what;
        VstInt32 opcode;
        VstIntPtr expected;
    };
    const Case cases[] = {
        {"vendor version", effGetVendorVersion, 1100},
        {"plug category", effGetPlugCategory, 1},
        {"interface version", effGetVstVersion, 2400},
        {"tail size", effGetTailSize, 0},
        {"identify", effIdentify, 0x4E764566},
        {"current program", effGetProgram, 0},
        {"speaker arrangement", effSetSpeakerArrangement, 1},
    };
    auto effect = create();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases)
        EXPECT_EQ(effect->dispatch(c.opcode), c.expected) << c.what;
}

TEST_F(IdentityTest, NamesAndCapabilities) {
    struct Case {
        VstInt32 opcode;
        const char *expected;
    };
    const Case cases[] = {
        {effGetEffectName, "Sorrel"},
        {effGetVendorString, "Quillmark"},
        {effGetProductString, "Sorrel / Quillmark"},
    };
    auto effect = create();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        char text[256];
        EXPECT_EQ(effect->dispatch(c.opcode, 0, 0, text), 1);
        EXPECT_STREQ(text, c.expected);
        EXPECT_EQ(effect->dispatch(c.opcode, 0, 0, nullptr), 0) << "null text refused";
    }
    for (const char *query : {"receiveVstMidiEvent", "sendVstEvents", "bypass", "plugAsChannelInsert", ""}) {
        char text[64];
        std::strcpy(text, query);
        EXPECT_EQ(effect->dispatch(effCanDo, 0, 0, text), 0) << query;
    }
}

TEST_F(ParameterTextTest, NamesAndLabels) {
    struct Case {
        VstInt32 index;
        const char *name, *label;
    };
    const Case cases[] = {
        {0, "In gain", "dB"},
        {1, "Q", ""},
        {2, "20Hz", "dB"},
        {3, "25Hz", "dB"},
        {10, "85Hz", "dB"},
        {19, "440Hz", "dB"},
        {22, "1kHz", "dB"},
        {23, "1.4kHz", "dB"},
        {31, "14kHz", "dB"},
        {32, "19kHz", "dB"},
        {33, "Out gain", "dB"},
        {34, "<untouched>", "<untouched>"},
        {35, "<untouched>", "<untouched>"},
        {36, "Response", ""},
        {37, "<untouched>", "<untouched>"},
        {-1, "<untouched>", "<untouched>"},
        {1 << 30, "<untouched>", "<untouched>"},
    };
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        EXPECT_EQ(effect->text(effGetParamName, c.index), c.name) << c.index;
        EXPECT_EQ(effect->text(effGetParamLabel, c.index), c.label) << c.index;
    }
    // Names, labels and identity texts end at their terminator: a host's
    // buffer is not padded beyond it.
    for (VstInt32 opcode : {VstInt32{effGetParamName}, VstInt32{effGetParamLabel}, VstInt32{effGetEffectName},
                            VstInt32{effGetProductString}}) {
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        effect->dispatch(opcode, 0, 0, buffer);
        EXPECT_EQ(buffer[std::strlen(buffer) + 1], '#') << opcode;
    }
}

TEST_F(ParameterTextTest, DisplayFollowsTheGainLaw) {
    struct Case {
        VstInt32 index;
        float value;
        const char *display;
    };
    const Case cases[] = {
        {5, 0.5f, "0.000000"},     {5, 0.0f, "-12.0000"},     {5, 1.0f, "12.00000"},
        {5, 0.49f, "-0.23999"},    {2, 0.75f, "6.000000"},    {32, 0.25f, "-6.00000"},
        {1, 0.5f, "0.500000"},     {1, 0.3f, "0.300000"},     {0, 0.0f, "-12.0000"},
        {33, 1.0f, "12.00000"},    {33, 0.5f, "0.000000"},    {34, 0.0f, "<untouched>"},
        {35, 1.0f, "<untouched>"}, {36, 0.0f, "Classic"},     {36, 1.0f, "True"},
        {37, 0.5f, "<untouched>"}, {-7, 0.5f, "<untouched>"},
    };
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        effect->setParameter(c.index, c.value);
        EXPECT_EQ(effect->text(effGetParamDisplay, c.index), c.display) << c.index << " at " << c.value;
    }
}

// A host's typed value reaches the parameter through the shared parser; a
// text that names no value is answered 0 and changes nothing. The display
// text of every value the host shows reads back as that value.
TEST_F(ParameterTextTest, TypedValuesThroughTheDispatcher) {
    struct Case {
        VstInt32 index;
        const char *text;
        VstIntPtr answer;
        float expected;
    };
    const Case cases[] = {
        {19, "-6 dB", 1, 0.25f}, {19, "3,5", 1, 3.5f / 24 + 0.5f}, {19, "loud", 0, 3.5f / 24 + 0.5f},
        {0, "+30", 1, 1.0f},     {1, "Q 0.7", 1, 0.7f},            {1, "", 0, 0.7f},
        {34, "off", 1, 0.0f},    {36, "True", 1, 1.0f},            {36, "classic", 1, 0.0f},
        {37, "0", 0, 0.0f},      {-1, "0", 0, 0.0f},
    };
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        char text[32];
        std::strcpy(text, c.text);
        EXPECT_EQ(effect->dispatch(effString2Parameter, c.index, 0, text), c.answer) << c.index << " " << c.text;
        EXPECT_NEAR(effect->getParameter(c.index), c.expected, 1e-6f) << c.index << " " << c.text;
    }
    EXPECT_EQ(effect->dispatch(effString2Parameter, 19, 0, nullptr), 0);
    for (VstInt32 index = 0; index < 34; ++index)
        for (float value : {0.0f, 0.35f, 0.5f, 0.8125f, 1.0f}) {
            effect->setParameter(index, value);
            std::string shown = effect->text(effGetParamDisplay, index);
            effect->setParameter(index, 0.5f);
            EXPECT_EQ(effect->dispatch(effString2Parameter, index, 0, shown.data()), 1) << shown;
            EXPECT_NEAR(effect->getParameter(index), value, 1e-5f) << index << " " << shown;
        }
}

TEST_F(ParameterTextTest, FreshEffectHoldsTheDefaults) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (VstInt32 program = 0; program < 10; ++program) {
        effect->dispatch(effSetProgram, 0, program);
        for (VstInt32 i = 0; i < 36; ++i)
            EXPECT_EQ(effect->getParameter(i), i >= 34 ? 1.0f : 0.5f) << program << "/" << i;
        EXPECT_EQ(effect->getParameter(36), 0.0f) << "a new instance starts in the classic response";
        EXPECT_EQ(effect->getParameter(37), 0.0f);
        EXPECT_EQ(effect->getParameter(-1), 0.0f);
    }
}

TEST_F(ParameterTextTest, WritesAreMadeSafe) {
    struct Case {
        float written, expected;
    };
    const Case cases[] = {
        {0.25f, 0.25f}, {std::numeric_limits<float>::quiet_NaN(), 0.25f}, {1.5f, 1.0f},
        {-3.0f, 0.0f},  {std::numeric_limits<float>::infinity(), 1.0f},   {0.75f, 0.75f},
    };
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        effect->setParameter(1, c.written);
        EXPECT_EQ(effect->getParameter(1), c.expected) << c.written;
    }
}

TEST_F(ProgramTest, SelectionAndNames) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    EXPECT_EQ(effect->text(effGetProgramName), "-- empty --");

    struct Case {
        VstIntPtr requested;
        VstIntPtr selected;
    };
    const Case cases[] = {{3, 3}, {3, 3}, {10, 3}, {-1, 3}, {9, 9}, {0, 0}, {1 << 20, 0}};
    for (const Case &c : cases) {
        effect->dispatch(effSetProgram, 0, c.requested);
        EXPECT_EQ(effect->dispatch(effGetProgram), c.selected) << c.requested;
    }

    char name[64] = "Bright vocals";
    effect->dispatch(effSetProgram, 0, 4);
    effect->dispatch(effSetProgramName, 0, 0, name);
    std::string forty(40, 'L');
    effect->dispatch(effSetProgram, 0, 5);
    effect->dispatch(effSetProgramName, 0, 0, forty.data());
    EXPECT_EQ(effect->text(effGetProgramName), std::string(30, 'L'));

    struct Indexed {
        VstInt32 index;
        VstIntPtr result;
        std::string text;
    };
    const Indexed indexed[] = {
        {0, 1, "-- empty --"}, {4, 1, "Bright vocals"}, {5, 1, std::string(30, 'L')},
        {9, 1, "-- empty --"}, {10, 0, "<untouched>"},  {-1, 0, "<untouched>"},
    };
    for (const Indexed &c : indexed) {
        char text[256];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(effect->dispatch(effGetProgramNameIndexed, c.index, 7, text), c.result) << c.index;
        const bool untouched = text[0] == '#' && text[1] == '#';
        EXPECT_EQ(untouched ? std::string("<untouched>") : std::string(text), c.text) << c.index;
    }
    EXPECT_EQ(effect->dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
}

TEST_F(ProgramTest, ProgramsKeepTheirOwnValues) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    effect->dispatch(effSetProgram, 0, 2);
    effect->setParameter(7, 0.75f);
    EXPECT_EQ(effect->text(effGetParamDisplay, 7), "6.000000");
    effect->dispatch(effSetProgram, 0, 6);
    EXPECT_EQ(effect->getParameter(7), 0.5f);
    EXPECT_EQ(effect->text(effGetParamDisplay, 7), "0.000000")
        << "selecting a program pushes it to the engines";
    effect->dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(effect->getParameter(7), 0.75f);
    EXPECT_EQ(effect->text(effGetParamDisplay, 7), "6.000000");
}

} // namespace
} // namespace sorrel::test
