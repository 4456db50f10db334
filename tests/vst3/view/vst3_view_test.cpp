// The VST 3 editor view on the headless window system: what a host sees of
// its size, scale and timer, and a fader drag reaching the host as begin,
// perform and end edit.
#include "../vst3_host.h"

#include "gui/platform/headless.h"
#include "gui/views/frame.h"
#include "vst3/vst3_plugin.h"
#include "vst3/vst3_view.h"

#include <gtest/gtest.h>

namespace sorrel::vst3::testing {

namespace {

namespace headless = platform::headless;

int parentWindow = 0; // any address is a window to the headless backend

#if defined(_WIN32)
const char *const kWindowType = kPlatformTypeHWND;
#else
const char *const kWindowType = kPlatformTypeX11EmbedWindowID;
#endif

// The host's frame around the view, with the run loop Linux hosts offer.
class HostFrame final : public StackObject<IPlugFrame>, public IRunLoop {
  public:
    std::vector<std::string> calls;
    ITimerHandler *timer = nullptr;
    bool offerRunLoop = true;
    bool allowResize = true;

    tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) override {
        if (obj != nullptr && offerRunLoop && IRunLoop::iid.matches(interfaceId)) {
            *obj = static_cast<IRunLoop *>(this);
            return kResultOk;
        }
        return StackObject<IPlugFrame>::queryInterface(interfaceId, obj);
    }
    uint32_t SORREL_VST3_CALL addRef() override { return 1; }
    uint32_t SORREL_VST3_CALL release() override { return 1; }

    tresult SORREL_VST3_CALL resizeView(IPlugView *view, ViewRect *size) override {
        calls.push_back("resize " + std::to_string(size->right - size->left) + "x" +
                        std::to_string(size->bottom - size->top));
        return allowResize ? kResultOk : kResultFalse;
    }
    tresult SORREL_VST3_CALL registerEventHandler(IEventHandler *, int) override { return kNotImplemented; }
    tresult SORREL_VST3_CALL unregisterEventHandler(IEventHandler *) override { return kNotImplemented; }
    tresult SORREL_VST3_CALL registerTimer(ITimerHandler *handler, uint64_t milliseconds) override {
        calls.push_back("timer " + std::to_string(milliseconds));
        timer = handler;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL unregisterTimer(ITimerHandler *handler) override {
        calls.push_back(handler == timer ? "timer off" : "timer off (unknown)");
        timer = nullptr;
        return kResultOk;
    }
};

class Vst3View : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        plugin = new Vst3Equalizer();
        plugin->setComponentHandler(&handler);
        view = plugin->createView("editor");
        ASSERT_NE(view, nullptr);
        view->setFrame(&frame);
    }
    void TearDown() override {
        if (view != nullptr) {
            EXPECT_EQ(view->release(), 0u);
        }
        // The view gave back its reference: this is the last.
        EXPECT_EQ(plugin->release(), 0u);
        headless::reset();
    }
    Vst3EqualizerView &own() { return *static_cast<Vst3EqualizerView *>(view); }

    RecordingHandler handler;
    HostFrame frame;
    Vst3Equalizer *plugin = nullptr;
    IPlugView *view = nullptr;
};

TEST_F(Vst3View, AttachesToTheHostWindowAndIdlesFromItsRunLoop) {
    EXPECT_EQ(plugin->createView("other"), nullptr);
    EXPECT_EQ(plugin->createView(nullptr), nullptr);
    const char *type = kWindowType;
    EXPECT_EQ(view->isPlatformTypeSupported(type), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);
    EXPECT_EQ(view->attached(&parentWindow, "NSView"), kInvalidArgument);
    EXPECT_EQ(view->attached(nullptr, type), kInvalidArgument);

    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 710);
    EXPECT_EQ(size.bottom - size.top, 167);
    EXPECT_EQ(view->canResize(), kResultFalse);
    ViewRect wanted{10, 20, 900, 900};
    ASSERT_EQ(view->checkSizeConstraint(&wanted), kResultTrue);
    EXPECT_EQ(wanted.right - wanted.left, 710);
    EXPECT_EQ(wanted.bottom - wanted.top, 167);

    ASSERT_EQ(view->attached(&parentWindow, type), kResultOk);
    EXPECT_EQ(view->attached(&parentWindow, type), kResultFalse); // once is enough
    ASSERT_EQ(frame.timer, static_cast<ITimerHandler *>(&own()));
    frame.timer->onTimer();
    EXPECT_TRUE(own().view().isOpen());
    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(own().view().isOpen());
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"timer 30", "timer off"}));
}

TEST_F(Vst3View, ContentScaleIsTheEditorsScale) {
    auto *scale = Module::query<IPlugViewContentScaleSupport>(view);
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->setContentScaleFactor(2.f), kResultOk);
    ViewRect size{};
    view->getSize(&size);
    EXPECT_EQ(size.right, 1420);
    EXPECT_EQ(size.bottom, 334);
    EXPECT_EQ(scale->setContentScaleFactor(0.f), kResultFalse);
    EXPECT_EQ(scale->setContentScaleFactor(-1.f), kResultFalse);
    // While open, a new factor asks the host for the new size.
    ASSERT_EQ(view->attached(&parentWindow, kWindowType), kResultOk);
    EXPECT_EQ(scale->setContentScaleFactor(1.f), kResultOk);
    EXPECT_EQ(frame.calls.back(), "resize 710x167");
    view->removed();
    scale->release();
}

TEST_F(Vst3View, AFaderDragIsOneGestureForTheHost) {
    ASSERT_EQ(view->attached(&parentWindow, kWindowType), kResultOk);
    CFrame *cframe = own().view().getFrame();
    ASSERT_NE(cframe, nullptr);
    headless::queuePaint(cframe->getWindow(), {0, 0, 710, 167});
    frame.timer->onTimer();

    // Band 17's fader (parameter 19) from its middle up a quarter of its
    // travel: a press at y 55 keeps 0.5, y 30 gives 0.75.
    const CRect fader = own().view().getControl(19)->getViewSize();
    const int32_t x = (fader.left + fader.right) / 2;
    headless::Script &script = headless::script();
    script.clock += 2 * script.doubleClick;
    script.buttons = {1, 1, 1, 1, 0};
    script.pointer = {{x, 55}, {x, 40}, {x, 30}};
    headless::press(cframe->getWindow(), {x, 55});

    ASSERT_FALSE(handler.calls.empty());
    EXPECT_EQ(handler.calls.front(), "begin 19");
    EXPECT_EQ(handler.calls.back(), "end 19");
    EXPECT_EQ(handler.calls[handler.calls.size() - 2], "perform 19 0.750000");
    EXPECT_EQ(plugin->getParamNormalized(19), 0.75);
    view->removed();
}

// A program change by the host reaches it as "every value changed" from the
// view's next timer call, not from inside the host's own call.
TEST_F(Vst3View, ProgramChangesAreReportedFromTheTimer) {
    ASSERT_EQ(view->attached(&parentWindow, kWindowType), kResultOk);
    plugin->setParamNormalized(kProgramParamId, 4.0 / 9.0);
    EXPECT_TRUE(handler.calls.empty());
    frame.timer->onTimer();
    frame.timer->onTimer();
    EXPECT_EQ(handler.calls, std::vector<std::string>{"restart 4"});
    view->removed();
}

} // namespace

} // namespace vst3::testing
