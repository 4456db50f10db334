// The equaliser's editor behind the VST 2.4 editor interface: the editor
// base drives the format-free EqualizerEditor, which owns the frame, and
// links it to the effect's parameters (read back at every idle, written as
// automated parameters so that the host hears the user's changes).
#pragma once

#include "editor/equalizer_editor.h"
#include "vst2/aeffguieditor.h"

namespace sorrel {

class EqualizerVstEditor : public AEffGUIEditor, public ParameterLink {
  public:
    // Attaches itself to effect. levels may be null (the meters stay dark).
    EqualizerVstEditor(AudioEffect *effect, LevelSource *levels);
    ~EqualizerVstEditor() override;

    // The editor's size at its current scale.
    bool getRect(ERect **rect) override;
    bool open(void *parent) override;
    // The host's content scale factor, before or while open: true when
    // taken (see EqualizerEditor::setHostScale).
    bool setContentScale(float factor);
    void close() override;
    CFrame *getFrame() const override;

    float parameterValue(int32_t index) override;
    void userValue(int32_t index, float value) override;

    // The format-free editor it drives.
    EqualizerEditor &view() { return editor; }

  protected:
    // Shows the effect's values and levels.
    void refresh() override;

  private:
    EqualizerEditor editor;
};

} // namespace sorrel
