// The equaliser's editor behind the CLAP gui extension: the format-free
// EqualizerEditor embedded in the host's window (X11 or Win32, never
// floating), at a fixed size. It owns the frame (CFrameOwner) and links the
// editor to the plug-in (ParameterLink): values are read from the effect,
// the user's edits go to the plug-in, which writes the effect and tells the
// host (gesture begin, value, gesture end).
//
// Idle. The interface leaves the editor no thread of its own: it asks the
// host for a timer and runs its pass there. A host without timers gets the
// same pass from main-thread callbacks the editor keeps requesting.
#pragma once

#include "clap/clap_api.h"
#include "editor/equalizer_editor.h"
#include "gui/views/paced_frame_owner.h"

#include <memory>

namespace sorrel::clap {

class ClapEqualizer;

class ClapEditor final : public PacedFrameOwner, public ParameterLink {
  public:
    // Whether this build and machine can show the editor at all.
    static bool available();
    // The window system of this build ("x11", "win32"); only embedded.
    static const char *windowApi();
    static bool apiSupported(const char *api, bool floating);

    explicit ClapEditor(ClapEqualizer &plugin);
    ~ClapEditor();

    // The host's scale factor, before or after set_parent: true when the
    // editor took it.
    bool setScale(double scale);
    bool size(uint32_t *width, uint32_t *height) const;
    // Opens the editor in the host's window and starts the idle pass; false
    // for another window system or a window that is none.
    bool setParent(const clap_window_t *window);
    void onTimer(clap_id id);
    void onMainThread();

    // The editor's frame; null until set_parent succeeds.
    CFrame *frame() const override { return editor.getFrame(); }

    // CFrameOwner
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    bool requestSize(int32_t width, int32_t height) override;

    // ParameterLink
    float parameterValue(int32_t index) override;
    void userValue(int32_t index, float value) override;

  private:
    void refreshEditor() override { editor.refresh(); }

    ClapEqualizer &plugin;
    EqualizerEditor editor;
    const clap_host_gui_t *hostGui = nullptr;
    const clap_host_timer_support_t *timers = nullptr;
    clap_id timer = kClapInvalidId;
    // No host timer: the pass runs from requested main-thread callbacks.
    bool callbackIdle = false;
};

} // namespace sorrel::clap
