// The exported entry inside the test executable: the version handshake,
// factory failures, and that nothing thrown reaches the host.
#include "gui/platform/headless.h"
#include "support/fake_host.h"
#include "tests/vst2/plugin/test_factory.h"

#include <gtest/gtest.h>

extern "C" AEffect *VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect *VSTCALLBACK MAIN(audioMasterCallback audioMaster);

namespace sorrel {

namespace {

class Entry : public ::testing::Test {
  protected:
    void SetUp() override {
        factoryMode = FactoryMode::Normal;
        factoryCalls = 0;
        lastCreated = nullptr;
    }
    void TearDown() override { factoryMode = FactoryMode::Normal; }
};

TEST_F(Entry, HostWithoutVersionGetsNothingAndNothingIsCreated) {
    for (VSTPluginMainProc entry : {&VSTPluginMain, &MAIN}) {
        FakeHost host;
        host.answer(audioMasterVersion, 0);
        const int live = TestEffect::liveCount;
        EXPECT_EQ(entry(host.callback()), nullptr);
        EXPECT_EQ(factoryCalls, 0);
        EXPECT_EQ(TestEffect::liveCount, live);
        ASSERT_EQ(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].effect, nullptr);
        EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
        EXPECT_EQ(host.calls[0].index, 0);
        EXPECT_EQ(host.calls[0].value, 0);
        EXPECT_EQ(host.calls[0].ptr, nullptr);
        EXPECT_EQ(host.calls[0].opt, 0.0f);
    }
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
}

TEST_F(Entry, AnsweringHostGetsTheEffectsRecord) {
    for (VSTPluginMainProc entry : {&VSTPluginMain, &MAIN}) {
        FakeHost host;
        AEffect *record = entry(host.callback());
        ASSERT_NE(record, nullptr);
        ASSERT_NE(lastCreated, nullptr);
        EXPECT_EQ(record, lastCreated->getAeffect());
        EXPECT_EQ(record->object, static_cast<AudioEffect *>(lastCreated));
        EXPECT_EQ(record->uniqueID, kTestEffectId);
        EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0), 1);
    }
    EXPECT_EQ(factoryCalls, 2);
}

TEST_F(Entry, FactoryFailuresAnswerNull) {
    for (FactoryMode mode : {FactoryMode::ReturnNull, FactoryMode::Throw, FactoryMode::OutOfMemory}) {
        factoryMode = mode;
        FakeHost host;
        AEffect *record = nullptr;
        EXPECT_NO_THROW(record = VSTPluginMain(host.callback()));
        EXPECT_EQ(record, nullptr);
        EXPECT_NO_THROW(record = MAIN(host.callback()));
        EXPECT_EQ(record, nullptr);
    }
}

TEST(PlatformMessage, HeadlessBackendRecordsTheLastMessage) {
    const int before = platform::headless::lastMessage().count;
    platform::showMessageBox("Sorrel", "Incorrect CPU type, must be at least Pentium with FPU");
    platform::showMessageBox(nullptr, nullptr);
    platform::showMessageBox("Caption", "Text");
    const platform::headless::ShownMessage shown = platform::headless::lastMessage();
    EXPECT_EQ(shown.count, before + 3);
    EXPECT_EQ(shown.caption, "Caption");
    EXPECT_EQ(shown.text, "Text");
}

} // namespace

} // namespace sorrel
