// The editor on the Windows backend, driven through the plug-in's dispatcher
// by a host that does what careless hosts do: parents that are no windows,
// parents destroyed before the close, parents resized under the editor, and
// open and close cycles that must leave no system objects behind.
#include "host/plugin/equalizer_vst_editor.h"
#include "host/plugin/equalizer_plugin.h"
#include "gui/drawcontext.h"
#include "gui/frame.h"
#include "support/fake_host.h"

#include "display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace wine;

constexpr int kEditorWidth = 710, kEditorHeight = 167;

// One effect as the host holds it: the record, and nothing else.
struct Plugin {
    FakeHost host;
    AEffect *record = createEffectInstance(host.callback())->getAeffect();

    ~Plugin() { close(); }
    void close() {
        if (AEffect *r = std::exchange(record, nullptr))
            r->dispatcher(r, effClose, 0, 0, nullptr, 0.f);
    }
    VstIntPtr dispatch(VstInt32 opcode, void *ptr = nullptr) {
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.f);
    }
    VstIntPtr open(HWND parent) { return dispatch(effEditOpen, parent); }
    void idle() { dispatch(effEditIdle); }

    sorrel::EqualizerPlugin *effect() const { return static_cast<sorrel::EqualizerPlugin *>(record->object); }
    sorrel::EqualizerVstEditor *gui() const {
        return static_cast<sorrel::EqualizerVstEditor *>(effect()->getEditor());
    }
    CFrame *frame() const { return gui()->getFrame(); }
    HWND window() const { return frame() ? static_cast<HWND>(frame()->getSystemWindow()) : nullptr; }
    bool metering() const { return effect()->engine(0).isMetering() || effect()->engine(1).isMetering(); }
    const raster::Surface *image() const {
        return frame() && frame()->getWindow() ? platform::windowSurface(frame()->getWindow()) : nullptr;
    }
};

