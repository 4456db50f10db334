// What a frame needs from whoever owns it: a plug-in format's editor base
// (the VST 2.4 one in vst2/, the LV2 UI in lv2/) or a test. The toolkit
// knows no plug-in interface; everything it asks of the host goes through
// here.
#pragma once

#include <cstdint>
#include <memory>

namespace sorrel {

class CFrameOwner {
  public:
    // The user starts and ends changing the parameter of index; the host
    // hears of it (VST 2.4 begin/end edit, LV2 touch).
    virtual void beginEdit(int32_t index) = 0;
    virtual void endEdit(int32_t index) = 0;
    // Asks the host to resize its window around the frame: true when the
    // host did; false leaves it to the frame.
    virtual bool requestSize(int32_t width, int32_t height) = 0;
    // The paced idle work (IdlePacer) that controls run from inside their mouse
    // loops: the frame's idle pass and the host's own idle. The owner may be
    // gone when it returns (a host closing the editor or deleting the plug-in
    // from its idle); callers hold the liveness token to know.
    virtual void doIdleWork() = 0;
    // Milliseconds of the owner's clock.
    virtual uint32_t getTicks() = 0;
    // The host's knob mode (circular, relative circular, linear).
    virtual int32_t getKnobMode() const = 0;
    // True for as long as the owner lives; frames keep a copy and never call
    // a dead owner.
    virtual std::shared_ptr<const bool> livenessToken() const = 0;

  protected:
    ~CFrameOwner() = default;
};

} // namespace sorrel
