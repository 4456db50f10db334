// The editor interface the dispatcher drives: rectangle, open in a host
// window, close, idle, keys, wheel and knob mode. The GUI toolkit's editor
// derives from it; the base answers "not handled" everywhere.
#pragma once

#include "vst2/aeffectx.h"

class AudioEffect;

class AEffEditor {
  public:
    explicit AEffEditor(AudioEffect *owner = nullptr) : effect(owner) {}
    virtual ~AEffEditor() {}

    virtual AudioEffect *getEffect() { return effect; }
    virtual bool getRect(ERect **rect) {
        if (rect)
            *rect = nullptr;
        return false;
    }
    virtual bool open(void *ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode &keyCode) { return false; }
    virtual bool onKeyUp(VstKeyCode &keyCode) { return false; }
    virtual bool onWheel(float distance) { return false; }
    virtual bool setKnobMode(VstInt32 val) { return false; }

  protected:
    AudioEffect *effect = nullptr;
    void *systemWindow = nullptr;
};
