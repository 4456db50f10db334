// The value readout: a small dark label with the value as a person reads
// it ("-3.6 dB", "Q 0.70"), shown beside a fader while it is dragged or
// while the pointer rests on it.
#pragma once

#include "editor/overlay_view.h"
#include "effect/parameters.h"

namespace sorrel {

class ReadoutView : public OverlayView {
  public:
    static constexpr int32_t kWidth = 44;
    static constexpr int32_t kHeight = 13;

    // Shows text at where (text is copied); an unchanged call draws nothing.
    void show(const CRect &where, const char *text);
    void draw(CDrawContext *context) override;
    const char *getText() const { return text; }

  private:
    char text[kReadableTextSize] = {};
};

// Where a label of width x height goes beside the fader at faderRect whose
// handle's middle is at row, inside bounds: right of it, or left where the
// right has no room, never over the fader itself.
CRect besideFader(const CRect &faderRect, int32_t row, int32_t width, int32_t height, const CRect &bounds);

} // namespace sorrel
