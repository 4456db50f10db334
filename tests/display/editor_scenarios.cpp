// The editor on a real window system, driven through the plug-in's
// dispatcher by a host that does what careless hosts do: parents that are
// no windows, parents destroyed before the close, opens without a close, a
// close (or the effect's end) from inside the host idle that a drag calls,
// parents resized under the editor, and open and close cycles that must
// leave nothing behind, neither in the window system nor in the process.
#include "vst2/plugin/equalizer_plugin.h"
#include "vst2/plugin/equalizer_vst_editor.h"
#include "gui/drawing/drawcontext.h"
#include "gui/views/frame.h"
#include "support/fake_host.h"
#include "support/image_compare.h"

#include "scenario_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace sorrel::scenario {
namespace {

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
    VstIntPtr open(Handle parent) { return dispatch(effEditOpen, parent); }
    void idle() { dispatch(effEditIdle); }

    sorrel::EqualizerPlugin *effect() const { return static_cast<sorrel::EqualizerPlugin *>(record->object); }
    sorrel::EqualizerVstEditor *gui() const {
        return static_cast<sorrel::EqualizerVstEditor *>(effect()->getEditor());
    }
    CFrame *frame() const { return gui()->getFrame(); }
    Handle window() const { return frame() ? frame()->getSystemWindow() : nullptr; }
    bool metering() const {
        return effect()->effect().engine(0).isMetering() || effect()->effect().engine(1).isMetering();
    }
    const raster::Surface *image() const {
        return frame() && frame()->getWindow() ? platform::windowSurface(frame()->getWindow()) : nullptr;
    }
};

class EditorScenario : public ::testing::Test {
  protected:
    void SetUp() override {
        before = host.holdings();
        parent = host.topLevel(40, 40, kEditorWidth, kEditorHeight);
    }
    void TearDown() override {
        plugin.close();
        EXPECT_EQ(host.complaints(), "");
        host.destroy(parent);
        pumpFor(20);
        EXPECT_EQ(host.holdings(), before) << "what the editor used goes with the last one";
    }

    // Runs the host's idle until the screen shows the editor's window image.
    bool showsEditor(Plugin &p) {
        return pumpUntil([&] {
            p.idle();
            const raster::Surface *image = p.image();
            return image && host.differences(p.window(), *image).empty();
        });
    }
    void idleFor(Plugin &p, int milliseconds) {
        const uint32_t start = platform::tickCount();
        while (static_cast<int>(platform::tickCount() - start) < milliseconds) {
            p.idle();
            pumpFor(5);
        }
    }

    TestHost host;
    Plugin plugin;
    std::string before;
    Handle parent = nullptr;
};

// The end-to-end check of a refused parent (the lowest layer is the window
// scenarios'): no editor, no metering, nothing held, and a real parent
// works afterwards.
TEST_F(EditorScenario, AParentThatIsNotAWindowIsRefusedAndARealOneWorksAfterwards) {
    const auto notWindows = host.notWindows();
    for (const auto &[name, handle] : notWindows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(plugin.open(handle), 0);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        plugin.idle();
        EXPECT_EQ(host.holdings(), before);
        EXPECT_EQ(host.complaints(), "");
    }
    EXPECT_TRUE(host.children(parent).empty());
    ASSERT_EQ(plugin.open(parent), 1);
    EXPECT_EQ(host.children(parent), std::vector<Handle>{plugin.window()});
    EXPECT_TRUE(showsEditor(plugin));
}

