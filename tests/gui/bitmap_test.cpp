#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/offscreen.h"
#include "gui/drawing/resources.h"

#include "scripted_environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace sorrel {

namespace {

using raster::rgb;

constexpr raster::Pixel kPaper = rgb(16, 32, 48);

raster::Pixel at(const raster::Surface &s, int32_t x, int32_t y) {
    return raster::colorOf(s.get(x, y));
}

TEST(Resources, TheLedStripsHoldFifteenLedsOfTwoRows) {
    const raster::Pixel lit[] = {rgb(255, 0, 0), rgb(255, 255, 0), rgb(0, 255, 0)};
    const raster::Pixel unlit[] = {rgb(156, 103, 103), rgb(172, 167, 70), rgb(101, 154, 101)};
    struct Case {
        int32_t id;
        const raster::Pixel *colors;
    } cases[] = {{102, lit}, {104, unlit}};
    for (const Case &c : cases) {
        CBitmap *strip = new CBitmap(c.id);
        ASSERT_TRUE(strip->isLoaded()) << c.id;
        EXPECT_EQ(strip->getWidth(), 3);
        EXPECT_EQ(strip->getHeight(), 30);
        EXPECT_EQ(strip->getResourceId(), c.id);
        EXPECT_EQ(strip->getTransparentColor(), TransparentColor);
        for (int32_t led = 0; led < 15; led++) {
            const raster::Pixel color = c.colors[led < 3 ? 0 : led < 6 ? 1 : 2];
            for (int32_t x = 0; x < 3; x++) {
                EXPECT_EQ(at(*strip->getHandle(), x, 2 * led), color) << c.id << " led " << led;
                EXPECT_EQ(at(*strip->getHandle(), x, 2 * led + 1), 0u) << c.id << " led " << led;
            }
        }
        strip->forget();
    }
}

TEST(Resources, TheBackgroundIsPanelGreyWithTheLogoInItsCorner) {
    CBitmap background(101);
    ASSERT_EQ(background.getWidth(), 710);
    ASSERT_EQ(background.getHeight(), 167);
    const raster::Surface &s = *background.getHandle();
    int logoPixels = 0;
    for (int32_t y = 0; y < 167; y++)
        for (int32_t x = 0; x < 710; x++) {
            const bool inLogoArea = x < 63 && y >= 124 && y < 166;
            if (!inLogoArea)
                ASSERT_EQ(at(s, x, y), rgb(51, 51, 51)) << x << "," << y;
            else
                logoPixels += at(s, x, y) != rgb(51, 51, 51);
        }
    EXPECT_GT(logoPixels, 500);
}

TEST(Resources, MissingIdsGiveAnEmptyBitmapThatDrawsNothing) {
    ScriptedEnvironment env;
    for (int32_t id : {0, -1, 100, 103, 105, 0x7fffffff}) {
        EXPECT_EQ(gui::findBitmapResource(id).data, nullptr) << id;
        CBitmap missing(id);
        EXPECT_FALSE(missing.isLoaded());
        EXPECT_EQ(missing.getWidth(), 0);
        EXPECT_EQ(missing.getHeight(), 0);
        raster::Surface surface(20, 20, kPaper);
        raster::Canvas canvas(&surface);
        CDrawContext ctx(nullptr, &canvas, nullptr);
        missing.draw(&ctx, CRect(0, 0, 20, 20));
        missing.drawTransparent(&ctx, CRect(0, 0, 20, 20));
        missing.drawAlphaBlend(&ctx, CRect(0, 0, 20, 20), CPoint(0, 0), 255);
        for (int32_t y = 0; y < 20; y++)
            for (int32_t x = 0; x < 20; x++)
                ASSERT_EQ(at(surface, x, y), kPaper);
    }
}

TEST(Resources, WithoutModuleResourcesTheEmbeddedCopiesServe) {
    // The headless window system has no module resources.
    const gui::ResourceOrigin expected = gui::ResourceOrigin::Embedded;
    for (int32_t id : {101, 102, 104})
        EXPECT_EQ(gui::findBitmapResource(id).origin, expected) << id;
}

TEST(Bitmap, LoadingAgainDisposingAndPaths) {
    CBitmap bitmap(102);
    EXPECT_FALSE(bitmap.loadFromResource(103));
    EXPECT_FALSE(bitmap.isLoaded());
    EXPECT_TRUE(bitmap.loadFromResource(101));
    EXPECT_EQ(bitmap.getWidth(), 710);
    bitmap.dispose();
    EXPECT_EQ(bitmap.getWidth(), 0);
    EXPECT_EQ(bitmap.getHandle(), nullptr);
    EXPECT_TRUE(bitmap.loadFromResource(104));
    EXPECT_FALSE(bitmap.loadFromPath("led_off.bmp"));
    EXPECT_FALSE(bitmap.isLoaded());
    EXPECT_FALSE(CBitmap().isLoaded());
    for (const CPoint &size : {CPoint(0, 5), CPoint(5, -1), CPoint(1 << 20, 1 << 20)}) {
        CBitmap blank(nullptr, size.x, size.y);
        EXPECT_FALSE(blank.isLoaded()) << size.x << "x" << size.y;
        EXPECT_EQ(blank.getWidth(), 0);
    }
    CBitmap blank(nullptr, 4, 3);
    EXPECT_TRUE(blank.isLoaded());
    EXPECT_EQ(blank.getWidth(), 4);
    EXPECT_EQ(blank.getHeight(), 3);
}

// --- packed bitmaps --------------------------------------------------------------

struct Dib {
    std::vector<uint8_t> bytes;
    void u16(uint16_t v) {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
};

Dib makeDib(int32_t w, int32_t h, uint16_t bits, const std::vector<uint32_t> &palette,
            const std::vector<std::vector<uint8_t>> &rows, uint32_t compression = 0) {
    Dib d;
    d.u32(40);
    d.u32(uint32_t(w));
    d.u32(uint32_t(h));
    d.u16(1);
    d.u16(bits);
    d.u32(compression);
    d.u32(0);
    d.u32(2835);
    d.u32(2835);
    d.u32(uint32_t(palette.size()));
    d.u32(0);
    for (uint32_t c : palette)
        d.u32(c); // 0x00RRGGBB is blue, green, red, 0 in memory
    for (const auto &row : rows) {
        d.bytes.insert(d.bytes.end(), row.begin(), row.end());
        while ((d.bytes.size() - 40 - palette.size() * 4) % 4)
            d.bytes.push_back(0);
    }
    return d;
}

TEST(PackedBitmap, DecodesTheUncompressedDepthsBothWaysUp) {
    struct Case {
        const char *what;
        Dib dib;
        raster::Pixel topLeft, topRight, bottomLeft;
    } cases[] = {
        {"24 bits bottom-up", makeDib(2, 2, 24, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}),
         rgb(9, 8, 7), rgb(12, 11, 10), rgb(3, 2, 1)},
        {"24 bits top-down", makeDib(2, -2, 24, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}),
         rgb(3, 2, 1), rgb(6, 5, 4), rgb(9, 8, 7)},
        {"32 bits", makeDib(2, 2, 32, {}, {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}}),
         rgb(9, 8, 7), rgb(12, 11, 10), rgb(3, 2, 1)},
        {"8 bits", makeDib(2, 2, 8, {0x112233, 0x445566}, {{0, 1}, {1, 0}}), 0x445566, 0x112233, 0x112233},
        {"4 bits", makeDib(2, 2, 4, {0x112233, 0x445566}, {{0x01}, {0x10}}), 0x445566, 0x112233, 0x112233},
        {"1 bit", makeDib(2, 2, 1, {0x000000, 0xffffff}, {{0x40}, {0x80}}), 0xffffff, 0, 0},
    };
    for (const Case &c : cases) {
        raster::Surface s;
        ASSERT_TRUE(gui::decodePackedBitmap(c.dib.bytes.data(), c.dib.bytes.size(), s)) << c.what;
        EXPECT_EQ(s.width(), 2) << c.what;
        EXPECT_EQ(s.height(), 2) << c.what;
        EXPECT_EQ(at(s, 0, 0), c.topLeft) << c.what;
        EXPECT_EQ(at(s, 1, 0), c.topRight) << c.what;
        EXPECT_EQ(at(s, 0, 1), c.bottomLeft) << c.what;
    }
}

