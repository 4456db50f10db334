// The editor on the headless window system: one idle pass with all 124
// meters changing on every call (what a host's idle costs while audio
// plays), one with the meters dark (silence: nothing on the screen
// changes), and a full repaint of the 710 x 167 window; each at the factor
// in percent that is the argument (100, 125, 150, 175, 200, 300), as the
// host's content-scale call sets it.
#include "vst2/plugin/equalizer_vst_editor.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "vst2/audioeffectx.h"

#include <benchmark/benchmark.h>

namespace sorrel {

namespace {

namespace headless = platform::headless;

// An effect whose levels move on every idle, so that every meter redraws.
class MovingLevels : public AudioEffectX, public LevelSource {
  public:
    MovingLevels() : AudioEffectX(nullptr, 1, 36) { gui = new sorrel::EqualizerVstEditor(this, this); }
    ~MovingLevels() override {
        setEditor(nullptr);
        delete gui;
    }
    void processReplacing(float **, float **, VstInt32) override {}
    float getParameter(VstInt32 index) override { return index >= 34 ? 1.f : 0.5f; }
    // 15 LEDs: stepping by a whole LED per call changes every meter's picture.
    float preGainLevel(int channel, int band) const override { return level(channel, band); }
    float postGainLevel(int channel, int band) const override { return level(channel + 2, band); }
    void setMetering(bool) override {}

    float level(int set, int band) const { return moving ? float((tick + set * 4 + band) % 15) / 14.f : 0.f; }

    int tick = 0;
    bool moving = true;
    EqualizerVstEditor *gui;
};

int parentWindow = 0;

// The editor open at the benchmark's factor; its window.
platform::Window *openAt(MovingLevels &effect, const benchmark::State &state) {
    effect.gui->setContentScale(float(state.range(0)) / 100.f);
    effect.gui->open(&parentWindow);
    return effect.gui->getFrame()->getWindow();
}

raster::Rect wholeWindow(platform::Window *window) {
    const raster::Surface &s = headless::state(window)->surface;
    return {0, 0, s.width(), s.height()};
}

void EditorIdleAllMetersMoving(benchmark::State &state) {
    headless::reset();
    MovingLevels effect;
    platform::Window *window = openAt(effect, state);
    headless::queuePaint(window, wholeWindow(window));
    effect.gui->idle();
    for (auto _ : state) {
        ++effect.tick;
        effect.gui->idle();
    }
    benchmark::DoNotOptimize(headless::state(window)->surface.data());
    effect.gui->close();
}
BENCHMARK(EditorIdleAllMetersMoving)->Arg(100)->Arg(125)->Arg(150)->Arg(175)->Arg(200)->Arg(300)->Unit(benchmark::kMicrosecond);

void EditorIdleMetersDark(benchmark::State &state) {
    headless::reset();
    MovingLevels effect;
    effect.moving = false;
    platform::Window *window = openAt(effect, state);
    headless::queuePaint(window, wholeWindow(window));
    effect.gui->idle();
    for (auto _ : state)
        effect.gui->idle();
    benchmark::DoNotOptimize(headless::state(window)->surface.data());
    effect.gui->close();
}
BENCHMARK(EditorIdleMetersDark)->Arg(100)->Unit(benchmark::kMicrosecond);

void EditorFullRepaint(benchmark::State &state) {
    headless::reset();
    MovingLevels effect;
    platform::Window *window = openAt(effect, state);
    const raster::Rect all = wholeWindow(window);
    for (auto _ : state) {
        headless::queuePaint(window, all);
        headless::pumpPending();
    }
    benchmark::DoNotOptimize(headless::state(window)->surface.data());
    effect.gui->close();
}
BENCHMARK(EditorFullRepaint)->Arg(100)->Arg(125)->Arg(150)->Arg(175)->Arg(200)->Arg(300)->Unit(benchmark::kMicrosecond);

} // namespace

} // namespace sorrel
