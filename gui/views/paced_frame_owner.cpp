#include "gui/views/paced_frame_owner.h"

#include "gui/platform/platform.h"
#include "gui/views/frame.h"

namespace sorrel {

void PacedFrameOwner::doIdleWork() {
    // Called from inside a control's mouse loop: the host's idle or timer
    // cannot run meanwhile, so this keeps the window painting.
    if (!pacer.dueOrNap(getTicks()))
        return;
    inIdleWork = true;
    const std::shared_ptr<const bool> token = alive;
    pump();
    if (*token)
        inIdleWork = false;
}

void PacedFrameOwner::pump() {
    const std::shared_ptr<const bool> token = alive;
    platform::pumpEvents();
    if (!*token)
        return;
    CFrame *shown = frame();
    if (shown == nullptr)
        return;
    refreshEditor();
    CReferenceHold keep(shown);
    shown->idle();
}

uint32_t PacedFrameOwner::getTicks() {
    return platform::tickCount();
}

} // namespace sorrel
