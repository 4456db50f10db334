#include "gui/drawing/resources.h"

#include "gui/platform/platform.h"

namespace sorrel::gui {
namespace {

// A BMP file is a 14-byte file header followed by the packed bitmap, which
// is what a module resource holds.
constexpr size_t kFileHeaderSize = 14;

ResourceBytes fromEmbedded(int32_t id) {
    for (size_t i = 0; i < kNumEmbeddedBitmaps; ++i) {
        const EmbeddedBitmap &e = kEmbeddedBitmaps[i];
        if (e.id != id)
            continue;
        if (!e.file || !e.size || *e.size <= kFileHeaderSize || e.file[0] != 'B' || e.file[1] != 'M')
            return {};
        return {e.file + kFileHeaderSize, static_cast<size_t>(*e.size - kFileHeaderSize), ResourceOrigin::Embedded};
    }
    return {};
}
} // namespace

bool paintModulePicture(int32_t id, DeviceScale scale, raster::Surface &out) {
    return kPicturePainter && kPicturePainter(id, scale, out);
}

ResourceBytes findBitmapResource(int32_t id) {
    const uint8_t *data = nullptr;
    size_t size = 0;
    if (platform::moduleBitmapResource(id, data, size))
        return {data, size, ResourceOrigin::Module};
    return fromEmbedded(id);
}

} // namespace sorrel::gui
