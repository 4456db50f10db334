// Loads a plug-in library built from the real exported entry and a test
// effect, the way a host does, and drives it through each export name.
#include "support/fake_host.h"
#include "tests/host/plugin/test_factory.h"

#include <gtest/gtest.h>

#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

class Library {
  public:
    Library() {
#if defined(_WIN32)
        handle = LoadLibraryA(TEST_PLUGIN_FILE);
#else
        handle = dlopen(TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~Library() {
#if defined(_WIN32)
        if (handle)
            FreeLibrary(handle);
#else
        if (handle)
            dlclose(handle);
#endif
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    bool loaded() const {
        return handle != nullptr;
    }
    VSTPluginMainProc entry(const char *name) const {
#if defined(_WIN32)
        return reinterpret_cast<VSTPluginMainProc>(reinterpret_cast<void *>(GetProcAddress(handle, name)));
#else
        return reinterpret_cast<VSTPluginMainProc>(dlsym(handle, name));
#endif
    }

  private:
#if defined(_WIN32)
    HMODULE handle;
#else
    void *handle;
#endif
};

class ExportedEntry : public ::testing::TestWithParam<const char *> {};

TEST_P(ExportedEntry, CreatesAnEffectOnlyForAHostThatAnswersTheVersionQuery) {
    Library library;
    ASSERT_TRUE(library.loaded());
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
    Library library;
    ASSERT_TRUE(library.loaded());
    EXPECT_EQ(library.entry("VSTPluginMain")(nullptr), nullptr);
}

} // namespace
