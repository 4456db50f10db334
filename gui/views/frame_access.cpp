// The frame between a screen reader and the owner's description of the
// controls. A reader's call may set a value, which reaches the host, and a
// host may close the editor from inside: like every call that reaches the
// frame from the window, each holds a count of the frame, and none goes on
// to an owner that has let go.
#include "gui/views/frame.h"
#include "gui/views/frame_calls.h"

namespace sorrel {

using gui::KeepAlive;

platform::AccessibleContent *CFrame::accessibleContent() {
    return accessible ? this : nullptr;
}

void CFrame::notifyAccessible(platform::AccessibleEvent event, int32_t index) {
    if (openFlag && windowUsable())
        platform::notifyAccessible(window, event, index);
}

int32_t CFrame::accessibleCount() {
    if (!accessible || !openFlag || !ownerAlive())
        return 0;
    KeepAlive keep(this);
    return accessible->accessibleCount();
}

bool CFrame::accessibleItem(int32_t index, platform::AccessibleItem &item) {
    if (!accessible || !openFlag || !ownerAlive())
        return false;
    KeepAlive keep(this);
    return accessible->accessibleItem(index, item);
}

bool CFrame::setAccessibleValue(int32_t index, const char *text) {
    if (!accessible || !openFlag || !ownerAlive() || mouseHeld)
        return false;
    KeepAlive keep(this);
    return accessible->setAccessibleValue(index, text);
}

bool CFrame::doAccessibleAction(int32_t index) {
    if (!accessible || !openFlag || !ownerAlive() || mouseHeld)
        return false;
    KeepAlive keep(this);
    return accessible->doAccessibleAction(index);
}

bool CFrame::focusAccessible(int32_t index) {
    if (!accessible || !openFlag || !ownerAlive())
        return false;
    KeepAlive keep(this);
    return accessible->focusAccessible(index);
}

} // namespace sorrel
