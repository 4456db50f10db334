// Fonts and text. The font files are built into the library; stb_truetype
// only parses them (character map, metrics, glyph outlines). Outlines are
// scaled, flattened and rasterised here in integer arithmetic, so text looks
// the same on every target.
//
// Metrics: the font height is the em; ascent and descent are the face's
// rounded to whole pixels. Each glyph advance is rounded to whole pixels, a
// fraction up to 33/64 rounding down (small text sets tighter, roughly as
// hinted text does), and the glyph is scaled horizontally to fill exactly
// that advance, so glyphs start on whole pixels and a string is as wide as
// the sum of its advances.
#include "gui/raster/arith.h"
#include "gui/raster/raster.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
#pragma GCC diagnostic pop

extern const unsigned char sorrel_font_sans[];
extern const unsigned long sorrel_font_sans_size;
extern const unsigned char sorrel_font_sans_bold[];
extern const unsigned long sorrel_font_sans_bold_size;
extern const unsigned char sorrel_font_symbol[];
extern const unsigned long sorrel_font_symbol_size;

namespace sorrel::raster {

using namespace detail;

namespace {

constexpr int32_t kMaxHeight = 2048;
constexpr int32_t kSubRows = 16; // sample rows per pixel row
constexpr int32_t kOne = 256;    // fixed-point units per pixel
constexpr int32_t kSlantNum = 7; // italic slant 7/32 (about 12 degrees)
constexpr int32_t kSlantDen = 32;

struct FaceData {
    stbtt_fontinfo info{};
    bool ok = false;
    int32_t unitsPerEm = 2048;
    int32_t ascent = 0, descent = 0; // font units, descent positive
    int32_t underlinePosition = 0, underlineThickness = 0;

