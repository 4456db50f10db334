// Loads a plug-in library built from the real exported entry and a test
// effect, the way a host does, and drives it through each export name.
#include "support/fake_host.h"
#include "tests/vst2/plugin/test_factory.h"
#include "tools/hostlib/module.h"

#include <gtest/gtest.h>

namespace sorrel {

namespace {

class ExportedEntry : public ::testing::TestWithParam<const char *> {};

TEST_P(ExportedEntry, CreatesAnEffectOnlyForAHostThatAnswersTheVersionQuery) {
    tool::Module library(tool::nativePath(TEST_PLUGIN_PATH));
    ASSERT_TRUE(library.loaded()) << library.error();
    VSTPluginMainProc entry = library.entry(GetParam());
    ASSERT_NE(entry, nullptr);

    {
        FakeHost silent;
        silent.answer(audioMasterVersion, 0);
        EXPECT_EQ(entry(silent.callback()), nullptr);
        ASSERT_EQ(silent.calls.size(), 1u);
        EXPECT_EQ(silent.calls[0].opcode, audioMasterVersion);
        EXPECT_EQ(silent.calls[0].effect, nullptr);
    }

    FakeHost host;
    AEffect *effect = entry(host.callback());
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, kTestEffectId);
    EXPECT_EQ(effect->dispatcher(effect, effIdentify, 0, 0, nullptr, 0.0f), fourCharCode('N', 'v', 'E', 'f'));
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, ExportedEntry, ::testing::Values("VSTPluginMain", "main", "MAIN"));

TEST(ExportedEntry, NullCallbackGetsNoEffect) {
    tool::Module library(tool::nativePath(TEST_PLUGIN_PATH));
    ASSERT_TRUE(library.loaded()) << library.error();
    EXPECT_EQ(library.entry("VSTPluginMain")(nullptr), nullptr);
}

} // namespace

} // namespace sorrel
