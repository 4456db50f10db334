// The strip of captions under the faders: each fader's name centred in the
// ten rows below it, in small grey type.
#pragma once

#include "gui/view.h"

#include <memory>

namespace sorrel {

class EqualizerEditor;

class CaptionView : public CView {
  public:
    CaptionView(const CRect &size, EqualizerEditor *editor);

    void draw(CDrawContext *context) override;
    // The captions of the editor's controls whose caption box overlaps area.
    virtual void drawCaptions(CDrawContext *context, const CRect &area);

  private:
    EqualizerEditor *editor;
    // The strip may outlive its editor for as long as a call into the frame
    // still runs; it asks this before it reads the editor's controls.
    std::shared_ptr<const bool> editorAlive;
};

} // namespace sorrel
