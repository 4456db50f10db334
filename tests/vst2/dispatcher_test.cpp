// Every dispatcher opcode with the operation it reaches, the arguments it
// hands on and the result it returns; the editor opcodes; the close rule;
// and what the static entry functions do when an operation throws.
#include "support/fake_host.h"
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <string>

namespace sorrel {

namespace {

const VstIntPtr A = reinterpret_cast<VstIntPtr>(sentinelA);

struct Route {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void *ptr;
    float opt;
    const char *call;   // what the effect records, "" for nothing
    VstIntPtr answered; // the result when every operation answers 7
};

// Opcodes without an editor attached; the operations answer 7.
const Route routes[] = {
    {effOpen, 0, 0, nullptr, 0, "open()", 0},
    {effClose, 0, 0, nullptr, 0, "close()", 0},
    {effSetProgram, 0, 5, nullptr, 0, "setProgram(5)", 0},
    {effGetProgram, 0, 0, nullptr, 0, "getProgram()", 7},
    {effSetProgramName, 0, 0, sentinelB, 0, "setProgramName(B)", 0},
    {effGetProgramName, 0, 0, sentinelB, 0, "getProgramName(B)", 0},
    {effGetParamLabel, 3, 0, sentinelB, 0, "getParameterLabel(3,B)", 0},
    {effGetParamDisplay, 4, 0, sentinelB, 0, "getParameterDisplay(4,B)", 0},
    {effGetParamName, 5, 0, sentinelB, 0, "getParameterName(5,B)", 0},
    {effGetVu, 0, 0, nullptr, 0, "", 0},
    {effSetSampleRate, 0, 0, nullptr, 48000.0f, "setSampleRate(48000.0)", 0},
    {effSetBlockSize, 0, 512, nullptr, 0, "setBlockSize(512)", 0},
    {effMainsChanged, 0, 0, nullptr, 0, "suspend()", 0},
    {effMainsChanged, 0, 1, nullptr, 0, "resume()", 0},
    {effMainsChanged, 0, -3, nullptr, 0, "resume()", 0},
    {effEditGetRect, 0, 0, sentinelB, 0, "", 0},
    {effEditOpen, 0, 0, sentinelB, 0, "", 0},
    {effEditClose, 0, 0, nullptr, 0, "", 0},
    {effEditDraw, 0, 0, sentinelB, 0, "", 0},
    {effEditMouse, 1, 2, nullptr, 3, "", 0},
    {effEditKey, 1, 2, nullptr, 0, "", 0},
    {effEditIdle, 0, 0, nullptr, 0, "", 0},
    {effEditTop, 0, 0, nullptr, 0, "", 0},
    {effEditSleep, 0, 0, nullptr, 0, "", 0},
    {effIdentify, 0, 0, nullptr, 0, "", 0x4E764566},
    {effGetChunk, 0, 0, sentinelB, 0, "getChunk(B,false)", 7},
    {effGetChunk, 1, 0, sentinelB, 0, "getChunk(B,true)", 7},
    {effSetChunk, 0, 176, sentinelB, 0, "setChunk(B,176,false)", 7},
    {effSetChunk, 2, 1760, sentinelB, 0, "setChunk(B,1760,true)", 7},
    {effProcessEvents, 0, 0, sentinelB, 0, "processEvents(B)", 7},
    {effCanBeAutomated, 6, 0, nullptr, 0, "canParameterBeAutomated(6)", 1},
    {effString2Parameter, 6, 0, sentinelB, 0, "string2parameter(6,B)", 1},
    {effGetNumProgramCategories, 0, 0, nullptr, 0, "", 0},
    {effGetProgramNameIndexed, 2, 1, sentinelB, 0, "getProgramNameIndexed(1,2,B)", 1},
    {effCopyProgram, 1, 0, nullptr, 0, "", 0},
    {effConnectInput, 0, 1, nullptr, 0, "", 0},
    {effConnectOutput, 0, 1, nullptr, 0, "", 0},
    {effGetInputProperties, 1, 0, sentinelB, 0, "getInputProperties(1,B)", 1},
    {effGetOutputProperties, 0, 0, sentinelB, 0, "getOutputProperties(0,B)", 1},
    {effGetPlugCategory, 0, 0, nullptr, 0, "getPlugCategory()", 7},
    {effGetCurrentPosition, 0, 0, nullptr, 0, "", 0},
    {effGetDestinationBuffer, 0, 0, nullptr, 0, "", 0},
    {effOfflineNotify, 1, 3, sentinelB, 0, "offlineNotify(B,3,true)", 1},
    {effOfflineNotify, 0, 3, sentinelB, 0, "offlineNotify(B,3,false)", 1},
    {effOfflinePrepare, 0, 4, sentinelB, 0, "offlinePrepare(B,4)", 1},
    {effOfflineRun, 0, 5, sentinelB, 0, "offlineRun(B,5)", 1},
    {effProcessVarIo, 0, 0, sentinelB, 0, "processVariableIo(B)", 1},
    {effSetSpeakerArrangement, 0, A, sentinelB, 0, "setSpeakerArrangement(A,B)", 1},
    {effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f, "", 0},
    {effSetBypass, 0, 1, nullptr, 0, "setBypass(true)", 1},
    {effSetBypass, 0, 0, nullptr, 0, "setBypass(false)", 1},
    {effGetEffectName, 0, 0, sentinelB, 0, "getEffectName(B)", 1},
    {effGetErrorText, 0, 0, sentinelB, 0, "", 0},
    {effGetVendorString, 0, 0, sentinelB, 0, "getVendorString(B)", 1},
    {effGetProductString, 0, 0, sentinelB, 0, "getProductString(B)", 1},
    {effGetVendorVersion, 0, 0, nullptr, 0, "getVendorVersion()", 7},
    {effVendorSpecific, 8, 9, sentinelB, 1.5f, "vendorSpecific(8,9,B,1.5)", 7},
    {effCanDo, 0, 0, sentinelB, 0, "canDo(bypass)", 7},
    {effGetTailSize, 0, 0, nullptr, 0, "getGetTailSize()", 7},
    {effIdle, 0, 0, nullptr, 0, "", 0},
    {effGetIcon, 0, 0, nullptr, 0, "", 0},
    {effSetViewPosition, 1, 2, nullptr, 0, "", 0},
    {effGetParameterProperties, 9, 0, sentinelB, 0, "getParameterProperties(9,B)", 1},
    {effKeysRequired, 0, 0, nullptr, 0, "", 0},
    {effGetVstVersion, 0, 0, nullptr, 0, "getVstVersion()", 7},
    {effEditKeyDown, 65, 0x10D, nullptr, 2.9f, "", 0},
    {effEditKeyUp, 65, 0x10D, nullptr, 2.9f, "", 0},
    {effSetEditKnobMode, 0, 2, nullptr, 0, "", 0},
    {effGetMidiProgramName, 3, 0, sentinelB, 0, "getMidiProgramName(3,B)", 7},
    {effGetCurrentMidiProgram, 3, 0, sentinelB, 0, "getCurrentMidiProgram(3,B)", 7},
    {effGetMidiProgramCategory, 3, 0, sentinelB, 0, "getMidiProgramCategory(3,B)", 7},
    {effHasMidiProgramsChanged, 3, 0, nullptr, 0, "hasMidiProgramsChanged(3)", 1},
    {effGetMidiKeyName, 3, 0, sentinelB, 0, "getMidiKeyName(3,B)", 1},
    {effBeginSetProgram, 0, 0, nullptr, 0, "beginSetProgram()", 1},
    {effEndSetProgram, 0, 0, nullptr, 0, "endSetProgram()", 1},
    {effGetSpeakerArrangement, 0, A, sentinelB, 0, "getSpeakerArrangement(A,B)", 1},
    {effShellGetNextPlugin, 0, 0, sentinelB, 0, "getNextShellPlugin(B)", 7},
    {effStartProcess, 0, 0, nullptr, 0, "startProcess()", 7},
    {effStopProcess, 0, 0, nullptr, 0, "stopProcess()", 7},
    {effSetTotalSampleToProcess, 0, 4096, nullptr, 0, "setTotalSampleToProcess(4096)", 7},
    {effSetPanLaw, 0, 1, nullptr, 0.5f, "setPanLaw(1,0.5)", 1},
    {effBeginLoadBank, 0, 0, sentinelB, 0, "beginLoadBank(B)", 7},
    {effBeginLoadProgram, 0, 0, sentinelB, 0, "beginLoadProgram(B)", 7},
    {effSetProcessPrecision, 0, 1, nullptr, 0, "setProcessPrecision(1)", 1},
    {effGetNumMidiInputChannels, 0, 0, nullptr, 0, "getNumMidiInputChannels()", 7},
    {effGetNumMidiOutputChannels, 0, 0, nullptr, 0, "getNumMidiOutputChannels()", 7},
    {kNumEffectOpcodes, 1, 2, sentinelB, 3, "", 0},
};

std::string describe(const Route &r) {
    return "opcode " + std::to_string(r.opcode) + " value " + std::to_string(static_cast<long long>(r.value));
}

TEST(Dispatcher, EveryOpcodeReachesItsOperationWithItsArguments) {
    std::set<VstInt32> covered;
    std::strcpy(sentinelB, "bypass");
    for (const Route &r : routes) {
        covered.insert(r.opcode);
        for (VstIntPtr answer : {VstIntPtr(7), VstIntPtr(0)}) {
            TestEffect effect(nullptr);
            effect.answer = answer;
            const VstIntPtr result = effect.dispatcher(r.opcode, r.index, r.value, r.ptr, r.opt);
            EXPECT_EQ(result, answer ? r.answered : (r.opcode == effIdentify ? r.answered : 0))
                << describe(r);
            const std::vector<std::string> expected =
                *r.call ? std::vector<std::string>{r.call} : std::vector<std::string>{};
            EXPECT_EQ(effect.calls, expected) << describe(r);
        }
    }
    for (VstInt32 opcode = 0; opcode <= kNumEffectOpcodes; ++opcode)
        EXPECT_TRUE(covered.count(opcode)) << "opcode " << opcode << " has no row";
}

TEST(Dispatcher, TheBareExtendedEffectAnswersNeutrally) {
    // Everything answers 0 except these.
    struct Special {
        VstInt32 opcode;
        VstIntPtr value;
        VstIntPtr result;
    };
    const Special specials[] = {
        {effIdentify, 0, 0x4E764566},
        {effCanBeAutomated, 0, 1},
        {effGetVstVersion, 0, 2400},
        {effGetCurrentMidiProgram, 0, -1},
        {effSetTotalSampleToProcess, 777, 777},
    };
    char buffer[256];
    for (VstInt32 opcode = 0; opcode <= kNumEffectOpcodes; ++opcode) {
        if (opcode == effClose)
            continue; // only the record's dispatcher deletes; checked below
        VstIntPtr value = 0, expected = 0;
        for (const Special &s : specials)
            if (s.opcode == opcode) {
                value = s.value;
                expected = s.result;
            }
        BareEffect effect(nullptr);
        std::memset(buffer, 'x', sizeof(buffer));
        void *ptr = buffer;
        if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement || opcode == effSetChunk)
            ptr = nullptr;
        if (opcode == effSetProgram)
            value = 3;
        EXPECT_EQ(effect.dispatcher(opcode, 0, value, ptr, 0), expected) << "opcode " << opcode;
    }
}

TEST(Dispatcher, TextQueriesOfTheBaseWriteAnEmptyText) {
    for (VstInt32 opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        BareEffect effect(nullptr);
        char text[8] = "garbage";
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, text, 0), 0);
        EXPECT_STREQ(text, "") << "opcode " << opcode;
    }
}