TEST(PackedBitmap, RefusesMalformedData) {
    const std::vector<std::vector<uint8_t>> rows2x2 = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    std::vector<std::pair<const char *, Dib>> cases;
    cases.emplace_back("zero width", makeDib(0, 2, 24, {}, rows2x2));
    cases.emplace_back("zero height", makeDib(2, 0, 24, {}, rows2x2));
    cases.emplace_back("negative width", makeDib(-2, 2, 24, {}, rows2x2));
    cases.emplace_back("most negative height", makeDib(2, INT32_MIN, 24, {}, rows2x2));
    cases.emplace_back("huge", makeDib(1 << 16, 1 << 16, 24, {}, rows2x2));
    cases.emplace_back("pixels missing", makeDib(2, 3, 24, {}, rows2x2));
    cases.emplace_back("16 bits", makeDib(2, 2, 16, {}, rows2x2));
    cases.emplace_back("run-length", makeDib(2, 2, 24, {}, rows2x2, 1));
    Dib badHeader = makeDib(2, 2, 24, {}, rows2x2);
    badHeader.bytes[0] = 200;
    cases.emplace_back("header past the end", badHeader);
    Dib shortHeader = makeDib(2, 2, 24, {}, rows2x2);
    shortHeader.bytes[0] = 12;
    cases.emplace_back("old core header", shortHeader);
    Dib planes = makeDib(2, 2, 24, {}, rows2x2);
    planes.bytes[12] = 2;
    cases.emplace_back("two planes", planes);
    Dib palette = makeDib(2, 2, 8, {1, 2}, {{0, 1}, {1, 0}});
    palette.bytes.resize(40 + 4);
    cases.emplace_back("palette cut", palette);
    for (const auto &c : cases) {
        raster::Surface s(1, 1, 7);
        EXPECT_FALSE(gui::decodePackedBitmap(c.second.bytes.data(), c.second.bytes.size(), s))
            << c.first;
        EXPECT_EQ(s.width(), 1) << c.first;
        EXPECT_EQ(s.get(0, 0), 7u) << c.first;
        // Every shorter prefix fails as well, without reading past it.
        for (size_t n = 0; n < c.second.bytes.size(); n += 7) {
            std::vector<uint8_t> prefix(c.second.bytes.begin(), c.second.bytes.begin() + n);
            EXPECT_FALSE(gui::decodePackedBitmap(prefix.data(), prefix.size(), s)) << c.first << n;
        }
    }
    raster::Surface s;
    EXPECT_FALSE(gui::decodePackedBitmap(nullptr, 100, s));
    // Palette indices beyond the table leave the pixel black.
    Dib shortPalette = makeDib(2, 1, 8, {0x123456}, {{0, 9}});
    ASSERT_TRUE(gui::decodePackedBitmap(shortPalette.bytes.data(), shortPalette.bytes.size(), s));
    EXPECT_EQ(at(s, 0, 0), 0x123456u);
    EXPECT_EQ(at(s, 1, 0), 0u);
}

