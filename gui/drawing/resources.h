// Bitmap resources of the plug-in module, looked up by id.
#pragma once

#include "gui/raster/raster.h"

#include <cstddef>
#include <cstdint>

namespace sorrel::gui {

enum class ResourceOrigin { None, Module, Embedded };

struct ResourceBytes {
    // A packed device-independent bitmap: info header, color table, pixels.
    const uint8_t *data = nullptr;
    size_t size = 0;
    ResourceOrigin origin = ResourceOrigin::None;
};

// A BMP file carried in the module, standing in for resource id where the
// platform has no module resources.
struct EmbeddedBitmap {
    int32_t id;
    const unsigned char *file;
    const unsigned long *size;
};

// The module's own table, defined by whoever the pictures belong to (the
// equaliser's editor, in resources/) and met at the final link, as the
// window system is.
extern const EmbeddedBitmap kEmbeddedBitmaps[];
extern const size_t kNumEmbeddedBitmaps;

// Draws the module's picture id for a scale it carries no stored picture
// of, through the painter the module's table names (null: none). False
// when there is no painter or it cannot draw that picture.
using PicturePainter = bool (*)(int32_t id, DeviceScale scale, raster::Surface &out);
extern const PicturePainter kPicturePainter;
bool paintModulePicture(int32_t id, DeviceScale scale, raster::Surface &out);

// The module's own resources come first where the platform has them (the
// .rc compiled into the Windows DLL); every target also carries the bitmaps
// as embedded data. An unknown id gives empty bytes.
ResourceBytes findBitmapResource(int32_t id);

} // namespace sorrel::gui
