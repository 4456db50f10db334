// The LV2 UI on the headless window system: the scale the host's options
// ask for, at opening and while open, the size the host is asked for, and
// the pixels it then shows.
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "lv2/lv2_ui.h"
#include "support/image_compare.h"

#include <lv2/atom/atom.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sorrel {

namespace {

namespace headless = platform::headless;
using lv2::Lv2EqualizerUi;

int parentWindow = 0; // any address is a window to the headless backend

// The host's side: a URID map, the options and the resize requests.
struct Host {
    std::map<std::string, LV2_URID> ids;
    std::vector<std::pair<int, int>> resizes;

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char *uri) {
        auto &ids = static_cast<Host *>(handle)->ids;
        return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
    }
    static int resize(LV2UI_Feature_Handle handle, int width, int height) {
        static_cast<Host *>(handle)->resizes.emplace_back(width, height);
        return 0;
    }

    LV2_URID_Map map{this, &Host::mapUri};
    LV2UI_Resize resizer{this, &Host::resize};

    LV2_Options_Option scaleOption(const float &factor) {
        return {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_UI__scaleFactor), sizeof(float),
                mapUri(this, LV2_ATOM__Float), &factor};
    }
};

const LV2_Options_Option kEnd{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};

class Lv2Ui : public ::testing::Test {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }

    // The UI made as a host makes it, with the scale factor as an option
    // when factor is not zero.
    std::unique_ptr<Lv2EqualizerUi> make(float factor) {
        options.clear();
        if (factor != 0.f)
            options.push_back(host.scaleOption(factorStore = factor));
        options.push_back(kEnd);
        const LV2_Feature parent{LV2_UI__parent, &parentWindow};
        const LV2_Feature map{LV2_URID__map, &host.map};
        const LV2_Feature resize{LV2_UI__resize, &host.resizer};
        const LV2_Feature opts{LV2_OPTIONS__options, options.data()};
        const LV2_Feature *features[] = {&parent, &map, &resize, &opts, nullptr};
        return std::make_unique<Lv2EqualizerUi>(nullptr, nullptr, features);
    }
    static platform::Window *windowOf(const Lv2EqualizerUi &ui) {
        return ui.frame() ? ui.frame()->getWindow() : nullptr;
    }
    static CRect sizeOf(const Lv2EqualizerUi &ui) {
        const headless::WindowState *state = headless::state(windowOf(ui));
        return state ? CRect(0, 0, state->surface.width(), state->surface.height()) : CRect();
    }
    static void show(Lv2EqualizerUi &ui) {
        const raster::Surface &s = headless::state(windowOf(ui))->surface;
        headless::queuePaint(windowOf(ui), {0, 0, s.width(), s.height()});
        ui.idle();
    }

    Host host;
    float factorStore = 0.f;
    std::vector<LV2_Options_Option> options;
};

TEST_F(Lv2Ui, TheHostsScaleFactorDecidesTheEditorsSize) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float factor;
        int width, height;
    };
    const Case cases[] = {{0.f, 710, 167},  {1.f, 710, 167},  {2.f, 1420, 334}, {3.f, 2130, 501},
                          {1.25f, 888, 209}, {1.5f, 1065, 251}, {-2.f, 710, 167}, {nan, 710, 167}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.factor);
        headless::reset();
        host.resizes.clear();
        auto ui = make(c.factor);
        ASSERT_TRUE(ui->open());
        EXPECT_EQ(sizeOf(*ui), CRect(0, 0, c.width, c.height));
        ASSERT_FALSE(host.resizes.empty());
        EXPECT_EQ(host.resizes.back(), std::make_pair(c.width, c.height));
    }
}

TEST_F(Lv2Ui, AScaleFactorWhileOpenRedrawsAtTheNewScale) {
    auto ui = make(2.f);
    ASSERT_TRUE(ui->open());
    show(*ui);
    EXPECT_TRUE(testimg::matchesGolden(headless::state(windowOf(*ui))->surface, "editor_fresh_2x"));

    const float three = 3.f;
    const LV2_Options_Option update[] = {host.scaleOption(three), kEnd};
    EXPECT_EQ(ui->setOptions(update), uint32_t(LV2_OPTIONS_SUCCESS));
    EXPECT_EQ(host.resizes.back(), std::make_pair(2130, 501));
    show(*ui);
    EXPECT_TRUE(testimg::matchesGolden(headless::state(windowOf(*ui))->surface, "editor_fresh_3x"));

    // Nonsense changes nothing.
    const float zero = 0.f;
    const LV2_Options_Option nonsense[] = {host.scaleOption(zero), kEnd};
    EXPECT_NE(ui->setOptions(nonsense), uint32_t(LV2_OPTIONS_SUCCESS));
    EXPECT_EQ(sizeOf(*ui), CRect(0, 0, 2130, 501));
}

} // namespace

} // namespace sorrel
