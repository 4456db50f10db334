// Ardour's way of driving a plug-in, replayed against Sorrel through its
// record, so that what Ardour does stays covered on machines (and targets)
// without Ardour. The sequences are the ones the spy plug-in recorded from
// Ardour 7.3 (tests/daw/spy): a scanner and a program-list instance that
// never see a sample rate, block-size changes between suspend and resume
// around a bounce, parameters written before the program and the bank chunk
// when a session is restored.
#include "vst2/aeffectx.h"
#include "vst2/audioeffect.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sorrel {

namespace {

constexpr float kRate = 48000.0f;
constexpr int kProgram = 3;
// The settings of the Ardour session test: input gain, Q, three bands,
// output gain and one meter switch.
const std::vector<std::pair<int, float>> kSettings = {{0, 0.4375f},  {1, 0.75f},    {7, 0.125f}, {19, 0.875f},
                                                      {30, 0.6875f}, {33, 0.5625f}, {35, 0.0f}};

using Channels = std::vector<std::vector<float>>;

Channels noise(int frames) {
    Channels c(2, std::vector<float>(frames));
    uint32_t s[2] = {12345u, 67891u};
    for (int ch = 0; ch < 2; ++ch) {
        for (float &x : c[ch]) {
            s[ch] = s[ch] * 1103515245u + 12345u;
            x = (static_cast<float>(s[ch] >> 8) / 16777216.0f - 0.5f) * 0.5f;
        }
    }
    return c;
}

// One instance driven only through its record, as a host does.
class Plugin {
  public:
    explicit Plugin(FakeHost &host) : effect(createEffectInstance(host.callback())->getAeffect()) {}
    ~Plugin() {
        if (effect)
            close();
    }
    Plugin(const Plugin &) = delete;
    Plugin &operator=(const Plugin &) = delete;

