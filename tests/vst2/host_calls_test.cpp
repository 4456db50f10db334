// Every call the effect makes into its host: the opcode and arguments it
// passes, what it makes of the answer, and what it returns without a host.
#include "support/fake_host.h"
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace sorrel {

namespace {

VstIntPtr asInt(const void *p) {
    return reinterpret_cast<VstIntPtr>(p);
}

struct HostCall {
    const char *name;
    std::function<VstIntPtr(AudioEffectX &)> call;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void *ptr;
    float opt;
    VstIntPtr hostAnswer;
    VstIntPtr expected;    // the result with the fake host answering hostAnswer
    VstIntPtr withoutHost; // the result with a null callback
};

#define CALL(expr) [](AudioEffectX &e) -> VstIntPtr { return static_cast<VstIntPtr>(expr); }
#define PCALL(expr) [](AudioEffectX &e) -> VstIntPtr { return asInt(expr); }
#define VCALL(expr)                                                                                          \
    [](AudioEffectX &e) -> VstIntPtr {                                                                       \
        expr;                                                                                                \
        return 0;                                                                                            \
    }

char *textA() {
    return sentinelA;
}

const HostCall hostCalls[] = {
    {"getMasterVersion", CALL(e.getMasterVersion()), audioMasterVersion, 0, 0, nullptr, 0, 2400, 2400, 1},
    {"getMasterVersion/0", CALL(e.getMasterVersion()), audioMasterVersion, 0, 0, nullptr, 0, 0, 1, 1},
    {"getCurrentUniqueId", CALL(e.getCurrentUniqueId()), audioMasterCurrentId, 0, 0, nullptr, 0, 77, 77, 0},
    {"masterIdle", VCALL(e.masterIdle()), audioMasterIdle, 0, 0, nullptr, 0, 5, 0, 0},
    {"isInputConnected/0", CALL(e.isInputConnected(3)), audioMasterPinConnected, 3, 0, nullptr, 0, 0, 1, 1},
    {"isInputConnected/1", CALL(e.isInputConnected(3)), audioMasterPinConnected, 3, 0, nullptr, 0, 1, 0, 1},
    {"isOutputConnected/0", CALL(e.isOutputConnected(1)), audioMasterPinConnected, 1, 1, nullptr, 0, 0, 1, 1},
    {"isOutputConnected/5", CALL(e.isOutputConnected(1)), audioMasterPinConnected, 1, 1, nullptr, 0, 5, 0, 1},
    {"wantEvents", VCALL(e.wantEvents(4)), audioMasterWantMidi, 0, 4, nullptr, 0, 1, 0, 0},
    {"getTimeInfo", PCALL(e.getTimeInfo(0x0F00)), audioMasterGetTime, 0, 0x0F00, nullptr, 0, asInt(sentinelB),
     asInt(sentinelB), 0},
    {"sendVstEventsToHost/1", CALL(e.sendVstEventsToHost(reinterpret_cast<VstEvents *>(sentinelA))),
     audioMasterProcessEvents, 0, 0, sentinelA, 0, 1, 1, 0},
    {"sendVstEventsToHost/2", CALL(e.sendVstEventsToHost(reinterpret_cast<VstEvents *>(sentinelA))),
     audioMasterProcessEvents, 0, 0, sentinelA, 0, 2, 0, 0},
    {"tempoAt", CALL(e.tempoAt(1000)), audioMasterTempoAt, 0, 1000, nullptr, 0, 1200000, 1200000, 0},
    {"getNumAutomatableParameters", CALL(e.getNumAutomatableParameters()),
     audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0, 12, 12, 0},
    {"getParameterQuantization", CALL(e.getParameterQuantization()), audioMasterGetParameterQuantization, 0,
     0, nullptr, 0, 100, 100, 0},
    {"ioChanged", CALL(e.ioChanged()), audioMasterIOChanged, 0, 0, nullptr, 0, 9, 1, 0},
    {"needIdle", CALL(e.needIdle()), audioMasterNeedIdle, 0, 0, nullptr, 0, 9, 1, 0},
    {"sizeWindow", CALL(e.sizeWindow(710, 167)), audioMasterSizeWindow, 710, 167, nullptr, 0, 3, 1, 0},
    {"getInputLatency", CALL(e.getInputLatency()), audioMasterGetInputLatency, 0, 0, nullptr, 0, 256, 256, 0},
    {"getOutputLatency", CALL(e.getOutputLatency()), audioMasterGetOutputLatency, 0, 0, nullptr, 0, 128, 128,
     0},
    {"getPreviousPlug", PCALL(e.getPreviousPlug(5)), audioMasterGetPreviousPlug, 0, 0, nullptr, 0,
     asInt(sentinelB), asInt(sentinelB), 0},
    {"getNextPlug", PCALL(e.getNextPlug(5)), audioMasterGetNextPlug, 0, 0, nullptr, 0, asInt(sentinelB),
     asInt(sentinelB), 0},
    {"willProcessReplacing", CALL(e.willProcessReplacing()), audioMasterWillReplaceOrAccumulate, 0, 0,
     nullptr, 0, 2, 2, 0},
    {"getCurrentProcessLevel", CALL(e.getCurrentProcessLevel()), audioMasterGetCurrentProcessLevel, 0, 0,
     nullptr, 0, 2, 2, 0},
    {"getAutomationState", CALL(e.getAutomationState()), audioMasterGetAutomationState, 0, 0, nullptr, 0, 3,
     3, 0},
    {"offlineStart", CALL(e.offlineStart(reinterpret_cast<VstAudioFile *>(sentinelA), 4, 2)),
     audioMasterOfflineStart, 2, 4, sentinelA, 0, 1, 1, 0},
    {"offlineRead", CALL(e.offlineRead(reinterpret_cast<VstOfflineTask *>(sentinelA), 6, true)),
     audioMasterOfflineRead, 1, 6, sentinelA, 0, 7, 1, 0},
    {"offlineRead/false", CALL(e.offlineRead(reinterpret_cast<VstOfflineTask *>(sentinelA), 6, false)),
     audioMasterOfflineRead, 0, 6, sentinelA, 0, 0, 0, 0},
    {"offlineWrite", CALL(e.offlineWrite(reinterpret_cast<VstOfflineTask *>(sentinelA), 5)),
     audioMasterOfflineWrite, 0, 5, sentinelA, 0, 2, 1, 0},
    {"offlineGetCurrentPass", CALL(e.offlineGetCurrentPass()), audioMasterOfflineGetCurrentPass, 0, 0,
     nullptr, 0, 4, 1, 0},
    {"offlineGetCurrentMetaPass", CALL(e.offlineGetCurrentMetaPass()), audioMasterOfflineGetCurrentMetaPass,
     0, 0, nullptr, 0, 4, 1, 0},
    {"setOutputSamplerate", VCALL(e.setOutputSamplerate(22050.0f)), audioMasterSetOutputSampleRate, 0, 0,
     nullptr, 22050.0f, 1, 0, 0},
    {"getOutputSpeakerArrangement", PCALL(e.getOutputSpeakerArrangement()),
     audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0, asInt(sentinelB), asInt(sentinelB), 0},
    {"getInputSpeakerArrangement", PCALL(e.getInputSpeakerArrangement()),
     audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0, asInt(sentinelB), asInt(sentinelB), 0},
    {"getHostVendorString", CALL(e.getHostVendorString(textA())), audioMasterGetVendorString, 0, 0, sentinelA,
     0, 1, 1, 0},
    {"getHostProductString", CALL(e.getHostProductString(textA())), audioMasterGetProductString, 0, 0,
     sentinelA, 0, 1, 1, 0},
    {"getHostVendorVersion", CALL(e.getHostVendorVersion()), audioMasterGetVendorVersion, 0, 0, nullptr, 0,
     1100, 1100, 0},
    {"hostVendorSpecific", CALL(e.hostVendorSpecific(11, 22, sentinelA, 0.25f)), audioMasterVendorSpecific,
     11, 22, sentinelA, 0.25f, 33, 33, 0},
    {"canHostDo", CALL(e.canHostDo(textA())), audioMasterCanDo, 0, 0, sentinelA, 0, -1, 1, 0},
    {"getHostLanguage", CALL(e.getHostLanguage()), audioMasterGetLanguage, 0, 0, nullptr, 0, 2, 2, 0},
    {"openWindow", PCALL(e.openWindow(reinterpret_cast<VstWindow *>(sentinelA))), audioMasterOpenWindow, 0, 0,
     sentinelA, 0, asInt(sentinelB), asInt(sentinelB), 0},
    {"closeWindow", CALL(e.closeWindow(reinterpret_cast<VstWindow *>(sentinelA))), audioMasterCloseWindow, 0,
     0, sentinelA, 0, 1, 1, 0},
    {"getDirectory", PCALL(e.getDirectory()), audioMasterGetDirectory, 0, 0, nullptr, 0, asInt(sentinelB),
     asInt(sentinelB), 0},
    {"updateDisplay", CALL(e.updateDisplay()), audioMasterUpdateDisplay, 0, 0, nullptr, 0, 1, 1, 0},
    {"beginEdit", CALL(e.beginEdit(19)), audioMasterBeginEdit, 19, 0, nullptr, 0, 1, 1, 0},
    {"endEdit", CALL(e.endEdit(19)), audioMasterEndEdit, 19, 0, nullptr, 0, 0, 0, 0},
    {"openFileSelector", CALL(e.openFileSelector(reinterpret_cast<VstFileSelect *>(sentinelA))),
     audioMasterOpenFileSelector, 0, 0, sentinelA, 0, 1, 1, 0},
    {"closeFileSelector", CALL(e.closeFileSelector(reinterpret_cast<VstFileSelect *>(sentinelA))),
     audioMasterCloseFileSelector, 0, 0, sentinelA, 0, 1, 1, 0},
    {"getChunkFile", CALL(e.getChunkFile(sentinelA)), audioMasterGetChunkFile, 0, 0, sentinelA, 0, 1, 1, 0},
};

TEST(HostCalls, EachCallPassesItsArgumentsAndReadsTheAnswer) {
    for (const HostCall &h : hostCalls) {
        FakeHost host;
        host.answer(h.opcode, h.hostAnswer);
        BareEffect effect(host.callback());
        EXPECT_EQ(h.call(effect), h.expected) << h.name;
        ASSERT_EQ(host.calls.size(), 1u) << h.name;
        const FakeHost::Call &c = host.calls[0];
        EXPECT_EQ(c.effect, effect.getAeffect()) << h.name;
        EXPECT_EQ(c.opcode, h.opcode) << h.name;
        EXPECT_EQ(c.index, h.index) << h.name;
        EXPECT_EQ(c.value, h.value) << h.name;
        EXPECT_EQ(c.ptr, h.ptr) << h.name;
        EXPECT_EQ(c.opt, h.opt) << h.name;
    }
}

TEST(HostCalls, WithoutAHostEachCallAnswersItsDefault) {
    for (const HostCall &h : hostCalls) {
        BareEffect effect(nullptr);
        EXPECT_EQ(h.call(effect), h.withoutHost) << h.name;
    }
}

TEST(HostCalls, NullRecordsAreNotHandedToTheHost) {
    FakeHost host;
    host.answer(audioMasterOpenFileSelector, 1);
    host.answer(audioMasterCloseFileSelector, 1);
    host.answer(audioMasterGetChunkFile, 1);
    BareEffect effect(host.callback());
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostCalls, AutomationSetsTheParameterThenTellsTheHost) {
    for (bool withHost : {true, false}) {
        FakeHost host;
        TestEffect effect(withHost ? host.callback() : nullptr);
        effect.setParameterAutomated(7, 0.25f);
        EXPECT_EQ(effect.calls, std::vector<std::string>{"setParameter(7,0.2)"});
        ASSERT_EQ(host.calls.size(), withHost ? 1u : 0u);
        if (withHost) {
            EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
            EXPECT_EQ(host.calls[0].index, 7);
            EXPECT_EQ(host.calls[0].opt, 0.25f);
        }
    }
}

TEST(HostCalls, SampleRateAndBlockSizeAreTakenOnlyWhenPositive) {
    struct Row {
        VstIntPtr answer;
        double rate;
        VstInt32 block;
    };
    const Row rows[] = {{48000, 48000.0, 48000}, {0, 44100.0, 1024}, {-5, 44100.0, 1024}, {64, 64.0, 64}};
    for (const Row &row : rows) {
        FakeHost host;
        host.answer(audioMasterGetSampleRate, row.answer);
        host.answer(audioMasterGetBlockSize, row.answer);
        BareEffect effect(host.callback());
        EXPECT_EQ(effect.updateSampleRate(), row.rate) << row.answer;
        EXPECT_EQ(effect.getSampleRate(), static_cast<float>(row.rate));
        EXPECT_EQ(effect.updateBlockSize(), row.block) << row.answer;
        EXPECT_EQ(effect.getBlockSize(), row.block);
    }
    BareEffect alone(nullptr);
    alone.setBlockSizeAndSampleRate(99, 8000.0f);
    EXPECT_EQ(alone.updateSampleRate(), 8000.0);
    EXPECT_EQ(alone.updateBlockSize(), 99);
}

TEST(HostCalls, ResumeAsksForEventsOnlyForSynthsOrEffectsThatReceiveThem) {
    struct Row {
        bool synth;
        VstIntPtr canDoAnswer;
        bool asksCanDo;
        bool wantsEvents;
    };
    const Row rows[] = {{true, 0, false, true},
                        {false, 1, true, true},
                        {false, 0, true, false},
                        {false, 2, true, false},
                        {false, -1, true, false}};
    for (const Row &row : rows) {
        FakeHost host;
        TestEffect effect(host.callback());
        effect.isSynth(row.synth);
        effect.answer = row.canDoAnswer;
        effect.AudioEffectX::resume();
        const std::vector<std::string> asked = {"canDo(receiveVstMidiEvent)"};
        EXPECT_EQ(effect.calls, row.asksCanDo ? asked : std::vector<std::string>{});
        const auto wants = host.callsOf(audioMasterWantMidi);
        ASSERT_EQ(wants.size(), row.wantsEvents ? 1u : 0u);
        if (row.wantsEvents) {
            EXPECT_EQ(wants[0].value, 1);
        }
    }
}

} // namespace

} // namespace sorrel