// --- drawing bitmaps ---------------------------------------------------------------

struct Target {
    raster::Surface surface{40, 40, kPaper};
    raster::Canvas canvas{&surface};
    CDrawContext *ctx = new CDrawContext(nullptr, &canvas, nullptr);
    ~Target() { ctx->forget(); }
};

// A 3 x 60 strip of two frames drawn through an off-screen context that
// draws into the bitmap itself: the first frame red, the second blue.
CBitmap *twoFrameStrip() {
    CBitmap *strip = new CBitmap(nullptr, 3, 60);
    COffscreenContext *painter = new COffscreenContext(nullptr, strip, true);
    painter->setFillColor(RedColor);
    painter->drawRect(CRect(0, 0, 3, 30), Filled);
    painter->setFillColor(BlueColor);
    painter->drawRect(CRect(0, 30, 3, 60), Filled);
    painter->forget();
    return strip;
}

TEST(Bitmap, DrawPicksTheFrameByOffsetAndHonoursTheContextOffset) {
    ScriptedEnvironment env;
    CBitmap *strip = twoFrameStrip();
    struct Case {
        CPoint frameOffset;
        CPoint contextOffset;
        raster::Pixel color;
    } cases[] = {
        {{0, 0}, {0, 0}, rgb(255, 0, 0)},
        {{0, 30}, {0, 0}, rgb(0, 0, 255)},
        {{0, 30}, {7, 2}, rgb(0, 0, 255)},
    };
    for (const Case &c : cases) {
        Target t;
        t.ctx->setOffset(c.contextOffset);
        strip->draw(t.ctx, CRect(10, 5, 13, 35), c.frameOffset);
        for (int32_t y = 0; y < 40; y++)
            for (int32_t x = 0; x < 40; x++) {
                const bool inside = x >= 10 + c.contextOffset.x && x < 13 + c.contextOffset.x &&
                                    y >= 5 + c.contextOffset.y && y < 35 + c.contextOffset.y;
                ASSERT_EQ(at(t.surface, x, y), inside ? c.color : kPaper) << x << "," << y;
            }
    }
    strip->forget();
}

