#include "editor/scale_policy.h"

#include "gui/platform/platform.h"

#include <cmath>
#include <cstdlib>

namespace sorrel::scaling {

bool sensibleScaleFactor(double factor) {
    return std::isfinite(factor) && factor > 0 && factor <= kMaxScaleFactor;
}

DeviceScale scaleForFactor(double factor, raster::Point logicalSize, raster::Point screen) {
    if (!sensibleScaleFactor(factor))
        return DeviceScale();
    DeviceScale scale = DeviceScale::fromQuarters(static_cast<int32_t>(std::floor(factor * 4 + 0.5)));
    if (scale.factor() <= factor || screen.x <= 0 || screen.y <= 0)
        return scale;
    auto fits = [&](DeviceScale s) {
        return s.length(logicalSize.x) <= screen.x && s.length(logicalSize.y) <= screen.y;
    };
    while (scale != DeviceScale() && !fits(scale))
        scale = DeviceScale::fromQuarters(scale.quarters() - 1);
    return scale;
}

bool userScale(const char *text, DeviceScale &scale) {
    if (!text || !*text)
        return false;
    char *end = nullptr;
    const double factor = std::strtod(text, &end);
    scale = end == text || *end != '\0' ? DeviceScale() : scaleForFactor(factor, {}, {});
    return true;
}

DeviceScale chooseScale(const ScaleSources &sources, raster::Point logicalSize) {
    if (sources.host != 0)
        return scaleForFactor(sources.host, logicalSize, sources.screen);
    DeviceScale user;
    if (userScale(sources.user, user))
        return user;
    if (sources.desktop != 0)
        return scaleForFactor(sources.desktop, logicalSize, sources.screen);
    return DeviceScale();
}

DeviceScale currentScale(double hostFactor, void *parent, raster::Point logicalSize) {
    ScaleSources sources;
    sources.host = hostFactor;
    sources.user = std::getenv("SORREL_SCALE");
    DeviceScale ignored;
    if (hostFactor == 0 && !userScale(sources.user, ignored))
        sources.desktop = platform::desktopScaleFactor(parent);
    sources.screen = platform::screenSize(parent);
    return chooseScale(sources, logicalSize);
}

} // namespace sorrel::scaling
