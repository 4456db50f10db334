// Colors and the toolkit's color constants.
#pragma once

#include <cstdint>

namespace sorrel {

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr CColor() = default;
    constexpr CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) : red(r), green(g), blue(b), alpha(a) {}

    // Alpha takes part: (0, 0, 0, 0) is not black.
    constexpr bool operator==(const CColor &o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    constexpr bool operator!=(const CColor &o) const { return !(*this == o); }

    // The platform color: red in the low byte, alpha ignored.
    constexpr uint32_t colorRef() const {
        return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
               static_cast<uint32_t>(blue) << 16;
    }
    constexpr bool sameRgb(const CColor &o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
};

// Alpha 0 marks the color that transparent bitmap copies leave out.
inline constexpr CColor TransparentColor{255, 255, 255, 0};
inline constexpr CColor BlackColor{0, 0, 0, 255};
inline constexpr CColor WhiteColor{255, 255, 255, 255};
inline constexpr CColor GreyColor{127, 127, 127, 255};
inline constexpr CColor RedColor{255, 0, 0, 255};
inline constexpr CColor GreenColor{0, 255, 0, 255};
inline constexpr CColor BlueColor{0, 0, 255, 255};
inline constexpr CColor YellowColor{255, 255, 0, 255};
inline constexpr CColor MagentaColor{255, 0, 255, 255};
inline constexpr CColor CyanColor{0, 255, 255, 255};

} // namespace sorrel
