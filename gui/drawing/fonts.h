// The standard fonts and the style, mode and alignment constants of drawing.
#pragma once

#include <cstdint>

namespace sorrel {

enum CFontId : int32_t {
    SystemFont = 0,
    VeryBigFont,
    BigFont,
    NormalFont,
    SmallFont,
    SmallerFont,
    VerySmallFont,
    SymbolFont,
    // A context on which no font has been chosen yet.
    FontCount
};

enum CTxtFace : int32_t { StyleBold = 1, StyleItalic = 2, StyleUnderline = 4 };
enum CLineStyle : int32_t { LineSolid = 0, LineDotted = 1 };
// ModeAntialias draws as copy: nothing is ever anti-aliased.
enum CDrawMode : int32_t { ModeCopy = 0, ModeOr = 1, ModeXor = 2, ModeAntialias = 3 };
enum CDrawStyle : int32_t { Outline = 0, Filled = 1, FilledAndOutline = 2 };
enum CHoriTxtAlign : int32_t { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
enum CButton : int32_t {
    LeftButton = 1,
    MiddleButton = 2,
    RightButton = 4,
    ShiftKey = 8,
    ControlKey = 0x10,
    AltKey = 0x20
};

struct CFontInfo {
    const char *face;
    int32_t defaultHeight;
    // The system font is bold whatever style is asked for.
    bool alwaysBold;
    // Pitch and family byte: 0x22 variable pitch sans-serif, 0x50 decorative.
    uint8_t pitchAndFamily;
};

// The table entry of a font id; ids outside 0..7 fall back to SystemFont.
const CFontInfo &fontInfo(int32_t id);

} // namespace sorrel
