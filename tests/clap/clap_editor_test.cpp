// The CLAP editor on the headless window system, driven through the gui
// extension as a host drives it: embedded at the host's scale with the
// golden picture, idle from the host's timer or, without one, from
// main-thread callbacks, and the user's edits reaching the host as gesture
// and value events.
#include "clap_host.h"

#include "effect/parameters.h"
#include "gui/platform/headless.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

namespace headless = sorrel::platform::headless;
using sorrel::test::ClapHost;
using sorrel::test::InputEvents;
using sorrel::test::OutputEvents;
using sorrel::test::ParamEvent;

int parentWindow = 0; // any address is a window to the headless backend

#ifdef _WIN32
const char *const kApi = kClapWindowApiWin32;
clap_window_t hostWindow() {
    clap_window_t w{kApi, {}};
    w.win32 = &parentWindow;
    return w;
}
#else
const char *const kApi = kClapWindowApiX11;
clap_window_t hostWindow() {
    clap_window_t w{kApi, {}};
    w.x11 = reinterpret_cast<uintptr_t>(&parentWindow);
    return w;
}
#endif

class ClapEditorTest : public ::testing::Test {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override {
        if (plugin != nullptr)
            plugin->destroy(plugin);
        headless::reset();
    }

    void make() {
        const auto *f = static_cast<const clap_plugin_factory_t *>(clap_entry.get_factory(kClapPluginFactoryId));
        plugin = f->create_plugin(f, host.host(), f->get_plugin_descriptor(f, 0)->id);
        ASSERT_TRUE(plugin != nullptr && plugin->init(plugin));
        gui = static_cast<const clap_plugin_gui_t *>(plugin->get_extension(plugin, kClapExtGui));
        params = static_cast<const clap_plugin_params_t *>(plugin->get_extension(plugin, kClapExtParams));
        timer = static_cast<const clap_plugin_timer_support_t *>(plugin->get_extension(plugin, kClapExtTimerSupport));
        ASSERT_TRUE(gui != nullptr && params != nullptr && timer != nullptr);
        ASSERT_TRUE(plugin->activate(plugin, 48000, 1, 512));
    }

    // Opens the editor at scale (0: none given) as hosts do.
    void open(double scale) {
        ASSERT_TRUE(gui->create(plugin, kApi, false));
        if (scale != 0)
            gui->set_scale(plugin, scale);
        const clap_window_t window = hostWindow();
        ASSERT_TRUE(gui->set_parent(plugin, &window));
        ASSERT_TRUE(gui->show(plugin));
    }

    sorrel::platform::Window *window() const {
        const std::vector<sorrel::platform::Window *> all = headless::windows();
        return all.empty() ? nullptr : all.back();
    }

    // The host paints the new window once, then its timer fires.
    const sorrel::raster::Surface &shown() {
        const sorrel::raster::Surface &s = headless::state(window())->surface;
        headless::queuePaint(window(), {0, 0, s.width(), s.height()});
        timer->on_timer(plugin, 7);
        return s;
    }

    std::vector<ParamEvent> processed() {
        OutputEvents out;
        float l[16] = {}, r[16] = {};
        float *channels[2] = {l, r};
        clap_audio_buffer_t buffer{channels, nullptr, 2, 0, 0};
        InputEvents in({});
        clap_process_t p{};
        p.frames_count = 16;
        p.audio_inputs = &buffer;
        p.audio_outputs = &buffer;
        p.audio_inputs_count = p.audio_outputs_count = 1;
        p.in_events = in.get();
        p.out_events = out.get();
        plugin->process(plugin, &p);
        return out.events;
    }

    clap_id id(int32_t index) const {
        clap_param_info_t info{};
        params->get_info(plugin, static_cast<uint32_t>(index), &info);
        return info.id;
    }

    ClapHost host;
    const clap_plugin_t *plugin = nullptr;
    const clap_plugin_gui_t *gui = nullptr;
    const clap_plugin_params_t *params = nullptr;
    const clap_plugin_timer_support_t *timer = nullptr;
};

