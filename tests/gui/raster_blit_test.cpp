#include "tests/gui/raster_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace sorrel::rastertest;

constexpr Pixel kMagenta = 0x00ff00ff;

// A 3 x 60 strip of two 30-pixel frames, and a picture with magenta holes.
Surface strip() {
    Surface s(3, 60);
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 3; ++x)
            s.set(x, y, y < 30 ? sorrel::raster::rgb(200, y, x) : sorrel::raster::rgb(10, y, x));
    return s;
}

Surface holed(int32_t w, int32_t h) {
    Surface s(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.set(x, y, (x * 7 + y * 3) % 5 == 0 ? kMagenta : sorrel::raster::rgb(x * 9, y * 9, (x ^ y) * 4));
    return s;
}

Surface background(int32_t w, int32_t h) {
    Surface s(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.set(x, y, sorrel::raster::rgb(255 - x * 3, 100 + y, 40));
    return s;
}

TEST(RasterBlit, CopyTakesTheBlockAtTheSourceOffset) {
    Surface src = strip();
    struct Case {
        int32_t x, y, w, h, sx, sy;
    } cases[] = {
        {5, 5, 3, 30, 0, 0},    // first frame
        {5, 5, 3, 30, 0, 30},   // second frame
        {-1, -4, 3, 30, 0, 30}, // partly off the destination
        {5, 5, 3, 30, 1, 40},   // source block running past the source's edge
        {5, 5, 0, 30, 0, 0},    // empty block
    };
    for (const Case &c : cases) {
        Surface dst(20, 50, kBack);
        Canvas canvas(&dst);
        canvas.blit(c.x, c.y, c.w, c.h, src, c.sx, c.sy);
        for (int32_t y = 0; y < 50; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                int32_t sx = x - c.x + c.sx, sy = y - c.y + c.sy;
                bool inBlock = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                bool hasSource = sx >= 0 && sx < 3 && sy >= 0 && sy < 60;
                EXPECT_EQ(dst.get(x, y), inBlock && hasSource ? src.get(sx, sy) : kBack)
                    << x << "," << y << " case sy " << c.sy;
            }
    }
}

TEST(RasterBlit, OverlappingCopyWithinOneSurfaceReadsTheOldPixels) {
    for (int32_t dx : {-3, 0, 2}) {
        for (int32_t dy : {-2, 1}) {
            Surface s = background(30, 30), before = s;
            Canvas c(&s);
            c.blit(5 + dx, 5 + dy, 15, 15, s, 5, 5);
            Surface expected = before;
            Canvas e(&expected);
            e.blit(5 + dx, 5 + dy, 15, 15, before, 5, 5);
            EXPECT_TRUE(sameImage(s, expected)) << dx << "," << dy;
        }
    }
}

TEST(RasterBlit, BitwiseCombines) {
    struct Case {
        BlitOp op;
        Pixel dst, src, expected;
    } cases[] = {
        {BlitOp::Copy, 0x123456, 0xabcdef, 0xabcdef},
        {BlitOp::Or, 0x0f00f0, 0x00ff0f, 0x0fffff},
        {BlitOp::And, 0x0f00f0, 0x00ff3f, 0x000030},
        {BlitOp::Xor, 0xff00ff, 0xffff00, 0x00ffff},
    };
    for (const Case &c : cases) {
        Surface dst(2, 2, c.dst), src(2, 2, c.src);
        Canvas(&dst).blit(0, 0, 2, 2, src, 0, 0, c.op);
        EXPECT_EQ(dst.get(1, 1), c.expected) << static_cast<int>(c.op);
    }
}

// The three ways of leaving out a color: the keyed copy; XOR, AND with a
// mask built from the bitmap, XOR (the mask built once and kept, or built
// for the block on the fly); all give the same pixels, also under a clip and
// with the unused byte of the source set.
TEST(RasterBlit, KeyedCopyAndBothMaskPathsAgree) {
    Surface src = holed(24, 24);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 24; ++x)
            src.row(y)[x] |= 0xff000000u; // X11 images may carry an alpha byte
    struct Case {
        int32_t x, y, w, h, sx, sy;
        Rect clip;
    } cases[] = {
        {2, 3, 20, 20, 0, 0, {0, 0, 40, 40}},
        {10, 10, 12, 8, 4, 6, {0, 0, 40, 40}},
        {-5, 20, 24, 24, 0, 0, {3, 22, 30, 31}},
    };
    for (const Case &c : cases) {
        Surface keyed = background(40, 40), precomputed = keyed, onTheFly = keyed;
        Canvas k(&keyed), p(&precomputed), f(&onTheFly);
        for (Canvas *cv : {&k, &p, &f})
            cv->setClip(c.clip);
        k.blitKeyed(c.x, c.y, c.w, c.h, src, c.sx, c.sy, kMagenta);

        Surface fullMask = sorrel::raster::makeMask(src, 0, 0, src.width(), src.height(), kMagenta);
        p.blit(c.x, c.y, c.w, c.h, src, c.sx, c.sy, BlitOp::Xor);
        p.blit(c.x, c.y, c.w, c.h, fullMask, c.sx, c.sy, BlitOp::And);
        p.blit(c.x, c.y, c.w, c.h, src, c.sx, c.sy, BlitOp::Xor);

        Surface blockMask = sorrel::raster::makeMask(src, c.sx, c.sy, c.w, c.h, kMagenta);
        f.blit(c.x, c.y, c.w, c.h, src, c.sx, c.sy, BlitOp::Xor);
        f.blit(c.x, c.y, c.w, c.h, blockMask, 0, 0, BlitOp::And);
        f.blit(c.x, c.y, c.w, c.h, src, c.sx, c.sy, BlitOp::Xor);

        EXPECT_TRUE(sameImage(keyed, precomputed)) << c.x << "," << c.y;
        EXPECT_TRUE(sameImage(keyed, onTheFly)) << c.x << "," << c.y;
        // And the keyed copy did what it says: magenta leaves the destination.
        Surface bg = background(40, 40);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                int32_t sx = x - c.x + c.sx, sy = y - c.y + c.sy;
                bool copied = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h && x >= c.clip.left &&
                              x < c.clip.right && y >= c.clip.top && y < c.clip.bottom &&
                              sorrel::raster::colorOf(src.get(sx, sy)) != kMagenta;
                EXPECT_EQ(keyed.get(x, y), copied ? sorrel::raster::colorOf(src.get(sx, sy)) : bg.get(x, y));
            }
    }
}

