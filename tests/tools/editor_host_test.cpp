// The gui command's host side without a display: what the plug-in's calls
// do and how --trace shows them, and the file names of several windows.
#include "tools/hostlib/editor_host.h"

#include "vst2/aeffectx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using namespace sorrel::tool;

namespace {

std::string readAll(std::FILE *f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    return s;
}

} // namespace

TEST(EditorHost, PluginCallsAreAnsweredAndTracedOneLineEach) {
    LoadResult loaded = Plugin::load(TESTPLUG_PARAMS);
    ASSERT_TRUE(loaded.plugin) << loaded.error;
    Plugin &p = *loaded.plugin;
    AEffect *e = p.effect();
    std::FILE *out = std::tmpfile();
    ASSERT_NE(out, nullptr);

    // Without a listener the host has no window to resize.
    EXPECT_EQ(hostCallback(e, audioMasterSizeWindow, 640, 480, nullptr, 0), 0);

    EditorHost host(out, "[2] ");
    std::vector<std::pair<int, int>> resized;
    host.resize = [&](int w, int h) {
        resized.emplace_back(w, h);
        return true;
    };
    p.listener = &host;
    struct Call {
        VstInt32 opcode, index;
        VstIntPtr value;
        float opt;
        VstIntPtr answer;
    };
    const Call calls[] = {
        {audioMasterBeginEdit, 19, 0, 0, 1},
        {audioMasterAutomate, 19, 0, 0.734f, 0},
        {audioMasterEndEdit, 19, 0, 0, 1},
        {audioMasterUpdateDisplay, 0, 0, 0, 1},
        {audioMasterIdle, 0, 0, 0, 0},
        {audioMasterIdle, 0, 0, 0, 0},
        {audioMasterSizeWindow, 800, 600, 0, 1},
        {audioMasterSizeWindow, 0, 600, 0, 0},
        {audioMasterSizeWindow, 800, 99999, 0, 0},
    };
    for (const Call &c : calls)
        EXPECT_EQ(hostCallback(e, c.opcode, c.index, c.value, nullptr, c.opt), c.answer) << c.opcode;
    EXPECT_EQ(hostCallback(e, audioMasterCanDo, 0, 0, const_cast<char *>("sizeWindow"), 0), 1);

    // From another thread (automation from the audio thread): traced at
    // once; the resize waits for the GUI thread.
    std::thread([&] {
        hostCallback(e, audioMasterAutomate, 3, 0, nullptr, 0.25f);
        EXPECT_EQ(hostCallback(e, audioMasterSizeWindow, 320, 240, nullptr, 0), 1);
    }).join();
    EXPECT_EQ(resized.size(), 1u);
    host.applyPendingSize();
    host.applyPendingSize(); // once only
    host.note("effEditClose");
    p.listener = nullptr;

    EXPECT_EQ(readAll(out), "[2] beginEdit 19\n"
                            "[2] automate 19 0.734000\n"
                            "[2] endEdit 19\n"
                            "[2] updateDisplay\n"
                            "[2] sizeWindow 800 600\n"
                            "[2] sizeWindow 0 600\n"
                            "[2] sizeWindow 800 99999\n"
                            "[2] automate 3 0.250000\n"
                            "[2] sizeWindow 320 240\n"
                            "[2] effEditClose\n");
    EXPECT_EQ(host.idleRequests(), 2);
    EXPECT_EQ(resized, (std::vector<std::pair<int, int>>{{800, 600}, {320, 240}}));
    std::fclose(out);
}

TEST(EditorHost, SeveralWindowsNumberTheirFilesBeforeTheExtension) {
    struct Case {
        const char *path;
        int number, count;
        const char *expected;
    };
    const Case cases[] = {
        {"shot.png", 1, 1, "shot.png"},           {"shot.png", 2, 3, "shot-2.png"},
        {"out/a.b/shot", 1, 2, "out/a.b/shot-1"}, {".hidden", 1, 2, ".hidden-1"},
        {"dir\\x.png", 2, 2, "dir\\x-2.png"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(numberedPath(c.path, c.number, c.count), c.expected) << c.path;
}
