// The equaliser's editor as an LV2 X11 UI: the format-free EqualizerEditor
// in the host's parent window, pumped through the idle interface. It owns
// the frame (CFrameOwner), keeps the values the host sent (ParameterLink)
// and the levels of the meter ports (LevelSource), so it works the same when
// the host runs it in another process than the plug-in.
#pragma once

#include "editor/equalizer_editor.h"
#include "effect/level_source.h"
#include "gui/views/paced_frame_owner.h"
#include "lv2/lv2_ports.h"

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <memory>

namespace sorrel::lv2 {

class Lv2EqualizerUi final : public PacedFrameOwner, public ParameterLink, public LevelSource {
  public:
    Lv2EqualizerUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_Feature *const *features);
    virtual ~Lv2EqualizerUi();

    // Builds the editor in the host's parent window; false when there is
    // none or it is not a window.
    bool open();
    // The editor's own X11 window, for the host.
    LV2UI_Widget widget() const;
    // The editor's frame; null while closed.
    CFrame *frame() const override { return editor.getFrame(); }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void *buffer);
    // The host's idle call: window events, the values and levels, redraws.
    // Non-zero once the window is gone.
    int idle();

    // The host's ui:scaleFactor, 1 when it offers none.
    float scaleFactor() const { return scale; }
    // The options interface's set: a new ui:scaleFactor while open. Answers
    // LV2_OPTIONS_SUCCESS or the bad-key, bad-value error bits.
    uint32_t setOptions(const LV2_Options_Option *options);

    // CFrameOwner
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    bool requestSize(int32_t width, int32_t height) override;

    // ParameterLink
    float parameterValue(int32_t index) override;
    void userValue(int32_t index, float value) override;

    // LevelSource: the levels the meter ports last sent. Metering itself
    // is the plug-in's business (it measures while its meter ports are
    // connected).
    float preGainLevel(int channel, int band) const override;
    float postGainLevel(int channel, int band) const override;
    void setMetering(bool) override {}

  private:
    void refreshEditor() override { editor.refresh(); }
    // The factor of a ui:scaleFactor option; 0 for another option or a
    // value that is no factor.
    float scaleOption(const LV2_Options_Option &option) const;

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    void *parent = nullptr;
    const LV2UI_Resize *resize = nullptr;
    const LV2UI_Touch *touch = nullptr;
    float scale = 1.f;
    LV2_URID scaleKey = 0;
    LV2_URID floatType = 0;

    float values[kNumParameters];
    float levels[kNumMeterPorts] = {};
    EqualizerEditor editor;
};

} // namespace sorrel::lv2
