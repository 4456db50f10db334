#include "editor/level_color.h"

#include "gui/control.h"

namespace sorrel {

CColor levelColor(float x) {
    const int64_t red = 45 + int64_t(truncToInt(150.0 * double(x) + 0.5));
    return CColor(static_cast<uint8_t>(red & 0xff), 0, 0, 0);
}

} // namespace sorrel
