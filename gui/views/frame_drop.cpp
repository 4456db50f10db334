// The frame's part in shell drag and drop: the drag's data as views see it,
// the window as a drop target, and the notifications handed to the view
// under the pointer.
#include "gui/views/frame.h"

#include "gui/drawing/drawcontext.h"
#include "gui/views/frame_calls.h"

namespace sorrel {

using gui::ContextRef;
using gui::KeepAlive;

// --- drag container ---------------------------------------------------------------

CDragContainer::CDragContainer(platform::DropData &data) { refresh(data); }

CDragContainer::~CDragContainer() = default;

void CDragContainer::refresh(platform::DropData &data) {
    isText = data.hasText();
    text.clear();
    files.clear();
    if (isText) {
        text = data.text();
        count = 1;
        return;
    }
    const int32_t n = data.fileCount();
    for (int32_t i = 0; i < n; ++i) {
        std::string path = data.file(i);
        if (path.empty())
            break;
        files.push_back(std::move(path));
    }
    count = static_cast<int32_t>(files.size());
}

int32_t CDragContainer::getItemType(int32_t) const { return isText ? DragText : DragFile; }

const void *CDragContainer::getFirstItem(int32_t &outSize, int32_t &type) {
    index = 0;
    return getNextItem(outSize, type);
}

const void *CDragContainer::getNextItem(int32_t &outSize, int32_t &type) {
    item.clear();
    outSize = 0;
    type = DragUnknown;
    if (isText) {
        if (index++ != 0)
            return nullptr;
        // The text with its terminating zero, as the shell's text block.
        item = text;
        outSize = static_cast<int32_t>(item.size() + 1);
        type = DragText;
        return item.c_str();
    }
    if (index < 0 || static_cast<size_t>(index) >= files.size())
        return nullptr;
    item = files[static_cast<size_t>(index++)];
    outSize = static_cast<int32_t>(item.size());
    type = DragFile;
    return item.c_str();
}

bool CFrame::setDropActive(bool active) {
    if (!dropActive && !active)
        return true;
    if (!windowUsable()) {
        dropActive = false;
        return false;
    }
    if (dropActive)
        platform::setDropTarget(window, false);
    dropActive = active && platform::setDropTarget(window, true);
    return dropActive == active;
}

void CFrame::endDrag() {
    if (CDragContainer *ending = drag) {
        drag = nullptr;
        ending->forget();
    }
}

// Each notification holds its own count of the drag: a view's handler may
// end it (the window destroyed under it, a new drag entering).
void CFrame::dragEnter(platform::DropData &data) {
    if (!openFlag || !windowUsable())
        return;
    KeepAlive keep(this);
    endDrag();
    drag = new CDragContainer(data);
    deliverDrag(DragEvent::Enter);
}

void CFrame::dragMove(platform::DropData &data) {
    if (!drag || !openFlag || !windowUsable())
        return;
    KeepAlive keep(this);
    drag->refresh(data);
    deliverDrag(DragEvent::Move);
}

void CFrame::dragLeave() {
    if (!drag)
        return;
    KeepAlive keep(this);
    if (openFlag && windowUsable())
        deliverDrag(DragEvent::Leave);
    endDrag();
}

void CFrame::drop(platform::DropData &data) {
    if (!drag)
        return;
    KeepAlive keep(this);
    if (openFlag && windowUsable()) {
        drag->refresh(data);
        deliverDrag(DragEvent::Drop);
    }
    endDrag();
}

void CFrame::deliverDrag(DragEvent event) {
    CDragContainer *current = drag;
    current->remember();
    ContextRef context(createDrawContext());
    CPoint where;
    getMouseLocation(context.get(), where);
    switch (event) {
    case DragEvent::Enter:
        onDragEnter(context.get(), current, where);
        break;
    case DragEvent::Move:
        onDragMove(context.get(), current, where);
        break;
    case DragEvent::Leave:
        onDragLeave(context.get(), current, where);
        break;
    case DragEvent::Drop:
        onDrop(context.get(), current, where);
        break;
    }
    present(context.get(), size);
    current->forget();
}

} // namespace sorrel
