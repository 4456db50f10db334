// The editor's fader: a slider with the toolkit's whole input behaviour
// (free-click drag, Shift for fine steps, Ctrl+click for the default, wheel
// and arrow keys) that draws itself without pictures: a grey panel with a
// black groove, a red bar growing up or down from the middle (0.5, the 0 dB
// of a gain), nine scale ticks at the left edge and a flat grey handle at the
// bar's free end. With the keyboard's focus it wears a white ring.
//
// Its keys, in steps of what a person reads (for a gain 0.5 dB, with Shift
// 0.1 dB, Page Up/Down 3 dB; for Q 0.05, 0.01 and 0.25): arrows, Page
// Up/Down, Home and End for the range's ends, Delete or Backspace for the
// default, Enter for the typed-value field. Each change is one edit.
#pragma once

#include "gui/controls/slider.h"

namespace sorrel {

// Who opens the field to type a fader's value in (the editor).
class ValueEntryOpener {
  public:
    virtual void openValueEntry(int32_t tag) = 0;

  protected:
    ~ValueEntryOpener() = default;
};

class BandSlider : public CSlider {
  public:
    // smoothEdges runs an edge-softening pass at the end of every drawing
    // (the editor leaves it off). The tag is the parameter's index. A
    // double click or Enter asks entry, when given, for the typing field.
    BandSlider(const CRect &size, ControlListener *listener, int32_t tag, bool smoothEdges,
               ValueEntryOpener *entry = nullptr);

    void draw(CDrawContext *context) override;
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
    int32_t onKeyDown(CKeyCode &key) override;

    // A value from elsewhere (the typing field) taken as the user's: one
    // edit, as a key press makes it.
    void applyValue(float newValue);
    // Where the handle's middle row is at value, in the frame's coordinates.
    int32_t handleRow() const;

    // How far the handle reaches above the bar's end; it reaches twice as
    // far below it.
    static constexpr int32_t kHandleHalfHeight = 3;

  private:
    bool smoothEdges;
    ValueEntryOpener *entry;
    // Set at every drawing, in the context's coordinates.
    CColor barColor;
    CRect grooveRect, barRect, scaleRect, handleRect, handleCoreRect;
    int32_t handleHalfHeight = kHandleHalfHeight;
};

// Softens the edges of what was drawn in rect (in the context's coordinates,
// both ends included): every pixel that differs from one of its four
// neighbours becomes the average of itself and them, row by row, so that
// pixels written earlier count as neighbours of later ones. Neighbours
// beyond rect's last column and row, or before its first, are the pixel
// itself. Only pixels inside the context's clip change. At a scale above 1
// the pass runs over the device pixels of rect's blocks.
void softenEdges(CDrawContext *context, const CRect &rect);

} // namespace sorrel