TEST_F(EditorScenario, AParentDestroyedBeforeTheCloseLeavesAnEditorThatClosesQuietly) {
    const struct Case {
        const char *name;
        bool outer;     // the host destroys the window around the parent
        bool idleFirst; // the editor hears of it before the close
    } cases[] = {{"parent, idle first", false, true},
                 {"parent, closed at once", false, false},
                 {"outer window, idle first", true, true},
                 {"outer window, closed at once", true, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Handle outer = host.topLevel(60, 260, kEditorWidth + 20, kEditorHeight + 20);
        const Handle in = c.outer ? host.child(outer, 10, 10, kEditorWidth, kEditorHeight) : outer;
        ASSERT_EQ(plugin.open(in), 1);
        ASSERT_TRUE(showsEditor(plugin));
        host.destroy(outer);
        if (c.idleFirst) {
            EXPECT_TRUE(pumpUntil([&] {
                plugin.idle();
                return !plugin.frame()->isOpen();
            }));
            EXPECT_EQ(plugin.window(), nullptr);
        }
        // What a host still sends to an editor whose window is gone.
        plugin.record->setParameter(plugin.record, 19, 0.75f);
        idleFor(plugin, 30);
        EXPECT_EQ(plugin.record->dispatcher(plugin.record, effEditKeyDown, 0, 0, nullptr, 0.f), 0);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        EXPECT_EQ(host.holdings(), before);

        ASSERT_EQ(plugin.open(parent), 1);
        EXPECT_TRUE(showsEditor(plugin));
        EXPECT_EQ(plugin.gui()->view().getControl(19)->getValue(), 0.75f);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(host.complaints(), "");
    }
}

TEST_F(EditorScenario, ASecondOpenWithoutACloseLeavesOneWindow) {
    const Handle other = host.topLevel(60, 260, kEditorWidth, kEditorHeight);
    for (const Handle second : {parent, other}) {
        SCOPED_TRACE(second == parent ? "same parent" : "another parent");
        ASSERT_EQ(plugin.open(parent), 1);
        ASSERT_TRUE(showsEditor(plugin));
        ASSERT_EQ(plugin.open(second), 1);
        EXPECT_EQ(host.children(second), std::vector<Handle>{plugin.window()});
        if (second != parent) {
            EXPECT_TRUE(host.children(parent).empty());
        }
        EXPECT_TRUE(showsEditor(plugin));
        EXPECT_TRUE(plugin.metering());
        plugin.dispatch(effEditClose);
        EXPECT_TRUE(host.children(second).empty());
    }
    host.destroy(other);
}

// A fader drag calls the host's idle about every 50 ms; a host that closes
// the editor, or the whole effect, from there pulls it out from under the
// drag and from under its own call into the plug-in.
TEST_F(EditorScenario, TheHostClosesFromInsideTheIdleADragCalls) {
    for (const VstInt32 opcode : {effEditClose, effClose}) {
        SCOPED_TRACE(opcode == effClose ? "effClose" : "effEditClose");
        Plugin p;
        ASSERT_EQ(p.open(parent), 1);
        ASSERT_TRUE(showsEditor(p));
        bool closed = false;
        p.host.onCall = [&](AEffect *, VstInt32 call) {
            if (call != audioMasterIdle || closed)
                return;
            closed = true;
            if (opcode == effClose)
                p.close();
            else
                p.dispatch(effEditClose);
        };
        // The fader of band 17 ("440").
        ASSERT_TRUE(host.leftDown(p.window(), {413, 60}));
        pumpUntil([&] {
            if (p.record)
                p.idle();
            return closed;
        });
        host.leftUp();
        ASSERT_TRUE(closed) << "the drag never ran the host's idle";
        EXPECT_TRUE(host.children(parent).empty());
        if (opcode == effEditClose) {
            EXPECT_EQ(p.frame(), nullptr);
            ASSERT_EQ(p.open(parent), 1);
            EXPECT_TRUE(showsEditor(p));
        }
        p.close();
        pumpFor(20);
        EXPECT_EQ(host.holdings(), before);
    }
}

TEST_F(EditorScenario, TheHostResizingItsWindowLeavesTheEditorAsItIs) {
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
        host.resize(parent, s.width, s.height);
        plugin.record->setParameter(plugin.record, 19, s.value);
        pumpUntil([&] {
            plugin.idle();
            return plugin.gui()->view().getControl(19)->getValue() == s.value;
        });
        EXPECT_EQ(plugin.gui()->view().getControl(19)->getValue(), s.value);
        const raster::Rect own = host.geometry(plugin.window());
        EXPECT_EQ((std::vector<int>{own.left, own.top, own.width(), own.height()}),
                  (std::vector<int>{0, 0, kEditorWidth, kEditorHeight}));
        const CRect size = plugin.frame()->getViewSize();
        EXPECT_EQ((std::vector<int>{size.width(), size.height()}), (std::vector<int>{kEditorWidth, kEditorHeight}));
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
        EXPECT_EQ(host.differences(plugin.window(), fresh), "");
    }
}

