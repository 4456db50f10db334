// Bitmap resources of the plug-in module, looked up by id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sorrel::gui {

enum class ResourceOrigin { None, Module, Embedded };

struct ResourceBytes {
    // A packed device-independent bitmap: info header, colour table, pixels.
    const uint8_t *data = nullptr;
    size_t size = 0;
    ResourceOrigin origin = ResourceOrigin::None;
};

// The module's own resources come first where the platform has them (the
// .rc compiled into the Windows DLL); every target also carries the bitmaps
// as embedded data. An unknown id gives empty bytes.
ResourceBytes findBitmapResource(int32_t id);

} // namespace sorrel::gui