// A 6 x 6 picture: magenta everywhere except a green cross; the
// transparent color is magenta.
CBitmap *crossOnMagenta() {
    CBitmap *bitmap = new CBitmap(nullptr, 6, 6);
    raster::Surface &s = *bitmap->getHandle();
    for (int32_t y = 0; y < 6; y++)
        for (int32_t x = 0; x < 6; x++)
            s.set(x, y, (x == 2 || y == 3) ? rgb(0, 255, 0) : rgb(255, 0, 255));
    s.set(5, 5, rgb(255, 0, 254)); // near magenta is not magenta
    bitmap->setTransparentColor(CColor(255, 0, 255, 0));
    return bitmap;
}

TEST(Bitmap, EveryTransparentPathKeysOutTheSamePixels) {
    ScriptedEnvironment env;
    struct Block {
        CRect rect;
        CPoint offset;
    } blocks[] = {
        {{10, 10, 16, 16}, {0, 0}},   {{10, 10, 14, 13}, {2, 3}},
        {{10, 10, 30, 30}, {0, 0}},   // larger than the bitmap
        {{10, 10, 16, 16}, {-2, -1}}, // starting before it
        {{-3, -2, 3, 4}, {0, 0}},     // over the destination's corner
    };
    enum Path { Mask, Keyed, OnTheFly };
    for (const Block &b : blocks) {
        std::vector<raster::Surface> results;
        for (Path path : {Mask, Keyed, OnTheFly}) {
            CBitmap *bitmap = crossOnMagenta();
            if (path == Mask) {
                // The mask comes from a context showing the bitmap.
                COffscreenContext *shown = new COffscreenContext(nullptr, 6, 6, WhiteColor);
                bitmap->draw(shown, CRect(0, 0, 6, 6));
                bitmap->setTransparencyMask(shown, CPoint(0, 0));
                shown->forget();
                ASSERT_TRUE(bitmap->hasTransparencyMask());
            }
            gui::setKeyedCopyAvailable(path == Keyed);
            Target t;
            // A two-colored destination so that leaving it alone shows.
            for (int32_t y = 0; y < 40; y++)
                for (int32_t x = 0; x < 40; x++)
                    t.surface.set(x, y, (x + y) % 2 ? rgb(10, 20, 30) : rgb(200, 100, 50));
            bitmap->drawTransparent(t.ctx, b.rect, b.offset);
            results.push_back(t.surface);
            bitmap->forget();
        }
        gui::setKeyedCopyAvailable(true);
        // Expected: bitmap pixels that are not magenta land, all else stays.
        raster::Surface expected(40, 40);
        for (int32_t y = 0; y < 40; y++)
            for (int32_t x = 0; x < 40; x++) {
                raster::Pixel p = (x + y) % 2 ? rgb(10, 20, 30) : rgb(200, 100, 50);
                const int32_t bx = x - b.rect.left + b.offset.x, by = y - b.rect.top + b.offset.y;
                const bool inBlock =
                    x >= b.rect.left && x < b.rect.right && y >= b.rect.top && y < b.rect.bottom;
                if (inBlock && bx >= 0 && bx < 6 && by >= 0 && by < 6) {
                    if (bx == 2 || by == 3)
                        p = rgb(0, 255, 0);
                    else if (bx == 5 && by == 5)
                        p = rgb(255, 0, 254);
                }
                expected.set(x, y, p);
            }
        const char *names[] = {"mask", "keyed", "mask on the fly"};
        for (size_t i = 0; i < results.size(); i++)
            for (int32_t y = 0; y < 40; y++)
                for (int32_t x = 0; x < 40; x++)
                    ASSERT_EQ(at(results[i], x, y), at(expected, x, y))
                        << names[i] << " block " << b.rect.left << "," << b.rect.top << " offset "
                        << b.offset.x << "," << b.offset.y << " pixel " << x << "," << y;
    }
}

