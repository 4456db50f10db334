#include "editor/scale_policy.h"

#include "gui/platform/platform.h"

#include <cmath>
#include <cstdlib>

namespace sorrel::scaling {

bool sensibleScaleFactor(double factor) {
    return std::isfinite(factor) && factor > 0 && factor <= kMaxScaleFactor;
}

int32_t scaleForFactor(double factor, sorrel::raster::Point logicalSize, sorrel::raster::Point screen) {
    if (!sensibleScaleFactor(factor))
        return 1;
    int32_t scale = static_cast<int32_t>(std::floor(factor + 0.5));
    scale = scale < 1 ? 1 : scale > kMaxScale ? kMaxScale : scale;
    if (scale <= factor || screen.x <= 0 || screen.y <= 0)
        return scale;
    auto fits = [&](int32_t s) {
        return int64_t(logicalSize.x) * s <= screen.x && int64_t(logicalSize.y) * s <= screen.y;
    };
    while (scale > 1 && !fits(scale))
        --scale;
    return scale;
}

int32_t userScale(const char *text) {
    if (!text || !*text)
        return 0;
    char *end = nullptr;
    const double factor = std::strtod(text, &end);
    if (end == text || *end != '\0')
        return 1;
    return scaleForFactor(factor, {}, {});
}

int32_t chooseScale(const ScaleSources &sources, sorrel::raster::Point logicalSize) {
    if (sources.host != 0)
        return scaleForFactor(sources.host, logicalSize, sources.screen);
    if (const int32_t user = userScale(sources.user))
        return user;
    if (sources.desktop != 0)
        return scaleForFactor(sources.desktop, logicalSize, sources.screen);
    return 1;
}

int32_t currentScale(double hostFactor, void *parent, sorrel::raster::Point logicalSize) {
    ScaleSources sources;
    sources.host = hostFactor;
    sources.user = std::getenv("SORREL_SCALE");
    if (hostFactor == 0 && userScale(sources.user) == 0)
        sources.desktop = platform::desktopScaleFactor(parent);
    sources.screen = platform::screenSize(parent);
    return chooseScale(sources, logicalSize);
}

} // namespace sorrel::scaling