TEST_F(ClapEditorTest, OpensEmbeddedAtTheHostsScaleWithTheGoldenPicture) {
    make();
    const char *api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin, &api, &floating));
    EXPECT_STREQ(api, kApi);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->is_api_supported(plugin, kApi, true));
    EXPECT_FALSE(gui->is_api_supported(plugin, "cocoa", false));
    EXPECT_FALSE(gui->create(plugin, kApi, true));

    open(2.0);
    EXPECT_EQ(host.timerPeriod, 30u);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(plugin, &w, &h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(1420u, 334u));
    EXPECT_FALSE(gui->can_resize(plugin));
    EXPECT_TRUE(gui->set_size(plugin, 1420, 334));
    EXPECT_FALSE(gui->set_size(plugin, 1000, 334));
    uint32_t aw = 1000, ah = 1000;
    ASSERT_TRUE(gui->adjust_size(plugin, &aw, &ah));
    EXPECT_EQ(std::make_pair(aw, ah), std::make_pair(1420u, 334u));
    EXPECT_TRUE(sorrel::testimg::matchesGolden(shown(), "editor_fresh_2x"));

    // A new scale while open: the host is asked for the new size.
    EXPECT_TRUE(gui->set_scale(plugin, 1.0));
    ASSERT_FALSE(host.resizes.empty());
    EXPECT_EQ(host.resizes.back(), std::make_pair(710u, 167u));
    EXPECT_TRUE(sorrel::testimg::matchesGolden(shown(), "editor_fresh"));
    EXPECT_FALSE(gui->set_scale(plugin, -1.0));

    // A second create is refused; destroy lets go of the timer and window.
    EXPECT_FALSE(gui->create(plugin, kApi, false));
    gui->destroy(plugin);
    EXPECT_EQ(host.timerPeriod, 0u);
    EXPECT_TRUE(headless::windows().empty());
    // Calls after destroy are refused, not followed.
    EXPECT_FALSE(gui->get_size(plugin, &w, &h));
    timer->on_timer(plugin, 7);
}

TEST_F(ClapEditorTest, EditsReachTheHostAsGestureAndValueEvents) {
    make();
    open(0);
    shown();
    const int32_t index = sorrel::kFirstBandParameter + 17;
    // One wheel notch on the band's fader: a whole gesture.
    headless::wheel(window(), {413, 60}, 1.f);
    EXPECT_GT(host.flushRequests, 0);
    double value = 0;
    ASSERT_TRUE(params->get_value(plugin, id(index), &value));
    EXPECT_NEAR(value, 2.4, 1e-5);
    const std::vector<ParamEvent> events = processed();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, kClapEventParamGestureBegin);
    EXPECT_EQ(events[1].type, kClapEventParamValue);
    EXPECT_EQ(events[1].value, value);
    EXPECT_EQ(events[2].type, kClapEventParamGestureEnd);
    for (const ParamEvent &e : events)
        EXPECT_EQ(e.id, id(index));
    EXPECT_TRUE(processed().empty());

    // A host that takes nothing now gets the events at its next flush.
    headless::wheel(window(), {413, 60}, -1.f);
    OutputEvents full;
    full.refuse = true;
    params->flush(plugin, nullptr, full.get());
    OutputEvents later;
    params->flush(plugin, nullptr, later.get());
    EXPECT_EQ(later.events.size(), 3u);

    // The host's change shows on the fader at the next idle pass.
    InputEvents in({{0, kClapEventParamValue, id(index), -12.0}});
    params->flush(plugin, in.get(), nullptr);
    timer->on_timer(plugin, 7);
    headless::wheel(window(), {413, 60}, 1.f);
    ASSERT_TRUE(params->get_value(plugin, id(index), &value));
    EXPECT_NEAR(value, -12.0 + 2.4, 1e-5);
}

TEST_F(ClapEditorTest, WithoutHostTimersIdleRunsFromMainThreadCallbacks) {
    host.offerTimers = false;
    make();
    open(0);
    EXPECT_EQ(host.callbacks, 1);
    const int pumps = headless::script().pumps;
    plugin->on_main_thread(plugin);
    EXPECT_GT(headless::script().pumps, pumps);
    EXPECT_EQ(host.callbacks, 2);
    gui->destroy(plugin);
    plugin->on_main_thread(plugin);
    EXPECT_EQ(host.callbacks, 2);
}

} // namespace
