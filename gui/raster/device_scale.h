// How many device pixels a logical pixel covers: a factor in quarter steps
// from 1 to 4. Views lay themselves out in logical pixels; everything that
// meets the screen goes through the one rule here.
//
// A logical coordinate v lands on device coordinate round(v x factor)
// (halves up), so neighbouring rectangles share their device edges: no gap,
// no overlap. A device pixel maps back to the logical pixel whose device
// area holds it. At a whole factor both are plain multiplication and
// division. A one-pixel line is round(factor) device pixels across, at
// least 1, so lines look equally strong everywhere, centered on their
// logical pixel's device area.
#pragma once

#include <algorithm>
#include <cstdint>

namespace sorrel::raster {

class DeviceScale {
  public:
    static constexpr int32_t kMinQuarters = 4;  // 1x
    static constexpr int32_t kMaxQuarters = 16; // 4x
    static constexpr int32_t kSteps = kMaxQuarters - kMinQuarters + 1;

    constexpr DeviceScale() = default;
    // quarters / 4, kept to 1..4.
    static constexpr DeviceScale fromQuarters(int32_t quarters) {
        return DeviceScale(std::clamp(quarters, kMinQuarters, kMaxQuarters));
    }
    static constexpr DeviceScale whole(int32_t factor) { return fromQuarters(std::clamp(factor, 1, 4) * 4); }

    constexpr int32_t quarters() const { return q; }
    constexpr double factor() const { return q / 4.0; }
    constexpr bool isWhole() const { return q % 4 == 0; }
    // The factor rounded (halves up): 2 at 1.5.
    constexpr int32_t rounded() const { return (q + 2) / 4; }
    // Device pixels across a one-pixel line.
    constexpr int32_t lineWidth() const { return rounded(); }

    // Logical to device, kept within the renderer's range whatever a caller
    // passes.
    constexpr int32_t device(int64_t logical) const {
        const int64_t limit = int64_t(1) << 30;
        const int64_t v = std::clamp<int64_t>(logical, -limit, limit) * q + 2;
        return static_cast<int32_t>(std::clamp<int64_t>(floorDiv(v, 4), -limit, limit));
    }
    // Device to logical: the logical pixel whose device area holds pixel d.
    constexpr int32_t logical(int32_t d) const {
        return static_cast<int32_t>(floorDiv(int64_t(d) * 4 + 1, q));
    }
    // The first device row (or column) of a one-pixel line on logical row
    // (column) v: the line's lineWidth() pixels are centered on the exact
    // middle of v's device area, so the line holds the middle of its own
    // logical pixel and never the middle of a neighbour's.
    constexpr int32_t lineStart(int64_t v) const {
        const int64_t limit = int64_t(1) << 30;
        const int64_t c = std::clamp<int64_t>(v, -limit, limit);
        return static_cast<int32_t>(floorDiv((2 * c + 1) * q + 4 - 4 * int64_t(lineWidth()), 8));
    }
    // A logical length (from 0) in device pixels.
    constexpr int32_t length(int32_t logicalLength) const { return device(logicalLength); }

    constexpr bool operator==(const DeviceScale &o) const { return q == o.q; }
    constexpr bool operator!=(const DeviceScale &o) const { return q != o.q; }

  private:
    constexpr explicit DeviceScale(int32_t quarters) : q(quarters) {}
    static constexpr int64_t floorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

    int32_t q = 4;
};

} // namespace sorrel::raster

namespace sorrel {
using raster::DeviceScale;
}