TEST(Bitmap, ConstantOpacityBlend) {
    ScriptedEnvironment env;
    struct Case {
        uint8_t alpha;
        raster::Pixel source, destination, expected;
    } cases[] = {
        {255, rgb(200, 100, 0), rgb(0, 50, 255), rgb(200, 100, 0)},
        {0, rgb(200, 100, 0), rgb(0, 50, 255), rgb(0, 50, 255)},
        // (s * a + d * (255 - a) + 127) / 255 per channel
        {128, rgb(200, 100, 0), rgb(0, 50, 255), rgb(100, 75, 127)},
        {1, rgb(255, 255, 255), rgb(0, 0, 0), rgb(1, 1, 1)},
        {64, rgb(255, 0, 10), rgb(0, 255, 20), rgb(64, 191, 17)},
    };
    for (const Case &c : cases) {
        CBitmap bitmap(nullptr, 2, 2);
        bitmap.getHandle()->fill(c.source);
        Target t;
        t.surface.fill(c.destination);
        t.ctx->setOffset(CPoint(3, 4));
        bitmap.drawAlphaBlend(t.ctx, CRect(0, 0, 2, 2), CPoint(0, 0), c.alpha);
        EXPECT_EQ(at(t.surface, 3, 4), c.expected) << int(c.alpha);
        EXPECT_EQ(at(t.surface, 4, 5), c.expected) << int(c.alpha);
        EXPECT_EQ(at(t.surface, 5, 5), c.destination) << int(c.alpha);
        EXPECT_EQ(at(t.surface, 2, 4), c.destination) << int(c.alpha);
    }
}

// --- off-screen contexts ----------------------------------------------------------