TEST(RasterBlit, ConstantOpacityBlendRoundsEachChannel) {
    struct Case {
        Pixel src, dst;
        uint8_t alpha;
        Pixel expected;
    } cases[] = {
        {0xffffff, 0x000000, 0, 0x000000},   {0xffffff, 0x000000, 255, 0xffffff},
        {0xffffff, 0x000000, 128, 0x808080}, {0x000000, 0xffffff, 128, 0x7f7f7f},
        {0xff0000, 0x0000ff, 51, 0x3300cc},  {0x646464, 0xc8c8c8, 77, 0xaaaaaa},
        {0x010203, 0x030201, 127, 0x020202},
    };
    for (const Case &c : cases) {
        Surface dst(4, 4, c.dst), src(4, 4, c.src);
        Canvas(&dst).blitBlend(1, 1, 2, 2, src, 0, 0, c.alpha);
        EXPECT_EQ(dst.get(1, 1), c.expected) << int(c.alpha) << " " << c.src << " over " << c.dst;
        EXPECT_EQ(dst.get(0, 0), c.dst);
        EXPECT_EQ(dst.get(3, 3), c.dst);
    }
}

TEST(RasterBlit, MaskMarksTheKeyColorWhiteAndEverythingElseBlack) {
    Surface src = holed(8, 8);
    Surface mask = sorrel::raster::makeMask(src, -2, 3, 8, 8, kMagenta);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            int32_t sx = x - 2, sy = y + 3;
            bool key = sx >= 0 && sy < 8 && src.get(sx, sy) == kMagenta;
            EXPECT_EQ(mask.get(x, y), key ? 0x00ffffffu : 0u) << x << "," << y;
        }
}

} // namespace
