#include "vst2/aeffguieditor.h"

#include "gui/views/frame.h"
#include "gui/platform/platform.h"
#include "vst2/audioeffectx.h"

namespace platform = sorrel::platform;
using sorrel::CDrawContext;
using sorrel::CFrame;
using sorrel::CKeyCode;
using sorrel::CPoint;

namespace {

int32_t knobMode = 0;

AudioEffectX *extended(AudioEffect *effect) { return dynamic_cast<AudioEffectX *>(effect); }

// Gives back the editor's count of a frame after telling it that the editor
// has let go. The frame survives while a call into it is still running.
void releaseFrame(CFrame *&frame) {
    if (CFrame *f = frame) {
        frame = nullptr;
        f->editorClosed();
        f->forget();
    }
}

} // namespace

// Re-entrancy. The host's idle, which doIdleWork calls from inside a
// control's drag loop, may close the editor or delete the effect (and with
// it this editor). Every operation that calls out of the editor keeps a copy
// of the liveness token and touches no member once the token says the
// editor is gone; frames hold the same token and stop calling the editor.
AEffGUIEditor::AEffGUIEditor(AudioEffect *inEffect) : AEffEditor(inEffect), alive(std::make_shared<bool>(true)) {
    lastTicks = getTicks();
    if (effect)
        effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {
    *alive = false;
    releaseFrame(frame);
}

bool AEffGUIEditor::getRect(ERect **out) {
    if (!out)
        return false;
    *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void *ptr) { return AEffEditor::open(ptr); }

void AEffGUIEditor::close() {
    releaseFrame(frame);
    AEffEditor::close();
}

void AEffGUIEditor::idle() {
    if (inIdleWork)
        return;
    AEffEditor::idle();
    // Hosts on X11 call this from their GUI thread and expect the plug-in to
    // handle its own window's events here.
    const std::shared_ptr<const bool> token = alive;
    platform::pumpEvents();
    if (!*token || !frame)
        return;
    CFrame *f = frame;
    f->remember();
    f->idle();
    f->forget();
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
    return frame && frame->onKeyDown(key) == 1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode &keyCode) {
    CKeyCode key = keyOf(keyCode);
    return frame && frame->onKeyUp(key) == 1;
}

bool AEffGUIEditor::onWheel(float distance) {
    if (!frame)
        return false;
    CFrame *f = frame;
    f->remember();
    CDrawContext *context = f->createDrawContext();
    CPoint where;
    context->getMouseLocation(where);
    const bool result = f->onWheel(context, where, distance);
    context->forget();
    f->forget();
    return result;
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

void AEffGUIEditor::wait(uint32_t milliseconds) { platform::sleep(milliseconds); }

void AEffGUIEditor::doIdleWork() {
    const std::shared_ptr<const bool> token = alive;
    uint32_t now = getTicks();
    // How far the next due time lies ahead; it is never set more than one
    // interval ahead, so anything larger is a time in the past (and the
    // clock's wrap after 49.7 days changes nothing).
    auto ahead = [this](uint32_t time) { return lastTicks - time; };
    if (ahead(now) != 0 && ahead(now) <= kIdleInterval) {
        wait(kIdleEarlySleep);
        now += kIdleEarlySleep;
        const uint32_t left = ahead(now);
        if (left > kIdleSlack && left <= kIdleInterval)
            return;
    }
    idle();
    if (!*token)
        return;
    // Paints waiting for any of the module's windows, so that the window is
    // repainted while the caller holds the thread in a loop.
    platform::pumpEvents();
    if (!*token)
        return;
    lastTicks = now + kIdleInterval;
    inIdleWork = true;
    if (effect)
        effect->masterIdle();
    if (!*token)
        return;
    inIdleWork = false;
}