TEST(Dispatcher, BaseStateFollowsProgramSampleRateAndBlockSize) {
    BareEffect effect(nullptr);
    effect.dispatcher(effSetProgram, 0, 4, nullptr, 0);
    effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    effect.dispatcher(effSetBlockSize, 0, 333, nullptr, 0);
    EXPECT_EQ(effect.dispatcher(effGetProgram, 0, 0, nullptr, 0), 4);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), 333);
    effect.isSynth(true);
    EXPECT_EQ(effect.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0), kPlugCategSynth);
}

TEST(Dispatcher, SetProgramPassesNumbersBelowTheCountOnly) {
    struct Row {
        VstIntPtr value;
        bool passes;
    };
    const Row rows[] = {{0, true},   {9, true},  {10, false},
                        {11, false}, {-1, true}, {static_cast<VstIntPtr>(INT32_MIN), true}};
    for (const Row &row : rows) {
        TestEffect effect(nullptr, 10);
        effect.dispatcher(effSetProgram, 0, row.value, nullptr, 0);
        EXPECT_EQ(effect.calls.size(), row.passes ? 1u : 0u) << row.value;
    }
}

TEST(Dispatcher, NullBuffersNeverReachTheEffect) {
    const VstInt32 opcodes[] = {effSetProgramName,
                                effGetProgramName,
                                effGetParamLabel,
                                effGetParamDisplay,
                                effGetParamName,
                                effGetChunk,
                                effSetChunk,
                                effString2Parameter,
                                effGetProgramNameIndexed,
                                effGetInputProperties,
                                effGetOutputProperties,
                                effGetEffectName,
                                effGetVendorString,
                                effGetProductString,
                                effCanDo,
                                effGetParameterProperties};
    for (VstInt32 opcode : opcodes) {
        TestEffect effect(nullptr);
        effect.answer = 7;
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, nullptr, 0), 0) << "opcode " << opcode;
        EXPECT_TRUE(effect.calls.empty()) << "opcode " << opcode;
    }
    BareEffect bare(nullptr);
    EXPECT_EQ(bare.dispatcher(effGetSpeakerArrangement, 0, 0, nullptr, 0), 0);
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement *out = &dummy;
    EXPECT_EQ(bare.dispatcher(effGetSpeakerArrangement, 0, 0, &out, 0), 0);
    EXPECT_EQ(out, nullptr);
}