    explicit FaceData(const unsigned char *data) {
        if (!stbtt_InitFont(&info, data, stbtt_GetFontOffsetForIndex(data, 0)))
            return;
        ok = true;
        unitsPerEm = ttUSHORT(info.data + info.head + 18);
        if (unitsPerEm <= 0)
            unitsPerEm = 2048;
        int asc = 0, desc = 0, gap = 0;
        stbtt_GetFontVMetrics(&info, &asc, &desc, &gap);
        ascent = asc;
        descent = -desc;
        stbtt_uint32 post = stbtt__find_table(info.data, static_cast<stbtt_uint32>(info.fontstart), "post");
        if (post) {
            underlinePosition = ttSHORT(info.data + post + 8);
            underlineThickness = ttSHORT(info.data + post + 10);
        }
        if (underlineThickness <= 0)
            underlineThickness = unitsPerEm / 14;
        if (underlinePosition == 0)
            underlinePosition = -unitsPerEm / 10;
    }
};

enum FaceIndex { SansRegular, SansBold, SymbolFace };

const FaceData &faceData(const FontSpec &spec) {
    static const FaceData faces[3] = {FaceData(sorrel_font_sans), FaceData(sorrel_font_sans_bold),
                                      FaceData(sorrel_font_symbol)};
    if (spec.face == Face::Symbol)
        return faces[SymbolFace];
    return faces[spec.bold ? SansBold : SansRegular];
}

// n / d rounded to nearest, halves up, for d > 0.
int64_t roundDiv(int64_t n, int64_t d) {
    return floorDiv(2 * n + d, 2 * d);
}

// Windows-1252 bytes 0x80..0x9f; 0 marks the unassigned ones.
const uint16_t kCp1252High[32] = {0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
                                  0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017d, 0,
                                  0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
                                  0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};

// The Symbol character set: 0x20..0x7f and 0xa0..0xff. Codes that keep
// their ASCII meaning are stored as themselves.
const uint16_t kSymbolLow[96] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220b, 0x0028, 0x0029, 0x2217, 0x002b,
    0x002c, 0x2212, 0x002e, 0x002f, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003a, 0x003b, 0x003c, 0x003d, 0x003e, 0x003f, 0x2245, 0x0391, 0x0392, 0x03a7,
    0x0394, 0x0395, 0x03a6, 0x0393, 0x0397, 0x0399, 0x03d1, 0x039a, 0x039b, 0x039c, 0x039d, 0x039f,
    0x03a0, 0x0398, 0x03a1, 0x03a3, 0x03a4, 0x03a5, 0x03c2, 0x03a9, 0x039e, 0x03a8, 0x0396, 0x005b,
    0x2234, 0x005d, 0x22a5, 0x005f, 0x203e, 0x03b1, 0x03b2, 0x03c7, 0x03b4, 0x03b5, 0x03c6, 0x03b3,
    0x03b7, 0x03b9, 0x03d5, 0x03ba, 0x03bb, 0x03bc, 0x03bd, 0x03bf, 0x03c0, 0x03b8, 0x03c1, 0x03c3,
    0x03c4, 0x03c5, 0x03d6, 0x03c9, 0x03be, 0x03c8, 0x03b6, 0x007b, 0x007c, 0x007d, 0x223c, 0};
const uint16_t kSymbolHigh[96] = {
    0x20ac, 0x03d2, 0x2032, 0x2264, 0x2044, 0x221e, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00b0, 0x00b1, 0x2033, 0x2265, 0x00d7, 0x221d, 0x2202, 0x2022,
    0x00f7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23d0, 0x23af, 0x21b5, 0x2135, 0x2111, 0x211c, 0x2118,
    0x2297, 0x2295, 0x2205, 0x2229, 0x222a, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00ae, 0x00a9, 0x2122, 0x220f, 0x221a, 0x22c5, 0x00ac, 0x2227, 0x2228, 0x21d4,
    0x21d0, 0x21d1, 0x21d2, 0x21d3, 0x25ca, 0x2329, 0x00ae, 0x00a9, 0x2122, 0x2211, 0x239b, 0x239c,
    0x239d, 0x23a1, 0x23a2, 0x23a3, 0x23a7, 0x23a8, 0x23a9, 0x23aa, 0,      0x232a, 0x222b, 0x2320,
    0x23ae, 0x2321, 0x239e, 0x239f, 0x23a0, 0x23a4, 0x23a5, 0x23a6, 0x23ab, 0x23ac, 0x23ad, 0};

uint32_t codepoint(Face face, unsigned char c) {
    if (face == Face::Symbol) {
        if (c >= 0x20 && c < 0x80)
            return kSymbolLow[c - 0x20];
        if (c >= 0xa0)
            return kSymbolHigh[c - 0xa0];
        return c;
    }
    if (c >= 0x80 && c < 0xa0)
        return kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : c;
    return c;
}

struct Glyph {
    int index = 0;
    int32_t advanceUnits = 0;
    int32_t advance = 0; // whole pixels
};

Glyph glyphFor(const FaceData &face, const FontSpec &spec, unsigned char c) {
    Glyph g;
    if (!face.ok)
        return g;
    g.index = stbtt_FindGlyphIndex(&face.info, static_cast<int>(codepoint(spec.face, c)));
    int adv = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(&face.info, g.index, &adv, &lsb);
    g.advanceUnits = adv;
    if (adv > 0) {
        int64_t upem = face.unitsPerEm;
        int64_t px = ceilDiv(static_cast<int64_t>(adv) * spec.height * 64 - 33 * upem, 64 * upem);
        g.advance = static_cast<int32_t>(std::max<int64_t>(1, px));
    }
    return g;
}

struct Edge {
    int64_t x0, y0, x1, y1; // fixed point, y0 != y1
};

// Flattens a glyph outline into edges in fixed point (1/256 pixel), origin at
// (originX, baseline), y growing downwards.
void glyphEdges(const FaceData &face, const FontSpec &spec, const Glyph &g, int64_t originX, int64_t baseline,
                std::vector<Edge> &edges) {
    edges.clear();
    stbtt_vertex *v = nullptr;
    int n = stbtt_GetGlyphShape(&face.info, g.index, &v);
    if (n <= 0 || !v)
        return;
    int64_t upem = face.unitsPerEm, h = spec.height;
    // Horizontal scale: the glyph's rounded advance over its advance in font
    // units (the plain em scale for glyphs without advance).
    int64_t sxNum = g.advanceUnits > 0 ? g.advance : h;
    int64_t sxDen = g.advanceUnits > 0 ? g.advanceUnits : upem;
    auto px = [&](int64_t fx, int64_t fy) {
        int64_t x = roundDiv(fx * sxNum * kOne, sxDen);
        if (spec.italic)
            x += roundDiv(fy * h * kOne * kSlantNum, upem * kSlantDen);
        return originX + x;
    };
    auto py = [&](int64_t fy) { return baseline - roundDiv(fy * h * kOne, upem); };
    auto addLine = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        if (y0 != y1)
            edges.push_back({x0, y0, x1, y1});
    };
    int64_t cx = 0, cy = 0;         // current point, fixed point
    int64_t startX = 0, startY = 0; // contour start
    bool open = false;
    for (int i = 0; i < n; ++i) {
        int64_t x = px(v[i].x, v[i].y), y = py(v[i].y);
        switch (v[i].type) {
        case STBTT_vmove:
            if (open)
                addLine(cx, cy, startX, startY);
            startX = cx = x;
            startY = cy = y;
            open = true;
            break;
        case STBTT_vline:
            addLine(cx, cy, x, y);
            cx = x;
            cy = y;
            break;
        case STBTT_vcurve:
        case STBTT_vcubic: {
            int64_t c0x = px(v[i].cx, v[i].cy), c0y = py(v[i].cy);
            bool cubic = v[i].type == STBTT_vcubic;
            // A quadratic curve's vertex leaves the second control point
            // unset: read only for cubic ones.
            int64_t c1x = cubic ? px(v[i].cx1, v[i].cy1) : 0, c1y = cubic ? py(v[i].cy1) : 0;
            int64_t extent =
                std::max(std::abs(c0x - cx) + std::abs(x - c0x), std::abs(c0y - cy) + std::abs(y - c0y));
            int64_t steps = std::min<int64_t>(16, 1 + extent / (kOne * 2));
            int64_t px0 = cx, py0 = cy;
            for (int64_t s = 1; s <= steps; ++s) {
                int64_t t = s, u = steps - s, nx, ny;
                if (cubic) {
                    int64_t d = steps * steps * steps;
                    nx = roundDiv(u * u * u * cx + 3 * u * u * t * c0x + 3 * u * t * t * c1x + t * t * t * x,
                                  d);
                    ny = roundDiv(u * u * u * cy + 3 * u * u * t * c0y + 3 * u * t * t * c1y + t * t * t * y,
                                  d);
                } else {
                    int64_t d = steps * steps;
                    nx = roundDiv(u * u * cx + 2 * u * t * c0x + t * t * x, d);
                    ny = roundDiv(u * u * cy + 2 * u * t * c0y + t * t * y, d);
                }
                addLine(px0, py0, nx, ny);
                px0 = nx;
                py0 = ny;
            }
            cx = x;
            cy = y;
            break;
        }
        default:
            break;
        }
    }
    if (open)
        addLine(cx, cy, startX, startY);
    stbtt_FreeShape(&face.info, v);
}