    VstIntPtr call(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
    VstIntPtr close() {
        VstIntPtr r = call(effClose);
        effect = nullptr;
        return r;
    }
    void set(int index, float value) { effect->setParameter(effect, index, value); }
    float get(int index) { return effect->getParameter(effect, index); }
    std::string text(VstInt32 op, VstInt32 index = 0) {
        char buffer[256] = {};
        call(op, index, 0, buffer);
        return buffer;
    }
    std::vector<unsigned char> bank() {
        void *data = nullptr;
        VstIntPtr size = call(effGetChunk, 0, 0, &data);
        if (!data || size <= 0)
            return {};
        auto *bytes = static_cast<unsigned char *>(data);
        return {bytes, bytes + size};
    }

    // Ardour's start: open, version, rate, block size; then it reads every
    // parameter's properties and name and asks about bypass.
    void start(int block) {
        call(effOpen);
        call(effGetVstVersion);
        call(effSetSampleRate, 0, 0, nullptr, kRate);
        call(effSetBlockSize, 0, block);
        for (int i = 0; i < 36; ++i)
            call(effCanBeAutomated, i);
        call(effCanDo, 0, 0, const_cast<char *>("bypass"));
    }
    // Ardour changes the block size only between suspend and resume.
    void reblock(int block) {
        call(effMainsChanged, 0, 0);
        call(effSetBlockSize, 0, block);
        call(effMainsChanged, 0, 1);
    }
    // A bounce: blocks of `block` frames and the remainder, replacing call.
    Channels run(const Channels &in, int block) {
        int frames = static_cast<int>(in[0].size());
        Channels out(2, std::vector<float>(frames, -7.0f));
        for (int at = 0; at < frames; at += block) {
            int n = frames - at < block ? frames - at : block;
            float *inputs[2] = {const_cast<float *>(in[0].data()) + at,
                                const_cast<float *>(in[1].data()) + at};
            float *outputs[2] = {out[0].data() + at, out[1].data() + at};
            effect->processReplacing(effect, inputs, outputs, n);
        }
        return out;
    }

    AEffect *effect;
};

// The two short lives Ardour gives an instance before any session uses it:
// its scanner reads the identity, and listing the programs opens a second
// instance. Neither sets a sample rate or block size.
TEST(ArdourReplay, ScannerAndProgramListInstancesNeverSetUp) {
    FakeHost host;
    struct Life {
        const char *name;
        std::vector<VstInt32> textQueries;
    };
    const Life lives[] = {
        {"scanner", {effGetEffectName, effGetVendorString}},
        {"program list", {effGetProgramNameIndexed}},
    };
    for (const Life &life : lives) {
        SCOPED_TRACE(life.name);
        Plugin p(host);
        ASSERT_NE(p.effect, nullptr);
        p.call(effOpen);
        EXPECT_EQ(p.call(effGetVstVersion), 2400);
        for (VstInt32 op : life.textQueries) {
            for (int i = 0; i < (op == effGetProgramNameIndexed ? 10 : 1); ++i)
                EXPECT_FALSE(p.text(op, i).empty()) << "opcode " << op << " index " << i;
        }
        EXPECT_EQ(p.call(effGetPlugCategory), 1);
        for (const char *what : {"receiveVstEvents", "receiveVstMidiEvent", "sendVstMidiEvent"})
            EXPECT_EQ(p.call(effCanDo, 0, 0, const_cast<char *>(what)), 0) << what;
        p.call(effMainsChanged, 0, 0);
        EXPECT_EQ(p.close(), 1);
    }
}

// Ardour renders a session: program chosen through begin/end set-program,
// parameters written, the block size raised to 8192 for the bounce and set
// back for the realtime cycles. It saves the bank chunk and the current
// program. Restoring in a new process writes the changed parameters first
// (they land in program 0), resumes, then sets the program and the bank
// chunk; realtime cycles of silence run before the next bounce. The restored
// instance must carry the same state and sound the same, and both must sound
// like a plain fixed-block rendering with the same settings.
TEST(ArdourReplay, SessionSaveAndRestoreKeepStateAndSound) {
    FakeHost host;
    const Channels input = noise(3 * 8192 + 5888);

    Plugin plain(host);
    plain.call(effSetSampleRate, 0, 0, nullptr, kRate);
    plain.call(effSetBlockSize, 0, 512);
    plain.call(effMainsChanged, 0, 1);
    plain.call(effSetProgram, 0, kProgram);
    for (auto [index, value] : kSettings)
        plain.set(index, value);
    const Channels expected = plain.run(input, 512);

    Plugin first(host);
    first.start(1024);
    first.call(effMainsChanged, 0, 1);
    first.call(effBeginSetProgram);
    first.call(effSetProgram, 0, kProgram);
    first.call(effEndSetProgram);
    for (auto [index, value] : kSettings)
        first.set(index, value);
    first.reblock(8192);
    const Channels bounced = first.run(input, 8192);
    first.reblock(1024);
    const std::vector<unsigned char> saved = first.bank();
    const VstIntPtr savedProgram = first.call(effGetProgram);
    // The whole bank: every program's 32-byte name and its values.
    ASSERT_EQ(saved.size(), static_cast<size_t>(first.effect->numPrograms * (32 + 4 * first.effect->numParams)));
    EXPECT_EQ(savedProgram, kProgram);
    EXPECT_TRUE(bounced == expected) << "block-size changes around the bounce changed the sound";

    std::vector<unsigned char> chunk = saved; // Ardour hands over its own copy
    Plugin restored(host);
    restored.start(1024);
    for (auto [index, value] : kSettings)
        restored.set(index, value);
    restored.call(effMainsChanged, 0, 1);
    restored.call(effSetProgram, 0, savedProgram);
    EXPECT_EQ(restored.call(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
    restored.call(effMainsChanged, 0, 1);
    restored.run(Channels(2, std::vector<float>(40 * 1024, 0.0f)), 1024);

    EXPECT_EQ(restored.call(effGetProgram), kProgram);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(restored.get(i), first.get(i)) << "parameter " << i;
    EXPECT_TRUE(restored.bank() == saved) << "program 0 kept the values written before the chunk";
    restored.reblock(8192);
    EXPECT_TRUE(restored.run(input, 8192) == bounced) << "the restored instance sounds different";
}

} // namespace

} // namespace sorrel