// ---- editor opcodes

struct EditorRoute {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void *ptr;
    float opt;
    const char *call;
    bool resultFollowsAnswer;
};

const EditorRoute editorRoutes[] = {
    {effEditGetRect, 0, 0, sentinelA, 0, "getRect(A)", true},
    {effEditOpen, 0, 0, sentinelA, 0, "open(A)", true},
    {effEditClose, 0, 0, nullptr, 0, "close()", false},
    {effEditIdle, 0, 0, nullptr, 0, "idle()", false},
    {effEditKeyDown, 65, 0x10D, nullptr, 2.9f, "onKeyDown(65,13,2)", true},
    {effEditKeyUp, 66, 0x20E, nullptr, 1.0f, "onKeyUp(66,14,1)", true},
    {effSetEditKnobMode, 0, 2, nullptr, 0, "setKnobMode(2)", true},
};

TEST(Dispatcher, EditorOpcodesReachTheAttachedEditor) {
    for (const EditorRoute &r : editorRoutes) {
        for (bool answer : {true, false}) {
            TestEffect effect(nullptr);
            auto *editor = new RecordingEditor(&effect);
            editor->answer = answer;
            effect.setEditor(editor);
            const VstIntPtr result = effect.dispatcher(r.opcode, r.index, r.value, r.ptr, r.opt);
            EXPECT_EQ(result, r.resultFollowsAnswer && answer ? 1 : 0) << "opcode " << r.opcode;
            EXPECT_EQ(editor->calls, std::vector<std::string>{r.call}) << "opcode " << r.opcode;
            EXPECT_TRUE(effect.calls.empty());
        }
    }
}