// The host's content-scale call with a factor between whole scales before
// the editor opens: a window of the factor's size showing the golden
// picture of that factor, and a drag of band 17 at the scaled coordinates
// reaching parameter 19 inside its edit bracket.
TEST_F(EditorScenario, BetweenWholeScalesTheWindowShowsItsGoldenPictureAndTakesDrags) {
    const struct Case {
        float factor;
        int width, height;
        const char *golden;
    } cases[] = {{1.5f, 1065, 251, "editor_fresh_1.5x"}, {1.25f, 888, 209, "editor_fresh_1.25x"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.golden);
        Plugin p;
        ASSERT_EQ(p.record->dispatcher(p.record, effVendorSpecific, sorrel::EqualizerPlugin::kContentScaleIndex,
                                       sorrel::EqualizerPlugin::kContentScaleValue, nullptr, c.factor),
                  1);
        ERect *rect = nullptr;
        ASSERT_EQ(p.dispatch(effEditGetRect, &rect), 1);
        EXPECT_EQ((std::vector<int>{rect->right - rect->left, rect->bottom - rect->top}),
                  (std::vector<int>{c.width, c.height}));
        const Handle large = host.topLevel(40, 260, c.width, c.height);
        ASSERT_EQ(p.open(large), 1);
        const raster::Rect own = host.geometry(p.window());
        EXPECT_EQ((std::vector<int>{own.width(), own.height()}), (std::vector<int>{c.width, c.height}));
        ASSERT_TRUE(showsEditor(p));
        testimg::Image golden;
        ASSERT_TRUE(testimg::readPng(testimg::goldenPath(c.golden), golden));
        raster::Surface expected(golden.width, golden.height);
        for (int32_t y = 0; y < golden.height; ++y)
            for (int32_t x = 0; x < golden.width; ++x)
                expected.set(x, y, golden.at(x, y));
        EXPECT_EQ(host.differences(p.window(), expected), "");

        // Band 17's handle gripped at logical (413, 60) and drawn up to row
        // 30, three quarters, while the drag runs the host's idle.
        auto device = [&](int v) { return static_cast<int>(std::floor(v * c.factor + 0.5)); };
        int idles = 0;
        p.host.onCall = [&](AEffect *, VstInt32 call) {
            if (call != audioMasterIdle)
                return;
            if (++idles == 1)
                host.pointerTo(p.window(), {device(413), device(30)});
            else if (idles == 4)
                host.leftUp();
        };
        ASSERT_TRUE(host.leftDown(p.window(), {device(413), device(60)}));
        EXPECT_TRUE(pumpUntil([&] {
            p.idle();
            return !p.host.callsOf(audioMasterEndEdit).empty();
        }));
        if (idles < 4)
            host.leftUp();
        EXPECT_EQ(p.record->getParameter(p.record, 19), 0.75f);
        const auto begun = p.host.callsOf(audioMasterBeginEdit), ended = p.host.callsOf(audioMasterEndEdit);
        ASSERT_EQ(begun.size(), 1u);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(begun[0].index, 19);
        EXPECT_EQ(ended[0].index, 19);
        p.close();
        host.destroy(large);
        pumpFor(20);
    }
}

// Band 17 dragged up in steps, as a person does, with its readout moving
// beside it; once released and left, the window shows what a fresh drawing
// of the editor shows: nothing of the readout stays behind on the screen.
TEST_F(EditorScenario, AReadoutMovedByADragLeavesNothingOnTheScreenOnceItHides) {
    ASSERT_EQ(plugin.open(parent), 1);
    ASSERT_TRUE(showsEditor(plugin));
    // The drag's loop runs the host's idle: each call moves the pointer on.
    int idles = 0;
    plugin.host.onCall = [&](AEffect *, VstInt32 call) {
        if (call != audioMasterIdle)
            return;
        ++idles;
        if (idles <= 12)
            host.pointerTo(plugin.window(), {413, 60 - 2 * idles});
        else if (idles == 16)
            host.leftUp();
    };
    ASSERT_TRUE(host.leftDown(plugin.window(), {413, 60}));
    EXPECT_TRUE(pumpUntil([&] {
        plugin.idle();
        return !plugin.host.callsOf(audioMasterEndEdit).empty();
    }));
    if (idles < 16)
        host.leftUp();
    host.pointerTo(plugin.window(), {5, 160});
    idleFor(plugin, 300);
    ASSERT_TRUE(showsEditor(plugin));
    sorrel::raster::Surface fresh(kEditorWidth, kEditorHeight);
    sorrel::raster::Canvas canvas(&fresh);
    CDrawContext *context = new CDrawContext(plugin.frame(), &canvas, nullptr);
    plugin.frame()->draw(context);
    context->forget();
    EXPECT_EQ(host.differences(plugin.window(), fresh), "");
}

