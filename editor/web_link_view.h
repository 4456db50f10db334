// The logo area: a left click asks the desktop to open the project's home
// page. The logo itself is part of the background picture.
#pragma once

#include "gui/views/view.h"

namespace sorrel {

// The one place the address lives.
inline constexpr const char *kHomePage = "https://sorrel.quillmark.example/";

class WebLinkView : public CView {
  public:
    explicit WebLinkView(const CRect &size);

    // Only a plain left click (no other button, no modifier) opens the page;
    // the browser starts on its own, the editor does not wait for it.
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
};

} // namespace sorrel
