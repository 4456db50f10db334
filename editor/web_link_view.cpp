#include "editor/web_link_view.h"

#include "gui/drawing/drawcontext.h"
#include "gui/platform/platform.h"

namespace sorrel {

WebLinkView::WebLinkView(const CRect &viewSize) : CView(viewSize) {}

void WebLinkView::mouse(CDrawContext *context, CPoint & /*where*/, int32_t buttons) {
    if (buttons == -1)
        buttons = context ? context->getMouseButtons() : 0;
    if (buttons == LeftButton)
        platform::openUrl(kHomePage);
}

} // namespace sorrel