TEST(Offscreen, TheBackgroundColorCoversTheWholeSurfaceBorderIncluded) {
    ScriptedEnvironment env;
    struct Case {
        int32_t width, height;
        CColor color;
    } cases[] = {
        {3, 30, WhiteColor}, {1, 1, WhiteColor}, {2, 2, RedColor}, {16, 106, CColor(51, 51, 51, 0)},
        {5, 4, BlackColor},
    };
    for (const Case &c : cases) {
        COffscreenContext *off = new COffscreenContext(nullptr, c.width, c.height, c.color);
        ASSERT_NE(off->getSurface(), nullptr);
        EXPECT_EQ(off->getSurface()->width(), c.width);
        EXPECT_EQ(off->getSurface()->height(), c.height);
        EXPECT_EQ(off->getClipRect(), CRect(0, 0, c.width, c.height));
        EXPECT_EQ(off->getBackgroundColor(), c.color);
        const raster::Pixel want = rgb(c.color.red, c.color.green, c.color.blue);
        for (int32_t y = 0; y < c.height; y++)
            for (int32_t x = 0; x < c.width; x++)
                ASSERT_EQ(at(*off->getSurface(), x, y), want)
                    << c.width << "x" << c.height << " " << x << "," << y;
        off->forget();
    }
    // Sizes that cannot be made leave a context that draws nothing.
    for (const CPoint &size : {CPoint(0, 10), CPoint(-4, 4), CPoint(1 << 20, 1 << 20)}) {
        COffscreenContext *off = new COffscreenContext(nullptr, size.x, size.y, WhiteColor);
        EXPECT_EQ(off->getSurface(), nullptr);
        off->drawRect(CRect(0, 0, 10, 10), FilledAndOutline);
        off->forget();
    }
}

TEST(Offscreen, CopiesInAndOutWithTheOffsetsOfTheOtherContext) {
    ScriptedEnvironment env;
    raster::Surface window(300, 200, kPaper);
    raster::Canvas canvas(&window);
    CDrawContext *target = new CDrawContext(nullptr, &canvas, nullptr);

    COffscreenContext *off = new COffscreenContext(nullptr, 20, 10, WhiteColor);
    off->drawPoint(CPoint(4, 3), RedColor);
    // The block at (2, 1) of the surface, of 10 x 5, to (5, 6, 15, 11) of a
    // target whose offset is (100, 50).
    target->setOffset(CPoint(100, 50));
    off->copyToContext(target, CRect(5, 6, 15, 11), CPoint(2, 1));
    for (int32_t y = 0; y < 200; y++)
        for (int32_t x = 0; x < 300; x++) {
            const bool inside = x >= 105 && x < 115 && y >= 56 && y < 61;
            raster::Pixel want = inside ? rgb(255, 255, 255) : kPaper;
            if (x == 107 && y == 58)
                want = rgb(255, 0, 0);
            ASSERT_EQ(at(window, x, y), want) << x << "," << y;
        }

    // And back: the block (7, 8, 9, 9) of the target (moved by its offset)
    // to (0, 0) of a fresh surface.
    COffscreenContext *back = new COffscreenContext(nullptr, 4, 4, BlackColor);
    back->copyFromContext(target, CRect(7, 8, 9, 9), CPoint(1, 2));
    EXPECT_EQ(at(*back->getSurface(), 1, 2), rgb(255, 0, 0));
    EXPECT_EQ(at(*back->getSurface(), 2, 2), rgb(255, 255, 255));
    EXPECT_EQ(at(*back->getSurface(), 0, 2), 0u);
    EXPECT_EQ(at(*back->getSurface(), 1, 3), 0u);
    back->forget();
    off->forget();
    target->forget();
}

