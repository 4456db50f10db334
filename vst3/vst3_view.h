// The equaliser's editor behind the VST 3 plug-in view: the format-free
// EqualizerEditor in the host's window (an X11 window id, an HWND). It owns
// the frame (CFrameOwner), reads and writes the plug-in's values
// (ParameterLink) and runs its idle pass from a timer: the host's run loop
// on Linux, where the host's GUI thread must do the work, and a timer of its
// own on Windows. The size is fixed; the host's content scale is the
// editor's scale.
#pragma once

#include "editor/equalizer_editor.h"
#include "gui/views/paced_frame_owner.h"
#include "vst3/vst3_interfaces.h"
#include "vst3/vst3_timer.h"

#include <atomic>
#include <memory>

namespace sorrel::vst3 {

class Vst3Equalizer;

class Vst3EqualizerView final : public IPlugView,
                                public IPlugViewContentScaleSupport,
                                public ITimerHandler,
                                public PacedFrameOwner,
                                public ParameterLink {
  public:
    // Keeps a reference to the plug-in for as long as it lives. Starts with
    // one reference. Throws std::bad_alloc.
    explicit Vst3EqualizerView(Vst3Equalizer &plugin);

    Vst3EqualizerView(const Vst3EqualizerView &) = delete;
    Vst3EqualizerView &operator=(const Vst3EqualizerView &) = delete;

    // FUnknown
    tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) override;
    uint32_t SORREL_VST3_CALL addRef() override;
    uint32_t SORREL_VST3_CALL release() override;

    // IPlugView
    tresult SORREL_VST3_CALL isPlatformTypeSupported(FIDString type) override;
    tresult SORREL_VST3_CALL attached(void *parent, FIDString type) override;
    tresult SORREL_VST3_CALL removed() override;
    tresult SORREL_VST3_CALL onWheel(float distance) override;
    tresult SORREL_VST3_CALL onKeyDown(char16, int16_t, int16_t) override { return kResultFalse; }
    tresult SORREL_VST3_CALL onKeyUp(char16, int16_t, int16_t) override { return kResultFalse; }
    tresult SORREL_VST3_CALL getSize(ViewRect *size) override;
    tresult SORREL_VST3_CALL onSize(ViewRect *newSize) override;
    tresult SORREL_VST3_CALL onFocus(TBool) override { return kResultOk; }
    tresult SORREL_VST3_CALL setFrame(IPlugFrame *frame) override;
    tresult SORREL_VST3_CALL canResize() override { return kResultFalse; }
    tresult SORREL_VST3_CALL checkSizeConstraint(ViewRect *rect) override;

    // IPlugViewContentScaleSupport: the factor becomes the editor's scale
    // (rounded to a whole one); kResultFalse for a factor it cannot take.
    tresult SORREL_VST3_CALL setContentScaleFactor(float factor) override;

    // ITimerHandler: one idle pass.
    void SORREL_VST3_CALL onTimer() override;

    // CFrameOwner
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    bool requestSize(int32_t width, int32_t height) override;

    // ParameterLink
    float parameterValue(int32_t index) override;
    void userValue(int32_t index, float value) override;

    EqualizerEditor &view() { return editor; }

  private:
    ~Vst3EqualizerView();
    CFrame *frame() const override { return editor.getFrame(); }
    void refreshEditor() override { editor.refresh(); }
    void stopTimer();

    std::atomic<uint32_t> references{1};
    Vst3Equalizer &plugin;
    IPlugFrame *plugFrame = nullptr;
    IRunLoop *runLoop = nullptr;
    OwnTimer ownTimer;
    EqualizerEditor editor;
};

// The view createView hands the host, or null where the build has no
// windows or memory runs out.
IPlugView *createEditorView(Vst3Equalizer &plugin);

} // namespace sorrel::vst3