// Coverage (0..255) of the nonzero-winding area of edges over the pixels of
// area, calling plot(x, y, coverage) for every pixel with coverage.
template <class Plot> void rasterise(const std::vector<Edge> &edges, const Rect &area, Plot plot) {
    if (edges.empty() || area.empty())
        return;
    int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
    for (const Edge &e : edges) {
        minX = std::min({minX, e.x0, e.x1});
        maxX = std::max({maxX, e.x0, e.x1});
        minY = std::min({minY, e.y0, e.y1});
        maxY = std::max({maxY, e.y0, e.y1});
    }
    int64_t left = std::max<int64_t>(area.left, floorDiv(minX, kOne));
    int64_t right = std::min<int64_t>(area.right, floorDiv(maxX, kOne) + 1);
    int64_t top = std::max<int64_t>(area.top, floorDiv(minY, kOne));
    int64_t bottom = std::min<int64_t>(area.bottom, floorDiv(maxY, kOne) + 1);
    if (left >= right || top >= bottom)
        return;
    std::vector<int32_t> acc(static_cast<size_t>(right - left));
    struct Crossing {
        int64_t x;
        int dir;
    };
    std::vector<Crossing> xs;
    for (int64_t row = top; row < bottom; ++row) {
        std::fill(acc.begin(), acc.end(), 0);
        for (int32_t s = 0; s < kSubRows; ++s) {
            int64_t sy = row * kOne + s * (kOne / kSubRows) + kOne / kSubRows / 2;
            xs.clear();
            for (const Edge &e : edges) {
                int64_t lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
                if (sy < lo || sy >= hi)
                    continue;
                // Crossing of the edge with the sample row.
                int64_t num = (sy - e.y0) * (e.x1 - e.x0), den = e.y1 - e.y0;
                if (den < 0) {
                    num = -num;
                    den = -den;
                }
                xs.push_back({e.x0 + floorDiv(num, den), e.y1 > e.y0 ? 1 : -1});
            }
            std::sort(xs.begin(), xs.end(), [](const Crossing &a, const Crossing &b) { return a.x < b.x; });
            int winding = 0;
            for (size_t i = 0; i + 1 < xs.size(); ++i) {
                winding += xs[i].dir;
                if (winding == 0)
                    continue;
                // Horizontal coverage of [xa, xb) in 1/256 pixel.
                int64_t xa = std::max(xs[i].x, left * kOne), xb = std::min(xs[i + 1].x, right * kOne);
                for (int64_t p = floorDiv(xa, kOne); xa < xb; ++p) {
                    int64_t end = std::min(xb, (p + 1) * kOne);
                    acc[static_cast<size_t>(p - left)] += static_cast<int32_t>(end - xa);
                    xa = end;
                }
            }
        }
        for (int64_t x = left; x < right; ++x) {
            int32_t a = acc[static_cast<size_t>(x - left)];
            if (a > 0)
                plot(static_cast<int32_t>(x), static_cast<int32_t>(row),
                     static_cast<unsigned>((a * 255 + kSubRows * kOne / 2) / (kSubRows * kOne)));
        }
    }
}

