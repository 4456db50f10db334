// The editor's pictures, carried in every build (made by make_bitmaps.py);
// the Windows DLL also has them as module resources, which the toolkit
// prefers there.
#include "gui/resources.h"

extern const unsigned char sorrel_bitmap_101[];
extern const unsigned long sorrel_bitmap_101_size;
extern const unsigned char sorrel_bitmap_102[];
extern const unsigned long sorrel_bitmap_102_size;
extern const unsigned char sorrel_bitmap_104[];
extern const unsigned long sorrel_bitmap_104_size;

namespace sorrel::gui {

// The background with the logo (101), the lit (102) and unlit (104) LED
// strips.
const EmbeddedBitmap kEmbeddedBitmaps[] = {
    {101, sorrel_bitmap_101, &sorrel_bitmap_101_size},
    {102, sorrel_bitmap_102, &sorrel_bitmap_102_size},
    {104, sorrel_bitmap_104, &sorrel_bitmap_104_size},
};
const size_t kNumEmbeddedBitmaps = sizeof(kEmbeddedBitmaps) / sizeof(kEmbeddedBitmaps[0]);

} // namespace sorrel::gui
