// The editor's pictures drawn at run time: the background with its logo
// (101) and the lit (102) and unlit (104) LED strips, at any scale.
#pragma once

#include "gui/raster/raster.h"

#include <cstdint>

namespace sorrel::gui {

// False for another id, or when memory runs out.
bool paintEditorPicture(int32_t id, DeviceScale scale, raster::Surface &out);

} // namespace sorrel::gui