TEST_F(EditorScenario, TwoHundredOpenAndCloseCyclesLeaveNothingBehind) {
    // A second instance keeps its editor open throughout, so that what the
    // module holds for all its editors (a connection, a class) lives on and
    // the system's count of it is readable.
    Plugin neighbour;
    const Handle neighbourParent = host.topLevel(60, 260, kEditorWidth, kEditorHeight);
    ASSERT_EQ(neighbour.open(neighbourParent), 1);
    ASSERT_TRUE(showsEditor(neighbour));
    const Handle connection = neighbour.window();

    auto cycle = [&](int i) {
        if (plugin.open(parent) != 1)
            return false;
        if (i % 20 == 0 && !showsEditor(plugin))
            return false;
        plugin.record->setParameter(plugin.record, 2 + i % 31, static_cast<float>(i % 11) / 10.f);
        plugin.idle();
        plugin.dispatch(effEditClose);
        platform::pumpEvents();
        return host.children(parent).empty();
    };
    // Warm up first: the shared pictures and the window system's caches
    // are allocated once and may settle over a few cycles.
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(cycle(i)) << "warm-up cycle " << i;
    const std::string held = host.resourcesOf(connection);
    // The heap in use wobbles by a few kilobytes from cycle to cycle (the X
    // library's buffers and event cache come and go), so the lowest reading
    // of the first twenty cycles is compared with that of the last twenty:
    // a leak per cycle lifts the floor, a passing allocation does not.
    std::vector<long> heap;
    heap.reserve(200); // before the first reading, so that it does not count itself
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(cycle(i)) << "cycle " << i;
        heap.push_back(host.heapInUse());
    }
    if (heap.front() >= 0) {
        const long first = *std::min_element(heap.begin(), heap.begin() + 20);
        const long last = *std::min_element(heap.end() - 20, heap.end());
        const auto wobble = std::minmax_element(heap.begin(), heap.end());
        std::printf("heap floor grew by %ld bytes over 180 cycles (readings span %ld bytes)\n", last - first,
                    *wobble.second - *wobble.first);
        EXPECT_LT(last - first, 2048) << "heap bytes in use grew by " << last - first;
    }
    EXPECT_EQ(host.resourcesOf(connection), held);
    if (held.empty())
        std::printf("note: the system's resource counts are not readable here: not compared\n");
    EXPECT_FALSE(plugin.metering());
    EXPECT_TRUE(showsEditor(neighbour)) << "the other instance's editor is unharmed";
    neighbour.close();
    host.destroy(neighbourParent);
}

// Keys the window system delivers once the host gives the editor's window
// the keyboard focus: Tab to the first fader, Up by 0.5 dB, then a value
// typed into the field. The keyboard map itself is the editor tests'.
TEST_F(EditorScenario, KeysReachTheEditorWhenTheHostGivesItTheFocus) {
    ASSERT_EQ(plugin.open(parent), 1);
    ASSERT_TRUE(showsEditor(plugin));
    auto inGain = [&] { return plugin.record->getParameter(plugin.record, 0); };
    if (!host.typeKeys(plugin.window(), {}))
        GTEST_SKIP() << "the system refused the focus";
    // The window takes keys from when it has seen the focus arrive.
    idleFor(plugin, 200);
    ASSERT_TRUE(host.typeKeys(plugin.window(), {"Tab", "Up"}));
    EXPECT_TRUE(pumpUntil([&] {
        plugin.idle();
        return inGain() != 0.5f;
    }));
    EXPECT_NEAR(inGain(), 0.5f + 0.5f / 24, 1e-6f);
    ASSERT_TRUE(host.typeKeys(plugin.window(), {"Return", "minus", "6", "Return"}));
    EXPECT_TRUE(pumpUntil([&] {
        plugin.idle();
        return inGain() == 0.25f;
    }));
    EXPECT_EQ(plugin.host.callsOf(audioMasterBeginEdit).size(), 2u);
}

} // namespace
} // namespace sorrel::scenario
