// The editor on the headless window system: opened in a stand-in parent
// window, painted as a host shows it, clicked and dragged through the
// backend's script, and looked at through the window's memory image.
#pragma once

#include "vst2/plugin/equalizer_vst_editor.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "vst2/audioeffectx.h"
#include "effect/parameters.h"

#include <array>
#include <initializer_list>
#include <vector>

namespace sorrel::editortest {

namespace headless = platform::headless;
using sorrel::EqualizerVstEditor;

// Any address is a window to the headless backend.
inline int parentWindow = 0;

// An effect whose parameters and band levels the test sets by hand: the
// editor's own tests need nothing else of an effect.
class PanelEffect : public AudioEffectX, public sorrel::LevelSource {
  public:
    explicit PanelEffect(audioMasterCallback host = nullptr) : AudioEffectX(host, 1, kNumParameters) {
        values.fill(0.5f);
        values[34] = values[35] = 1.f;
        values[kResponseParameter] = 0.f;
        gui = new EqualizerVstEditor(this, this);
    }
    ~PanelEffect() override {
        setEditor(nullptr);
        delete gui;
    }

    void processReplacing(float **, float **, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        if (index < 0 || index >= kNumParameters || values[index] == value)
            return;
        values[index] = value;
        gui->setParameter(index, value);
    }
    float getParameter(VstInt32 index) override { return index >= 0 && index < kNumParameters ? values[index] : 0.f; }
    float preGainLevel(int channel, int band) const override { return pre[channel][band]; }
    float postGainLevel(int channel, int band) const override { return post[channel][band]; }
    void setMetering(bool on) override { metering = on; }

    std::array<float, kNumParameters> values;
    float pre[2][31] = {};
    float post[2][31] = {};
    bool metering = false;
    EqualizerVstEditor *gui;
};

inline platform::Window *windowOf(AEffGUIEditor *editor) {
    CFrame *frame = editor ? editor->getFrame() : nullptr;
    return frame ? frame->getWindow() : nullptr;
}

// What the window shows.
inline const raster::Surface &picture(AEffGUIEditor *editor) {
    return headless::state(windowOf(editor))->surface;
}

// The host paints the new window once, then calls idle as it does
// regularly (the editor draws nothing before that first paint).
inline void paint(AEffGUIEditor *editor) {
    const raster::Surface &all = picture(editor);
    headless::queuePaint(windowOf(editor), {0, 0, all.width(), all.height()});
    editor->idle();
}

inline void idle(AEffGUIEditor *editor, int times = 1) {
    for (int i = 0; i < times; ++i)
        editor->idle();
}

// A press at where with buttons held. A drag loop sees the press point
// first, then each point of path, then the buttons released. Each press is
// a click of its own, past the double-click time after the last one, unless
// asked to follow it at once.
inline void press(AEffGUIEditor *editor, CPoint where, int32_t buttons, std::vector<CPoint> path = {},
                  bool followsAtOnce = false) {
    headless::Script &script = headless::script();
    if (!followsAtOnce)
        script.clock += 2 * script.doubleClick;
    // One poll for the frame, one per point the loop handles.
    script.buttons.assign(path.size() + 2, buttons);
    script.buttons.push_back(0);
    script.pointer.clear();
    for (const CPoint &p : path)
        script.pointer.push_back({p.x, p.y});
    if (script.pointer.empty())
        script.pointer.push_back({where.x, where.y});
    script.buttonPolls = script.pointerPolls = 0;
    headless::press(windowOf(editor), {where.x, where.y});
}

// The middle of a control of the table.
inline CPoint centerOf(EqualizerVstEditor *editor, int32_t entry) {
    const CRect r = editor->view().getControl(entry)->getViewSize();
    return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

} // namespace sorrel::editortest