TEST(Dispatcher, GetRectHandsTheEditorsRectangleToTheHost) {
    BareEffect effect(nullptr);
    auto *editor = new RecordingEditor(&effect);
    editor->answer = true;
    effect.setEditor(editor);
    ERect *rect = nullptr;
    EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, &rect, 0), 1);
    EXPECT_EQ(rect, &editor->rect);
    EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, nullptr, 0), 0);
}

TEST(Dispatcher, KeyCodesTakeTheLowBytesOfValueAndTruncatedOpt) {
    struct Row {
        VstIntPtr value;
        float opt;
        int virt;
        int modifier;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const Row rows[] = {
        {0x10D, 2.9f, 0x0D, 2},   {0, 0.99f, 0, 0},   {-1, -1.5f, 0xFF, 0xFF},  {0x1FF, 300.7f, 0xFF, 44},
        {255, 255.9f, 255, 255},  {0, 1e20f, 0, 0},   {0, inf, 0, 0},           {0, -inf, 0, 0},
        {0, std::nanf(""), 0, 0}, {0, -256.0f, 0, 0}, {0, 2147483648.0f, 0, 0}, {0, 4.0e9f + 1024, 0, 0},
    };
    for (const Row &row : rows) {
        BareEffect effect(nullptr);
        auto *editor = new RecordingEditor(&effect);
        effect.setEditor(editor);
        effect.dispatcher(effEditKeyDown, 'q', row.value, nullptr, row.opt);
        const std::string expected =
            "onKeyDown(113," + std::to_string(row.virt) + "," + std::to_string(row.modifier) + ")";
        EXPECT_EQ(editor->calls, std::vector<std::string>{expected}) << row.opt;
    }
}

TEST(Dispatcher, TheBaseEditorAnswersNotHandled) {
    BareEffect effect(nullptr);
    auto *editor = new AEffEditor(&effect);
    effect.setEditor(editor);
    ERect *rect = reinterpret_cast<ERect *>(sentinelA);
    EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, &rect, 0), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(effect.dispatcher(effEditOpen, 0, 0, sentinelB, 0), 0);
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(editor->getEffect(), &effect);
    EXPECT_EQ(effect.dispatcher(effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_FALSE(editor->isOpen());
    for (VstInt32 opcode : {effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
        EXPECT_EQ(effect.dispatcher(opcode, 1, 1, nullptr, 1), 0);
}

// ---- through the record

TEST(Record, CloseCallsCloseDeletesTheObjectAndAnswersOne) {
    for (VstIntPtr answer : {VstIntPtr(0), VstIntPtr(5)}) {
        bool effectGone = false, editorGone = false;
        auto *effect = new TestEffect(nullptr);
        effect->answer = answer;
        effect->deleted = &effectGone;
        auto *editor = new RecordingEditor(effect);
        editor->deleted = &editorGone;
        effect->setEditor(editor);
        AEffect *record = effect->getAeffect();
        EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0), 1);
        EXPECT_TRUE(effectGone);
        EXPECT_TRUE(editorGone);
    }
}

TEST(Record, StaticEntryFunctionsReachTheObject) {
    TestEffect effect(nullptr);
    effect.answer = 3;
    AEffect *r = effect.getAeffect();
    float **in = reinterpret_cast<float **>(sentinelA);
    float **out = reinterpret_cast<float **>(sentinelB);
    r->process(r, in, out, 64);
    r->processReplacing(r, in, out, 65);
    r->processDoubleReplacing(r, reinterpret_cast<double **>(in), reinterpret_cast<double **>(out), 66);
    r->setParameter(r, 4, 0.5f);
    EXPECT_EQ(r->getParameter(r, 4), 3.0f);
    EXPECT_EQ(r->dispatcher(r, effGetProgram, 0, 0, nullptr, 0), 3);
    const std::vector<std::string> expected = {
        "process(A,B,64)",     "processReplacing(A,B,65)", "processDoubleReplacing(A,B,66)",
        "setParameter(4,0.5)", "getParameter(4)",          "getProgram()"};
    EXPECT_EQ(effect.calls, expected);
}

TEST(Record, StaticEntryFunctionsIgnoreARecordWithoutObject) {
    AEffect empty{};
    EXPECT_EQ(AudioEffect::dispatchEffectClass(&empty, effIdentify, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(AudioEffect::dispatchEffectClass(nullptr, effClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(AudioEffect::getParameterClass(nullptr, 0), 0.0f);
    AudioEffect::processClass(&empty, nullptr, nullptr, 16);
    AudioEffect::processClassReplacing(nullptr, nullptr, nullptr, 16);
    AudioEffect::processClassDoubleReplacing(&empty, nullptr, nullptr, 16);
    AudioEffect::setParameterClass(nullptr, 0, 1.0f);
}

TEST(Record, NoExceptionCrossesTheRecord) {
    struct Row {
        const char *operation;
        std::function<VstIntPtr(AEffect *)> call;
    };
    const Row rows[] = {
        {"open", [](AEffect *r) { return r->dispatcher(r, effOpen, 0, 0, nullptr, 0); }},
        {"getProgram", [](AEffect *r) { return r->dispatcher(r, effGetProgram, 0, 0, nullptr, 0); }},
        {"getChunk", [](AEffect *r) { return r->dispatcher(r, effGetChunk, 0, 0, sentinelA, 0); }},
        {"canDo", [](AEffect *r) { return r->dispatcher(r, effCanDo, 0, 0, sentinelA, 0); }},
        {"getParameter", [](AEffect *r) { return static_cast<VstIntPtr>(r->getParameter(r, 1)); }},
        {"setParameter",
         [](AEffect *r) {
             r->setParameter(r, 1, 0.5f);
             return VstIntPtr(0);
         }},
        {"process",
         [](AEffect *r) {
             r->process(r, nullptr, nullptr, 8);
             return VstIntPtr(0);
         }},
        {"processReplacing",
         [](AEffect *r) {
             r->processReplacing(r, nullptr, nullptr, 8);
             return VstIntPtr(0);
         }},
        {"processDoubleReplacing",
         [](AEffect *r) {
             r->processDoubleReplacing(r, nullptr, nullptr, 8);
             return VstIntPtr(0);
         }},
    };
    for (const Row &row : rows) {
        TestEffect effect(nullptr);
        effect.answer = 9;
        effect.throwOn = row.operation;
        VstIntPtr result = -1;
        EXPECT_NO_THROW(result = row.call(effect.getAeffect())) << row.operation;
        EXPECT_EQ(result, 0) << row.operation;
        EXPECT_EQ(effect.calls.size(), 1u) << row.operation;
    }

    // A close that throws still ends the object's life.
    bool gone = false;
    auto *effect = new TestEffect(nullptr);
    effect->throwOn = "close";
    effect->deleted = &gone;
    AEffect *r = effect->getAeffect();
    EXPECT_EQ(r->dispatcher(r, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_TRUE(gone);
}

} // namespace

} // namespace sorrel
