// The scenarios' window client and test pattern, the same on every backend.
#include "scenario_host.h"

namespace sorrel::scenario {

void Recorder::after() {
    if (destroyedCalls > 0)
        ++callsAfterDestroyed;
}

void Recorder::paint(const raster::Rect &area) {
    after();
    paints.push_back(area);
    if (window)
        platform::presentWindow(window, presentOnPaint.empty() ? area : presentOnPaint);
}

void Recorder::buttonPressed(const raster::Point &where) {
    after();
    presses.push_back(where);
    pressTime = platform::eventTime();
}

void Recorder::wheel(const raster::Point &where, float distance) {
    after();
    wheels.emplace_back(where, distance);
}

void Recorder::destroyed() {
    after();
    ++destroyedCalls;
    if (onDestroyed)
        onDestroyed();
}

std::string Recorder::describe(platform::DropData &data) {
    if (data.hasText())
        return "text:" + data.text();
    std::string files = "files:";
    for (int32_t i = 0; i < data.fileCount(); ++i)
        files += data.file(i) + "|";
    return files + data.file(data.fileCount()); // past the end: empty
}

void Recorder::dragEnter(platform::DropData &data) {
    after();
    drags.push_back("enter " + describe(data));
}

void Recorder::dragMove(platform::DropData &data) {
    after();
    // Moves arrive while the pointer rests, as often as the system polls.
    if (drags.empty() || drags.back().rfind("move", 0) != 0)
        drags.push_back("move " + describe(data));
}

void Recorder::dragLeave() {
    after();
    drags.push_back("leave");
}

void Recorder::drop(platform::DropData &data) {
    after();
    drags.push_back("drop " + describe(data));
}

raster::Pixel pattern(int32_t x, int32_t y, unsigned seed) {
    return raster::rgb(static_cast<unsigned>(x * 7) + seed, static_cast<unsigned>(y * 5) + seed * 3,
                       static_cast<unsigned>(x ^ y) + seed * 11);
}

void fillPattern(raster::Surface &surface, unsigned seed) {
    for (int32_t y = 0; y < surface.height(); ++y)
        for (int32_t x = 0; x < surface.width(); ++x)
            surface.set(x, y, pattern(x, y, seed));
}

} // namespace sorrel::scenario