TEST(Offscreen, MadeFromABitmapOrFromNothing) {
    ScriptedEnvironment env;
    CBitmap *strip = new CBitmap(102);
    COffscreenContext *copy = new COffscreenContext(nullptr, strip, false);
    EXPECT_EQ(copy->getWidth(), 3);
    EXPECT_EQ(copy->getHeight(), 30);
    EXPECT_EQ(at(*copy->getSurface(), 0, 0), rgb(255, 0, 0));
    EXPECT_EQ(at(*copy->getSurface(), 2, 28), rgb(0, 255, 0));
    // Drawing on the copy leaves the bitmap alone.
    copy->setFillColor(BlueColor);
    copy->drawRect(CRect(0, 0, 3, 30), Filled);
    EXPECT_EQ(at(*strip->getHandle(), 0, 0), rgb(255, 0, 0));
    EXPECT_EQ(copy->getBackgroundBitmap(), strip);
    copy->forget();

    COffscreenContext *blank = new COffscreenContext(nullptr, nullptr, false);
    EXPECT_EQ(blank->getWidth(), 20);
    EXPECT_EQ(blank->getHeight(), 20);
    for (int32_t y = 0; y < 20; y++)
        for (int32_t x = 0; x < 20; x++)
            ASSERT_EQ(at(*blank->getSurface(), x, y), 0u);
    blank->forget();
    // The bitmap was neither remembered nor forgotten.
    EXPECT_EQ(strip->getNbReference(), 1);

    // Drawing into the bitmap itself, which is disposed meanwhile: the
    // context keeps drawing into the image it has selected.
    COffscreenContext *into = new COffscreenContext(nullptr, strip, true);
    strip->dispose();
    into->setFillColor(BlueColor);
    into->drawRect(CRect(0, 0, 3, 30), Filled);
    EXPECT_EQ(at(*into->getSurface(), 1, 1), rgb(0, 0, 255));
    EXPECT_FALSE(strip->isLoaded());
    into->forget();
    strip->forget();
}

} // namespace

namespace {

// The pictures drawn for scales 2 and 3 are the 1x pictures' blocks except
// where the script draws finer: the logo in the background's lower left.
TEST(Resources, ScaledPicturesMatchTheirBlocksOutsideTheLogo) {
    for (int32_t id : {101, 102, 104}) {
        CBitmap plain(id);
        ASSERT_TRUE(plain.isLoaded()) << id;
        for (int32_t s : {2, 3}) {
            const gui::ResourceBytes bytes =
                gui::findBitmapResource(gui::scaledResourceId(id, s));
            ASSERT_NE(bytes.data, nullptr) << id << " at " << s;
            const std::shared_ptr<const raster::Surface> scaled = plain.imageForScale(DeviceScale::whole(s));
            ASSERT_TRUE(scaled) << id;
            ASSERT_EQ(scaled->width(), plain.getWidth() * s);
            ASSERT_EQ(scaled->height(), plain.getHeight() * s);
            EXPECT_EQ(plain.imageForScale(DeviceScale::whole(s)), scaled) << "made once";
            const raster::Surface blocks = gui::enlarge(*plain.getHandle(), DeviceScale::whole(s));
            int differing = 0;
            for (int32_t y = 0; y < scaled->height(); ++y)
                for (int32_t x = 0; x < scaled->width(); ++x) {
                    const bool logo = id == 101 && x < 63 * s && y >= 124 * s;
                    if (!logo && at(*scaled, x, y) != at(blocks, x, y))
                        ++differing;
                }
            EXPECT_EQ(differing, 0) << id << " at " << s;
        }
    }
}

// A bitmap without a picture for the scale is drawn with its pixels as
// blocks; offsets are logical.
TEST(Bitmap, DrawnAtAScaleWithoutAScaledPicture) {
    ScriptedEnvironment env;
    CBitmap bitmap(nullptr, 4, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            bitmap.getHandle()->set(x, y, rgb(10 * x, 20 * y, 99));
    raster::Surface surface(20, 20, kPaper);
    raster::Canvas canvas(&surface);
    CDrawContext context(nullptr, &canvas, nullptr);
    context.setScale(DeviceScale::whole(2));
    bitmap.draw(&context, CRect(1, 1, 4, 3), CPoint(1, 1));
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 8 && y >= 2 && y < 6;
            EXPECT_EQ(at(surface, x, y), inside ? rgb(10 * (x / 2), 20 * (y / 2), 99) : kPaper) << x << "," << y;
        }
}

} // namespace

} // namespace sorrel
