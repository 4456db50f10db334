// The strip of captions under the faders: each fader's name centered in the
// ten rows below it, in small grey type.
#pragma once

#include "editor/layout.h"
#include "gui/views/view.h"

namespace sorrel {

class CaptionView : public CView {
  public:
    // The captions go under the controls' places in places.
    CaptionView(const CRect &size, const layout::EditorLayout &places);

    void draw(CDrawContext *context) override;
    // The captions whose caption box overlaps area.
    virtual void drawCaptions(CDrawContext *context, const CRect &area);

  private:
    CRect boxes[layout::kNumControls];
};

} // namespace sorrel