int childCount(HWND parent) {
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

// Runs the host's message loop and idle until the screen shows the editor's
// window image.
bool showsEditor(Plugin &p) {
    return pumpUntil([&] {
        p.idle();
        const raster::Surface *image = p.image();
        raster::Point first;
        return image &&
               countDifferences(readBack(p.window(), kEditorWidth, kEditorHeight), *image, first) == 0;
    });
}

class EditorOnWindows : public ::testing::Test {
  protected:
    void SetUp() override { parent = makeHostWindow(60, 80, kEditorWidth, kEditorHeight, WS_POPUP); }
    void TearDown() override {
        plugin.close();
        if (parent)
            DestroyWindow(parent);
        EXPECT_FALSE(classRegistered(expectedClassName())) << "the window class goes with the last editor";
    }

    Plugin plugin;
    HWND parent = nullptr;
};

TEST_F(EditorOnWindows, AParentThatIsNotAWindowIsRefusedAndARealOneWorksAfterwards) {
    HWND gone = makeHostWindow(0, 0, 50, 50, WS_POPUP);
    DestroyWindow(gone);
    const struct Case {
        const char *name;
        HWND parent;
    } cases[] = {{"a destroyed window", gone},
                 {"a made-up handle", reinterpret_cast<HWND>(0x12345)},
                 {"an aligned made-up handle", reinterpret_cast<HWND>(0x7ffe0000)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plugin.open(c.parent), 0);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        EXPECT_FALSE(classRegistered(expectedClassName()));
        plugin.idle();
    }
    ASSERT_EQ(plugin.open(parent), 1);
    EXPECT_EQ(childCount(parent), 1);
    EXPECT_TRUE(showsEditor(plugin));
}

TEST_F(EditorOnWindows, AParentDestroyedBeforeTheCloseLeavesAnEditorThatClosesQuietly) {
    for (const bool outer : {false, true}) {
        SCOPED_TRACE(outer ? "the host destroys the window around the parent"
                           : "the host destroys the parent");
        HWND top = makeHostWindow(60, 300, kEditorWidth + 20, kEditorHeight + 20, WS_POPUP);
        HWND in =
            outer ? makeHostWindow(10, 10, kEditorWidth, kEditorHeight, WS_CHILD | WS_VISIBLE, top) : top;
        ASSERT_EQ(plugin.open(in), 1);
        ASSERT_TRUE(showsEditor(plugin));
        DestroyWindow(top);
        EXPECT_FALSE(plugin.frame()->isOpen());
        EXPECT_EQ(plugin.window(), nullptr);
        // What a host still sends to an editor whose window is gone.
        plugin.record->setParameter(plugin.record, 19, 0.75f);
        for (int i = 0; i < 5; ++i) {
            plugin.idle();
            pumpFor(5);
        }
        EXPECT_EQ(plugin.record->dispatcher(plugin.record, effEditKeyDown, 0, 0, nullptr, 0.f), 0);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        EXPECT_FALSE(classRegistered(expectedClassName()));

        ASSERT_EQ(plugin.open(parent), 1);
        EXPECT_TRUE(showsEditor(plugin));
        EXPECT_EQ(plugin.gui()->getControl(19)->getValue(), 0.75f);
        plugin.dispatch(effEditClose);
    }
}

TEST_F(EditorOnWindows, TheHostResizingItsWindowLeavesTheEditorAsItIs) {
    ASSERT_EQ(plugin.open(parent), 1);
    ASSERT_TRUE(showsEditor(plugin));
    const struct Step {
        int width, height;
        float value; // written by the host to band 17 meanwhile
    } steps[] = {{900, 300, 0.9f},
                 {400, 100, 0.2f},
                 {kEditorWidth, kEditorHeight, 0.6f},
                 {300, 400, 0.1f},
                 {1000, 500, 0.8f}};
    for (const Step &s : steps) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
        SetWindowPos(parent, nullptr, 0, 0, s.width, s.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        plugin.record->setParameter(plugin.record, 19, s.value);
        pumpUntil([&] {
            plugin.idle();
            return plugin.gui()->getControl(19)->getValue() == s.value;
        });
        EXPECT_EQ(plugin.gui()->getControl(19)->getValue(), s.value);
        RECT own{};
        GetWindowRect(plugin.window(), &own);
        POINT topLeft{own.left, own.top};
        ScreenToClient(parent, &topLeft);
        EXPECT_EQ((std::vector<long>{topLeft.x, topLeft.y, own.right - own.left, own.bottom - own.top}),
                  (std::vector<long>{0, 0, kEditorWidth, kEditorHeight}));
        if (s.width < kEditorWidth || s.height < kEditorHeight)
            continue; // partly hidden: the screen cannot be read back
        // Whatever was hidden and is uncovered now shows the editor again,
        // with the value written meanwhile, as a fresh drawing of it.
        EXPECT_TRUE(showsEditor(plugin));
        raster::Surface fresh(kEditorWidth, kEditorHeight);
        raster::Canvas canvas(&fresh);
        CDrawContext *context = new CDrawContext(plugin.frame(), &canvas, nullptr);
        plugin.frame()->draw(context);
        context->forget();
        raster::Point first;
        EXPECT_EQ(countDifferences(fresh, *plugin.image(), first), 0);
    }
}

TEST_F(EditorOnWindows, ManyOpenAndCloseCyclesLeaveNoSystemObjectsBehind) {
    auto cycle = [&](int i) {
        if (plugin.open(parent) != 1)
            return false;
        if (i % 20 == 0 && !showsEditor(plugin))
            return false;
        plugin.record->setParameter(plugin.record, 2 + i % 31, static_cast<float>(i % 11) / 10.f);
        plugin.idle();
        plugin.dispatch(effEditClose);
        pumpFor(0);
        return childCount(parent) == 0 && !classRegistered(expectedClassName());
    };
    ASSERT_TRUE(cycle(1)); // first-use allocations of the system
    HANDLE process = GetCurrentProcess();
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(cycle(i)) << "cycle " << i;
    if (gdi == 0 && user == 0) {
        std::printf("note: the system reports no object counts (Wine): the window class and the parent's "
                    "children are checked instead\n");
        return;
    }
    EXPECT_EQ(GetGuiResources(process, GR_GDIOBJECTS), gdi);
    EXPECT_EQ(GetGuiResources(process, GR_USEROBJECTS), user);
}

} // namespace
