// The editor's pictures drawn at run time for every scale the module
// carries no stored picture of (1.25, 1.5, 1.75, 2.25, ... 4). The drawing
// is make_bitmaps.py's, step for step, so at 2x and 3x it gives exactly the
// stored pictures; a change to one is a change to both.
//
// A device pixel's center is taken back to logical coordinates for the
// logo's leaf and badge, so their outlines are as fine as the screen; the
// pixel-art parts (word mark, seeds, stem) cover their logical pixels'
// device areas, and an LED's colored row is a line round(scale) device
// pixels high, as the toolkit draws one-pixel lines.
#include "resources/paint_pictures.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace sorrel::gui {

namespace {

using raster::Pixel;
using raster::rgb;

constexpr int32_t kBackgroundId = 101;
constexpr int32_t kLedOnId = 102;
constexpr int32_t kLedOffId = 104;

constexpr int32_t kWidth = 710, kHeight = 167;
constexpr int32_t kLogoLeft = 0, kLogoTop = 124, kLogoRight = 63, kLogoBottom = 166;
constexpr int32_t kLedWidth = 3, kLedCount = 15;
constexpr double kPi = 3.141592653589793;

const Pixel kPanelGrey = rgb(51, 51, 51);
const Pixel kBlack = rgb(0, 0, 0);
const Pixel kLeafDark = rgb(62, 112, 52);
const Pixel kLeafLight = rgb(104, 160, 78);
const Pixel kRib = rgb(170, 212, 128);
const Pixel kStem = rgb(150, 70, 46);
const Pixel kSeed = rgb(186, 84, 52);
const Pixel kText = rgb(196, 196, 188);
const Pixel kBadge = rgb(40, 40, 40);
const Pixel kBadgeEdge = rgb(70, 70, 70);

Pixel ledColor(int32_t led, bool lit) {
    if (led < 3)
        return lit ? rgb(255, 0, 0) : rgb(156, 103, 103);
    if (led < 6)
        return lit ? rgb(255, 255, 0) : rgb(172, 167, 70);
    return lit ? rgb(0, 255, 0) : rgb(101, 154, 101);
}

// 3 x 5 capitals of the word mark.
const char *glyph(char c) {
    switch (c) {
    case 'S':
        return "111100111001111";
    case 'O':
        return "111101101101111";
    case 'R':
        return "110101110101101";
    case 'E':
        return "111100110100111";
    default:
        return "100100100100111"; // L
    }
}

// The badge as a region of the plane: the pixels 3..59 x 127..162 of the
// 1x picture, their corners rounded with the same radius.
bool insideBadge(double x, double y) {
    const double l = 2.5, t = 126.5, r = 59.5, b = 162.5, rad = 4.5;
    if (!(l <= x && x <= r && t <= y && y <= b))
        return false;
    const double cx = std::min(std::max(x, l + rad), r - rad);
    const double cy = std::min(std::max(y, t + rad), b - rad);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad;
}

// 0 outside, 1 leaf, 2 midrib, 3 stem, for a spear-shaped sorrel leaf whose
// axis runs from the stem at (12, 157) up to the tip at (24, 130).
int leafShape(double x, double y) {
    const double ax = 12.0, ay = 157.0, bx = 24.0, by = 130.0;
    const double dx = bx - ax, dy = by - ay;
    const double length = std::hypot(dx, dy);
    const double ux = dx / length, uy = dy / length;
    const double px = x + 0.5 - ax, py = y + 0.5 - ay;
    const double u = (px * ux + py * uy) / length;
    const double v = px * -uy + py * ux;
    if (0.18 <= u && u <= 1.0) {
        const double t = (u - 0.18) / 0.82;
        double half = 8.0 * std::pow(std::sin(kPi * std::pow(t, 0.75)), 0.9);
        if (t < 0.22)
            half = std::max(half, 7.5 * std::pow(1.0 - t / 0.22, 0.5) * (t > 0.02 ? 1.0 : 0.0));
        if (std::fabs(v) <= half)
            return std::fabs(v) < 0.75 && u < 0.92 ? 2 : 1;
    }
    if (0.0 <= u && u < 0.18 && std::fabs(v) < 0.8)
        return 3;
    return 0;
}

struct Painter {
    DeviceScale scale;
    raster::Surface &out;

