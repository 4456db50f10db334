// The record as a host reads it: byte offsets, the values a fresh effect
// shows, and the flag bits behind each setter.
#include "support/fake_host.h"
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>

namespace sorrel {

namespace {

struct Field {
    const char *name;
    size_t offset;
    size_t offset32;
    size_t offset64;
};

#define FIELD(f, o32, o64)                                                                                   \
    { #f, offsetof(AEffect, f), o32, o64 }

TEST(Record, FieldOffsetsAreTheHostLayout) {
    const Field fields[] = {
        FIELD(magic, 0, 0),
        FIELD(dispatcher, 4, 8),
        FIELD(process, 8, 16),
        FIELD(setParameter, 12, 24),
        FIELD(getParameter, 16, 32),
        FIELD(numPrograms, 20, 40),
        FIELD(numParams, 24, 44),
        FIELD(numInputs, 28, 48),
        FIELD(numOutputs, 32, 52),
        FIELD(flags, 36, 56),
        FIELD(resvd1, 40, 64),
        FIELD(resvd2, 44, 72),
        FIELD(initialDelay, 48, 80),
        FIELD(realQualities, 52, 84),
        FIELD(offQualities, 56, 88),
        FIELD(ioRatio, 60, 92),
        FIELD(object, 64, 96),
        FIELD(user, 68, 104),
        FIELD(uniqueID, 72, 112),
        FIELD(version, 76, 116),
        FIELD(processReplacing, 80, 120),
        FIELD(processDoubleReplacing, 84, 128),
        FIELD(future, 88, 136),
    };
    const bool narrow = sizeof(void *) == 4;
    for (const Field &f : fields)
        EXPECT_EQ(f.offset, narrow ? f.offset32 : f.offset64) << f.name;
    EXPECT_EQ(sizeof(AEffect), narrow ? 144u : 192u);
    EXPECT_EQ(sizeof(VstSpeakerProperties), 112u);
    EXPECT_EQ(offsetof(VstKeyCode, virt), 4u);
    EXPECT_EQ(offsetof(VstKeyCode, modifier), 5u);
}

TEST(Record, FreshEffectFillsTheRecordAndClearsEverythingElse) {
    FakeHost host;
    BareEffect effect(host.callback(), 7, 12);
    AEffect &r = effect.record();
    EXPECT_EQ(effect.getAeffect(), &r);

    EXPECT_EQ(r.magic, 0x56737450); // kEffectMagic, 'VstP' packed big-endian
    EXPECT_EQ(r.dispatcher, &AudioEffect::dispatchEffectClass);
    EXPECT_EQ(r.process, &AudioEffect::processClass);
    EXPECT_EQ(r.setParameter, &AudioEffect::setParameterClass);
    EXPECT_EQ(r.getParameter, &AudioEffect::getParameterClass);
    EXPECT_EQ(r.processReplacing, &AudioEffect::processClassReplacing);
    EXPECT_EQ(r.processDoubleReplacing, &AudioEffect::processClassDoubleReplacing);
    EXPECT_EQ(r.numPrograms, 7);
    EXPECT_EQ(r.numParams, 12);
    EXPECT_EQ(r.numInputs, 1);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, effFlagsCanReplacing);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.object, static_cast<AudioEffect *>(&effect));
    EXPECT_EQ(r.uniqueID, 0x4E6F4566);
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.resvd1, 0);
    EXPECT_EQ(r.resvd2, 0);
    EXPECT_EQ(r.initialDelay, 0);
    EXPECT_EQ(r.realQualities, 0);
    EXPECT_EQ(r.offQualities, 0);
    EXPECT_EQ(r.user, nullptr);
    const char zeros[sizeof(r.future)] = {};
    EXPECT_EQ(std::memcmp(r.future, zeros, sizeof(zeros)), 0);

    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

TEST(Record, FlagSettersTouchOnlyTheirBit) {
    using Setter = std::function<void(AudioEffectX &, bool)>;
    struct Row {
        const char *name;
        VstInt32 bit;
        Setter set;
    };
    const Row rows[] = {
        {"hasClip", effFlagsHasClip, [](AudioEffectX &e, bool s) { e.hasClip(s); }},
        {"hasVu", effFlagsHasVu, [](AudioEffectX &e, bool s) { e.hasVu(s); }},
        {"canMono", effFlagsCanMono, [](AudioEffectX &e, bool s) { e.canMono(s); }},
        {"canProcessReplacing", effFlagsCanReplacing,
         [](AudioEffectX &e, bool s) { e.canProcessReplacing(s); }},
        {"programsAreChunks", effFlagsProgramChunks, [](AudioEffectX &e, bool s) { e.programsAreChunks(s); }},
        {"isSynth", effFlagsIsSynth, [](AudioEffectX &e, bool s) { e.isSynth(s); }},
        {"noTail", effFlagsNoSoundInStop, [](AudioEffectX &e, bool s) { e.noTail(s); }},
        {"wantAsyncOperation", effFlagsExtIsAsync, [](AudioEffectX &e, bool s) { e.wantAsyncOperation(s); }},
        {"hasExternalBuffer", effFlagsExtHasBuffer, [](AudioEffectX &e, bool s) { e.hasExternalBuffer(s); }},
        {"canDoubleReplacing", effFlagsCanDoubleReplacing,
         [](AudioEffectX &e, bool s) { e.canDoubleReplacing(s); }},
        {"setEditor", effFlagsHasEditor,
         [](AudioEffectX &e, bool s) { e.setEditor(s ? new RecordingEditor(&e) : nullptr); }},
    };
    const VstInt32 expected[] = {2, 4, 8, 16, 32, 256, 512, 1024, 2048, 4096, 1};
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row &row = rows[i];
        EXPECT_EQ(row.bit, expected[i]) << row.name;
        for (VstInt32 others : {0, ~0}) {
            BareEffect effect(nullptr);
            effect.record().flags = others & ~row.bit;
            RecordingEditor *kept = nullptr;
            row.set(effect, true);
            EXPECT_EQ(effect.record().flags, (others & ~row.bit) | row.bit) << row.name;
            kept = static_cast<RecordingEditor *>(effect.getEditor());
            row.set(effect, false);
            EXPECT_EQ(effect.record().flags, others & ~row.bit) << row.name;
            delete kept;
        }
    }
}

TEST(Record, DeletingTheEffectDeletesItsEditor) {
    bool editorGone = false;
    auto *effect = new BareEffect(nullptr);
    auto *editor = new RecordingEditor(effect);
    editor->deleted = &editorGone;
    effect->setEditor(editor);
    EXPECT_EQ(effect->getEditor(), editor);
    delete effect;
    EXPECT_TRUE(editorGone);
}

} // namespace

} // namespace sorrel
