#include "gui/drawing/geometry.h"

#include <algorithm>

namespace sorrel {

CRect &CRect::setNormalized(int32_t a, int32_t b, int32_t c, int32_t d) {
    left = std::min(a, c);
    right = std::max(a, c);
    top = std::min(b, d);
    bottom = std::max(b, d);
    return *this;
}

CRect &CRect::intersectWith(const CRect &other) {
    left = std::max(left, other.left);
    top = std::max(top, other.top);
    right = std::min(right, other.right);
    bottom = std::min(bottom, other.bottom);
    if (bottom < top)
        bottom = top;
    if (right < left)
        right = left;
    return *this;
}

} // namespace sorrel
