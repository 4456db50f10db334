#include "vst2/plugin/equalizer_vst_editor.h"

#include "gui/views/frame.h"
#include "vst2/audioeffect.h"

namespace sorrel {

EqualizerVstEditor::EqualizerVstEditor(AudioEffect *owner, LevelSource *levels)
    : AEffGUIEditor(owner), editor(this, levels) {
    setKnobMode(0);
}

bool EqualizerVstEditor::getRect(ERect **out) {
    const CRect size = editor.getRect();
    rect.top = static_cast<int16_t>(size.top);
    rect.left = static_cast<int16_t>(size.left);
    rect.bottom = static_cast<int16_t>(size.bottom);
    rect.right = static_cast<int16_t>(size.right);
    return AEffGUIEditor::getRect(out);
}

bool EqualizerVstEditor::setContentScale(float factor) {
    // The host hears of a new size inside this call and may close or delete
    // the editor from there.
    const std::shared_ptr<const bool> token = livenessToken();
    const bool taken = editor.setHostScale(factor);
    if (!*token)
        return taken;
    ERect *ignored = nullptr;
    getRect(&ignored);
    return taken;
}

EqualizerVstEditor::~EqualizerVstEditor() { editor.close(); }

bool EqualizerVstEditor::open(void *parent) {
    if (editor.isOpen())
        close();
    AEffGUIEditor::open(parent);
    // Opening may ask the host for a new size (the desktop wants another
    // scale than the host was told); a host may close the editor, or delete
    // the effect, from there.
    const std::shared_ptr<const bool> token = livenessToken();
    const bool opened = editor.open(parent, this);
    if (!*token)
        return false;
    if (!opened || !systemWindow) {
        close();
        return false;
    }
    return true;
}

void EqualizerVstEditor::close() {
    editor.close();
    AEffGUIEditor::close();
}

CFrame *EqualizerVstEditor::getFrame() const { return editor.getFrame(); }

void EqualizerVstEditor::refresh() { editor.refresh(); }

float EqualizerVstEditor::parameterValue(int32_t index) { return effect ? effect->getParameter(index) : 0.f; }

void EqualizerVstEditor::userValue(int32_t index, float value) {
    // The automated write: the effect takes the value and the host hears it
    // (audioMasterAutomate with the normalised value).
    if (effect)
        effect->setParameterAutomated(index, value);
}

} // namespace sorrel
