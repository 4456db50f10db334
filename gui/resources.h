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

// On Windows the module's own resources (the .rc compiled into the DLL or
// executable) come first; every target also carries the bitmaps as embedded
// data. An unknown id gives empty bytes.
ResourceBytes findBitmapResource(int32_t id);

} // namespace sorrel::gui
