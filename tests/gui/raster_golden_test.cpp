// Whole scenes compared pixel for pixel with PNG files in tests/golden. The
// same files serve every target, so these also show that 32-bit x87 builds
// and Windows builds draw exactly what 64-bit Linux draws.
#include "support/image_compare.h"
#include "tests/gui/raster_helpers.h"

#include <gtest/gtest.h>

namespace {

using namespace sorrel::rastertest;

Surface shapesScene() {
    Surface s(200, 150, sorrel::raster::rgb(51, 51, 51));
    Canvas c(&s);
    // Rectangles: an outline with its interior filled as the drawing context does.
    c.setPen({sorrel::raster::rgb(255, 255, 255), 1, LineStyle::Solid});
    const Point box[] = {{10, 10}, {49, 10}, {49, 39}, {10, 39}, {10, 10}};
    c.polyline(box, 5);
    c.setBrush(sorrel::raster::rgb(200, 40, 40));
    c.fillRect({11, 11, 50, 40});
    // A fan of lines of every slope, solid and dotted.
    for (int32_t i = 0; i <= 8; ++i) {
        c.setPen({sorrel::raster::rgb(40 + i * 25, 220, 80), 1, i % 2 ? LineStyle::Dotted : LineStyle::Solid});
        c.moveTo({80, 40});
        c.lineTo({60 + i * 5, 5});
        c.moveTo({80, 40});
        c.lineTo({115, 20 + i * 5});
    }
    // Wide pens.
    for (int32_t w = 2; w <= 6; ++w) {
        c.setPen({sorrel::raster::rgb(90, 90 + w * 25, 255), w, LineStyle::Solid});
        c.moveTo({125, 8 + (w - 2) * 8});
        c.lineTo({190, 12 + (w - 2) * 7});
    }
    // Polygons: a filled star (alternate rule) and its outline.
    c.setBrush(sorrel::raster::rgb(250, 200, 0));
    const Point star[] = {{35, 48}, {47, 88}, {12, 62}, {58, 62}, {23, 88}, {35, 48}};
    c.fillPolygon(star, 5);
    c.setPen({sorrel::raster::rgb(0, 0, 0), 1, LineStyle::Solid});
    c.polyline(star, 6);
    // Ellipses, arcs and pies.
    c.setBrush(sorrel::raster::rgb(60, 160, 220));
    c.fillEllipse({70, 50, 111, 81});
    c.setPen({sorrel::raster::rgb(255, 255, 255), 1, LineStyle::Solid});
    c.arc({70, 50, 111, 81}, {0, 0}, {0, 0});
    c.setBrush(sorrel::raster::rgb(220, 80, 200));
    c.fillPie({120, 50, 161, 91}, {200, 50}, {120, 130});
    c.setPen({sorrel::raster::rgb(255, 255, 0), 3, LineStyle::Solid});
    c.arc({165, 50, 196, 91}, {196, 91}, {165, 70});
    c.setPen({sorrel::raster::rgb(255, 255, 255), 1, LineStyle::Dotted});
    c.arc({122, 95, 195, 110}, {0, 0}, {0, 0});
    // Flood fill of a ring drawn with lines.
    c.setPen({sorrel::raster::rgb(0, 255, 0), 1, LineStyle::Solid});
    const Point ring[] = {{10, 100}, {40, 95}, {55, 120}, {20, 140}, {5, 125}, {10, 100}};
    c.polyline(ring, 6);
    c.setBrush(sorrel::raster::rgb(0, 90, 0));
    c.floodFill({25, 115});
    // Raster operations over a gradient.
    for (int32_t y = 95; y < 145; ++y)
        for (int32_t x = 65; x < 115; ++x)
            c.setPixel({x, y}, sorrel::raster::rgb((x - 65) * 5, (y - 95) * 5, 128));
    c.setRop2(Rop2::NotXorPen);
    c.setBrush(sorrel::raster::rgb(0, 0, 0));
    c.fillEllipse({70, 100, 95, 125});
    c.setRop2(Rop2::MergePen);
    c.setPen({sorrel::raster::rgb(0, 0, 255), 4, LineStyle::Solid});
    c.moveTo({68, 140});
    c.lineTo({112, 98});
    c.setRop2(Rop2::CopyPen);
    // Clipped drawing.
    c.setClip({125, 115, 190, 145});
    c.setBrush(sorrel::raster::rgb(255, 128, 0));
    c.fillEllipse({110, 100, 180, 160});
    c.resetClip();
    return s;
}

Surface textScene() {
    Surface s(240, 150, sorrel::raster::rgb(51, 51, 51));
    Canvas c(&s);
    // Captions as the editor draws them: 9 pixels, grey, centered in 16 x 10 boxes.
    c.setFont(Font(FontSpec{Face::Sans, 9}));
    c.setTextColor(sorrel::raster::rgb(130, 130, 130));
    const char *captions[] = {"20", "440", "1k", "1.4k", "2.5k", "19k", "In", "Q", "Out"};
    for (int32_t i = 0; i < 9; ++i)
        c.drawText(captions[i], {5 + i * 20, 2, 21 + i * 20, 12}, Align::Center);
    // Every size of the font table, with styles.
    c.setTextColor(sorrel::raster::rgb(255, 255, 255));
    int32_t y = 14;
    const int32_t heights[] = {9, 10, 11, 12, 14, 18};
    for (int32_t h : heights) {
        c.setFont(Font(FontSpec{Face::Sans, h}));
        c.drawText("Sorrel 0123456789 kHz", {2, y, 238, y + h + 2}, Align::Left);
        y += h + 2;
    }
    c.setFont(Font(FontSpec{Face::Sans, 12, true, false, false}));
    c.drawText("Bold", {2, y, 60, y + 16}, Align::Left);
    c.setFont(Font(FontSpec{Face::Sans, 12, false, true, false}));
    c.drawText("Italic", {60, y, 120, y + 16}, Align::Center);
    c.setFont(Font(FontSpec{Face::Sans, 12, true, true, true}));
    c.drawText("All three", {120, y, 238, y + 16}, Align::Right);
    y += 16;
    // Opaque background, clipping at the rectangle, the symbol face.
    c.setFont(Font(FontSpec{Face::Sans, 14}));
    c.setBackOpaque(true);
    c.setBackColor(sorrel::raster::rgb(0, 0, 120));
    c.setTextColor(sorrel::raster::rgb(255, 255, 0));
    c.drawText("Opaque & clipped text", {2, y, 100, y + 18}, Align::Left);
    c.setBackOpaque(false);
    c.setFont(Font(FontSpec{Face::Symbol, 13}));
    c.drawText("abgdp W \xa5 \xb1", {110, y, 238, y + 18}, Align::Left);
    return s;
}

TEST(RasterGolden, ShapesScene) {
    EXPECT_TRUE(sorrel::testimg::matchesGolden(shapesScene(), "raster_shapes"));
}

TEST(RasterGolden, TextScene) {
    EXPECT_TRUE(sorrel::testimg::matchesGolden(textScene(), "raster_text"));
}

// The comparison itself: a one-pixel change is caught and shown in the diff.
TEST(RasterGolden, DiffImageMarksExactlyTheChangedPixels) {
    sorrel::testimg::Image a = sorrel::testimg::fromSurface(Surface(5, 4, 0x00808080));
    sorrel::testimg::Image b = a;
    b.pixels[7] = 0x00818080;
    size_t differing = 0;
    sorrel::testimg::Image d = sorrel::testimg::diffImage(a, b, differing);
    EXPECT_EQ(differing, 1u);
    EXPECT_EQ(d.pixels[7], 0x00ff0000u);
    EXPECT_NE(d.pixels[6], 0x00ff0000u);
    d = sorrel::testimg::diffImage(a, a, differing);
    EXPECT_EQ(differing, 0u);
}

} // namespace
