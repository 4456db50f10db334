// The software renderer on the editor's typical work: the caption strip
// (36 short 9-pixel strings), a full 710 x 167 fill, the fader scale ticks,
// LED strip copies and an ellipse outline.
#include "gui/raster/raster.h"

#include <benchmark/benchmark.h>

namespace {

using namespace sorrel::raster;

const char *const kCaptions[] = {"In",   "Q",    "20",   "25",  "30",  "35",   "40",   "50",   "60",
                                 "70",   "85",   "100",  "125", "150", "175",  "210",  "250",  "300",
                                 "360",  "440",  "580",  "780", "1k",  "1.4k", "1.8k", "2.5k", "3.3k",
                                 "4.4k", "5.8k", "7.8k", "10k", "14k", "19k",  "Out",  "In",   "Out"};

void CaptionStrip(benchmark::State &state) {
    Surface s(710, 167, rgb(51, 51, 51));
    Canvas c(&s);
    c.setFont(Font(FontSpec{Face::Sans, 9}));
    c.setTextColor(rgb(130, 130, 130));
    for (auto _ : state) {
        for (int32_t i = 0; i < 36; ++i)
            c.drawText(kCaptions[i], Rect{25 + 20 * i, 110, 41 + 20 * i, 120}, Align::Center);
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * 36);
}
BENCHMARK(CaptionStrip);

void FullFill(benchmark::State &state) {
    Surface s(710, 167);
    Canvas c(&s);
    c.setBrush(rgb(51, 51, 51));
    for (auto _ : state) {
        c.fillRect({0, 0, 710, 167});
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(FullFill);

void FaderTicks(benchmark::State &state) {
    Surface s(710, 167);
    Canvas c(&s);
    c.setPen({rgb(255, 255, 255), 1, LineStyle::Solid});
    for (auto _ : state) {
        for (int32_t f = 0; f < 34; ++f)
            for (int32_t k = 0; k <= 8; ++k) {
                c.moveTo({70 + 20 * f, 6 + 12 * k});
                c.lineTo({70 + 20 * f + (k % 4 == 0 ? 3 : (k % 2 == 0 ? 2 : 1)), 6 + 12 * k});
            }
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(FaderTicks);

void LedCopies(benchmark::State &state) {
    Surface s(710, 167), led(3, 30, rgb(0, 255, 0));
    Canvas c(&s);
    for (auto _ : state) {
        for (int32_t m = 0; m < 124; ++m)
            c.blit(65 + 5 * m % 700, 129, 3, 30, led, 0, 0);
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * 124);
}
BENCHMARK(LedCopies);

void EllipseOutline(benchmark::State &state) {
    Surface s(710, 167);
    Canvas c(&s);
    c.setPen({rgb(255, 255, 255), 1, LineStyle::Solid});
    for (auto _ : state) {
        c.arc({10, 10, 160, 160}, {0, 0}, {0, 0});
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(EllipseOutline);

} // namespace