    void fill(int32_t left, int32_t top, int32_t right, int32_t bottom, Pixel color) {
        for (int32_t y = std::max(top, 0); y < std::min(bottom, out.height()); ++y)
            for (int32_t x = std::max(left, 0); x < std::min(right, out.width()); ++x)
                out.set(x, y, color);
    }
    // Logical pixel (x, y)'s device area.
    void block(int32_t x, int32_t y, Pixel color) {
        fill(scale.device(x), scale.device(y), scale.device(x + 1), scale.device(y + 1), color);
    }

    void logo() {
        const double f = scale.factor();
        for (int32_t dy = scale.device(kLogoTop); dy < scale.device(kLogoBottom); ++dy) {
            const double y = (dy + 0.5) / f - 0.5;
            for (int32_t dx = scale.device(kLogoLeft); dx < scale.device(kLogoRight); ++dx) {
                const double x = (dx + 0.5) / f - 0.5;
                if (insideBadge(x, y)) {
                    const bool edge = !(insideBadge(x - 1, y) && insideBadge(x + 1, y) &&
                                        insideBadge(x, y - 1) && insideBadge(x, y + 1));
                    out.set(dx, dy, edge ? kBadgeEdge : kBadge);
                }
                const int s = leafShape(x, y);
                if (s == 1)
                    out.set(dx, dy, (x - 12) * 27 + (y - 157) * 12 < 0 ? kLeafLight : kLeafDark);
                else if (s == 2)
                    out.set(dx, dy, kRib);
                else if (s == 3)
                    out.set(dx, dy, kStem);
            }
        }
        // A seed spike beside the leaf, the reddish part of the plant.
        const int32_t seeds[6][2] = {{30, 133}, {31, 136}, {30, 139}, {31, 142}, {30, 145}, {31, 148}};
        for (const auto &seed : seeds) {
            block(seed[0], seed[1], kSeed);
            block(seed[0], seed[1] + 1, kSeed);
        }
        for (int32_t y = 134; y < 158; ++y)
            block(32, y, kStem);
        // Word mark, baseline at row 153.
        int32_t x0 = 35;
        for (const char c : {'S', 'O', 'R', 'R', 'E', 'L'}) {
            const char *bits = glyph(c);
            for (int32_t i = 0; i < 15; ++i)
                if (bits[i] == '1')
                    block(x0 + i % 3, 149 + i / 3, kText);
            x0 += 4;
        }
        for (int32_t x = 35; x < 58; ++x)
            block(x, 156, kSeed);
    }

    void ledStrip(bool lit) {
        fill(0, 0, out.width(), out.height(), kBlack);
        for (int32_t led = 0; led < kLedCount; ++led) {
            const int32_t top = scale.lineStart(2 * led);
            fill(0, top, out.width(), top + scale.lineWidth(), ledColor(led, lit));
        }
    }
};

bool allocate(int32_t width, int32_t height, Pixel fill, raster::Surface &out) {
    try {
        out = raster::Surface(width, height, fill);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace

bool paintEditorPicture(int32_t id, DeviceScale scale, raster::Surface &out) {
    if (id == kBackgroundId) {
        if (!allocate(scale.length(kWidth), scale.length(kHeight), kPanelGrey, out))
            return false;
        Painter{scale, out}.logo();
        return true;
    }
    if (id == kLedOnId || id == kLedOffId) {
        if (!allocate(scale.length(kLedWidth), scale.length(2 * kLedCount), kBlack, out))
            return false;
        Painter{scale, out}.ledStrip(id == kLedOnId);
        return true;
    }
    return false;
}

} // namespace sorrel::gui
