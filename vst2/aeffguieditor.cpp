#include "vst2/aeffguieditor.h"

#include "gui/views/frame.h"
#include "gui/platform/platform.h"
#include "vst2/audioeffectx.h"

namespace platform = sorrel::platform;
using sorrel::CFrame;
using sorrel::CKeyCode;
using sorrel::CReferenceHold;

namespace {

int32_t knobMode = 0;

AudioEffectX *extended(AudioEffect *effect) { return dynamic_cast<AudioEffectX *>(effect); }

} // namespace

// Re-entrancy. The host's idle, which doIdleWork calls from inside a
// control's drag loop, may close the editor or delete the effect (and with
// it this editor). Every operation that calls out of the editor keeps a copy
// of the liveness token and touches no member once the token says the
// editor is gone; frames hold the same token and stop calling the editor.
AEffGUIEditor::AEffGUIEditor(AudioEffect *inEffect) : AEffEditor(inEffect), alive(std::make_shared<bool>(true)) {
    if (effect)
        effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() { *alive = false; }

bool AEffGUIEditor::getRect(ERect **out) {
    if (!out)
        return false;
    *out = &rect;
    return true;
}

void AEffGUIEditor::idle() {
    if (inIdleWork)
        return;
    // Hosts on X11 call this from their GUI thread and expect the plug-in to
    // handle its own window's events here; while a control's loop holds the
    // thread, the idle work runs this pass and so keeps the window painting.
    const std::shared_ptr<const bool> token = alive;
    platform::pumpEvents();
    if (!*token)
        return;
    refresh();
    if (CFrame *f = getFrame()) {
        CReferenceHold keep(f);
        f->idle();
    }
}

namespace {

CKeyCode keyOf(const VstKeyCode &keyCode) {
    CKeyCode key;
    key.character = keyCode.character;
    key.virt = keyCode.virt;
    key.modifier = keyCode.modifier;
    return key;
}

} // namespace

bool AEffGUIEditor::onKeyDown(VstKeyCode &keyCode) {
    CKeyCode key = keyOf(keyCode);
    CFrame *f = getFrame();
    return f && f->onKeyDown(key) == 1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode &keyCode) {
    CKeyCode key = keyOf(keyCode);
    CFrame *f = getFrame();
    return f && f->onKeyUp(key) == 1;
}

bool AEffGUIEditor::onWheel(float distance) {
    CFrame *f = getFrame();
    return f && f->onWheelAtPointer(distance);
}

bool AEffGUIEditor::setKnobMode(VstInt32 value) {
    knobMode = value;
    return true;
}

int32_t AEffGUIEditor::getKnobMode() const { return knobMode; }

void AEffGUIEditor::beginEdit(VstInt32 index) {
    if (AudioEffectX *e = extended(effect))
        e->beginEdit(index);
}

void AEffGUIEditor::endEdit(VstInt32 index) {
    if (AudioEffectX *e = extended(effect))
        e->endEdit(index);
}

bool AEffGUIEditor::requestSize(int32_t width, int32_t height) {
    AudioEffectX *e = extended(effect);
    if (!e)
        return false;
    char capability[] = "sizeWindow";
    return e->canHostDo(capability) > 0 && e->sizeWindow(width, height);
}

uint32_t AEffGUIEditor::getTicks() { return platform::tickCount(); }

void AEffGUIEditor::doIdleWork() {
    if (!pacer.dueOrNap(getTicks()))
        return;
    const std::shared_ptr<const bool> token = alive;
    idle();
    if (!*token)
        return;
    // The host may call our idle from its own; that call must not run a
    // second pass inside this one.
    inIdleWork = true;
    if (effect)
        effect->masterIdle();
    if (*token)
        inIdleWork = false;
}
