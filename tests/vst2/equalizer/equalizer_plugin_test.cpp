// The equaliser behind the VST 2.4 record: what the wrapper adds to the
// effect (flags, identity, the base's copy of the host's set-up) and the
// factory's processor check.
#include "vst2/plugin/equalizer_plugin.h"
#include "gui/platform/headless.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace sorrel {

namespace {

// The host's set-up reaches both the base, which answers the host's
// questions, and the effect; the effect bounds its work buffers itself.
TEST(EqualizerPlugin, SetUpReachesTheBaseAndTheEffect) {
    auto effect = std::make_unique<EqualizerPlugin>(nullptr);
    for (float rate : {48000.0f, 96000.0f, 22050.0f}) {
        effect->setSampleRate(rate);
        EXPECT_EQ(static_cast<AudioEffect &>(*effect).getSampleRate(), rate);
        EXPECT_EQ(effect->effect().getSampleRate(), rate);
    }
    const struct {
        VstInt32 blockSize, frames;
    } cases[] = {{512, 512}, {-5, 0}, {std::numeric_limits<VstInt32>::max(), EqualizerEffect::kMaxWorkFrames}};
    for (const auto &c : cases) {
        effect->setBlockSize(c.blockSize);
        EXPECT_EQ(effect->getBlockSize(), c.blockSize) << "the base keeps what the host said";
        EXPECT_EQ(effect->effect().workFrames(), c.frames) << c.blockSize;
    }
}

TEST(EqualizerPlugin, FlagsAndIdentity) {
    auto effect = std::make_unique<EqualizerPlugin>(nullptr);
    // The headless window system can show windows, so the editor is there.
    EXPECT_EQ(effect->getAeffect()->flags,
              effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_NE(effect->getEditor(), nullptr);
    EXPECT_EQ(effect->getVstVersion(), 2400);
    EXPECT_EQ(effect->getGetTailSize(), 0);
    EXPECT_FALSE(effect->getEffectName(nullptr));
    EXPECT_FALSE(effect->getVendorString(nullptr));
    EXPECT_FALSE(effect->getProductString(nullptr));
    // Null text buffers from a careless host are ignored, not written.
    effect->getParameterName(0, nullptr);
    effect->getParameterLabel(0, nullptr);
    effect->getParameterDisplay(0, nullptr);
    effect->getProgramName(nullptr);
    effect->setProgramName(nullptr);
}

bool acceptProcessor() {
    return true;
}
bool refuseProcessor() {
    return false;
}

TEST(EqualizerEffectFactory, ProcessorCheckDecides) {
    const int shownBefore = platform::headless::lastMessage().count;
    AudioEffect *refused = sorrel::createEqualizerPlugin(nullptr, &refuseProcessor);
    EXPECT_EQ(refused, nullptr);
    const platform::headless::ShownMessage message = platform::headless::lastMessage();
    EXPECT_EQ(message.count, shownBefore + 1);
    EXPECT_EQ(message.caption, "Sorrel");
    EXPECT_EQ(message.text, "Incorrect CPU type, must be at least Pentium with FPU");

    std::unique_ptr<AudioEffect> accepted(sorrel::createEqualizerPlugin(nullptr, &acceptProcessor));
    ASSERT_NE(accepted, nullptr);
    EXPECT_EQ(accepted->getAeffect()->numParams, kNumParameters);
    EXPECT_EQ(platform::headless::lastMessage().count, shownBefore + 1) << "no message when accepted";
}

} // namespace

} // namespace sorrel