Pixel blend(Pixel under, Pixel over, unsigned a) {
    unsigned na = 255 - a;
    return rgb((red(over) * a + red(under) * na + 127) / 255,
               (green(over) * a + green(under) * na + 127) / 255,
               (blue(over) * a + blue(under) * na + 127) / 255);
}

} // namespace

Face faceFromName(const char *name) {
    static const char symbol[] = "symbol";
    if (!name)
        return Face::Sans;
    size_t i = 0;
    for (; name[i] && i < sizeof(symbol) - 1; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != symbol[i])
            return Face::Sans;
    return (i == sizeof(symbol) - 1 && name[i] == 0) ? Face::Symbol : Face::Sans;
}

Font::Font(const FontSpec &spec) : fontSpec(spec) {
    fontSpec.height = std::max<int32_t>(1, std::min(kMaxHeight, spec.height));
    const FaceData &face = faceData(fontSpec);
    int64_t upem = face.unitsPerEm;
    cellAscent = static_cast<int32_t>(roundDiv(static_cast<int64_t>(face.ascent) * fontSpec.height, upem));
    cellDescent = static_cast<int32_t>(roundDiv(static_cast<int64_t>(face.descent) * fontSpec.height, upem));
}

bool Font::operator==(const Font &o) const {
    return fontSpec.face == o.fontSpec.face && fontSpec.height == o.fontSpec.height &&
           fontSpec.bold == o.fontSpec.bold && fontSpec.italic == o.fontSpec.italic &&
           fontSpec.underline == o.fontSpec.underline;
}

int32_t Font::textWidth(const char *text, size_t length) const {
    if (!text)
        return 0;
    const FaceData &face = faceData(fontSpec);
    int64_t width = 0;
    for (size_t i = 0; i < length; ++i)
        width += glyphFor(face, fontSpec, static_cast<unsigned char>(text[i])).advance;
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

int32_t Font::textWidth(const char *text) const {
    return text ? textWidth(text, std::strlen(text)) : 0;
}

void Canvas::drawText(const char *text, const Rect &r, Align align) {
    if (text)
        drawText(text, std::strlen(text), r, align);
    else
        lastDrawnCell = Rect{};
}

void Canvas::drawText(const char *text, size_t length, const Rect &r, Align align) {
    noThrow([&] {
        lastDrawnCell = Rect{};
        if (!text)
            return;
        const FontSpec &spec = selectedFont.spec();
        int64_t width = selectedFont.textWidth(text, length);
        int64_t height = selectedFont.height();
        int64_t x = r.left;
        if (align == Align::Center)
            x = r.left + (static_cast<int64_t>(r.right) - r.left - width) / 2;
        else if (align == Align::Right)
            x = r.right - width;
        int64_t y = r.top + (static_cast<int64_t>(r.bottom) - r.top - height) / 2;
        lastDrawnCell = {clampCoord(x), clampCoord(y), clampCoord(x + width), clampCoord(y + height)};
        Rect visible = intersect(r, effectiveClip());
        if (visible.empty())
            return;
        if (backgroundOpaque) {
            Rect cell = intersect(lastDrawnCell, visible);
            for (int32_t row = cell.top; row < cell.bottom; ++row)
                std::fill(targetSurface->row(row) + cell.left, targetSurface->row(row) + cell.right,
                          currentBackColor);
        }
        const FaceData &face = faceData(spec);
        if (!face.ok)
            return;
        int64_t baseline = y + selectedFont.ascent();
        std::vector<Edge> edges;
        Surface &s = *targetSurface;
        Pixel color = currentTextColor;
        int64_t pen = x;
        for (size_t i = 0; i < length && pen < visible.right; ++i) {
            Glyph g = glyphFor(face, spec, static_cast<unsigned char>(text[i]));
            // Glyphs reach at most one em beyond their advance (italic slant,
            // overhanging accents); skip the ones that cannot touch the visible part.
            if (pen + g.advance + spec.height >= visible.left) {
                glyphEdges(face, spec, g, pen * kOne, baseline * kOne, edges);
                rasterise(edges, visible, [&](int32_t px, int32_t py, unsigned a) {
                    Pixel *p = s.row(py) + px;
                    *p = blend(colorOf(*p), color, a);
                });
            }
            pen += g.advance;
        }
        if (spec.underline) {
            int64_t upem = face.unitsPerEm, h = spec.height;
            int64_t thickness = std::max<int64_t>(1, roundDiv(face.underlineThickness * h, upem));
            int64_t top =
                baseline + floorDiv(2 * -face.underlinePosition * h - thickness * upem + upem, 2 * upem);
            Rect line = intersect(
                Rect{clampCoord(x), clampCoord(top), clampCoord(x + width), clampCoord(top + thickness)},
                visible);
            for (int32_t row = line.top; row < line.bottom; ++row)
                std::fill(s.row(row) + line.left, s.row(row) + line.right, color);
        }
    });
}

} // namespace sorrel::raster
