#include "editor/level_color.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sorrel {

CColor levelColor(float x) {
    // Any value a host may leave in a switch: NaN counts as 0, and the
    // conversion stays within range however large it is.
    const double scaled = std::isnan(x) ? 0.0 : std::clamp(double(x), -1e6, 1e6);
    const int64_t red = 45 + static_cast<int64_t>(std::trunc(150.0 * scaled + 0.5));
    return CColor(static_cast<uint8_t>(red & 0xff), 0, 0, 0);
}

} // namespace sorrel
