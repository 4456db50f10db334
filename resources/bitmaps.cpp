// The editor's pictures, carried in every build (made by make_bitmaps.py);
// the Windows DLL also has them as module resources, which the toolkit
// prefers there.
#include "gui/drawing/resources.h"
#include "resources/paint_pictures.h"

extern const unsigned char sorrel_bitmap_101[];
extern const unsigned long sorrel_bitmap_101_size;
extern const unsigned char sorrel_bitmap_102[];
extern const unsigned long sorrel_bitmap_102_size;
extern const unsigned char sorrel_bitmap_104[];
extern const unsigned long sorrel_bitmap_104_size;
extern const unsigned char sorrel_bitmap_2101[];
extern const unsigned long sorrel_bitmap_2101_size;
extern const unsigned char sorrel_bitmap_2102[];
extern const unsigned long sorrel_bitmap_2102_size;
extern const unsigned char sorrel_bitmap_2104[];
extern const unsigned long sorrel_bitmap_2104_size;
extern const unsigned char sorrel_bitmap_3101[];
extern const unsigned long sorrel_bitmap_3101_size;
extern const unsigned char sorrel_bitmap_3102[];
extern const unsigned long sorrel_bitmap_3102_size;
extern const unsigned char sorrel_bitmap_3104[];
extern const unsigned long sorrel_bitmap_3104_size;

namespace sorrel::gui {

// The background with the logo (101), the lit (102) and unlit (104) LED
// strips, and each drawn for scales 2 and 3 (id + 1000 x scale).
const EmbeddedBitmap kEmbeddedBitmaps[] = {
    {101, sorrel_bitmap_101, &sorrel_bitmap_101_size},
    {102, sorrel_bitmap_102, &sorrel_bitmap_102_size},
    {104, sorrel_bitmap_104, &sorrel_bitmap_104_size},
    {2101, sorrel_bitmap_2101, &sorrel_bitmap_2101_size},
    {2102, sorrel_bitmap_2102, &sorrel_bitmap_2102_size},
    {2104, sorrel_bitmap_2104, &sorrel_bitmap_2104_size},
    {3101, sorrel_bitmap_3101, &sorrel_bitmap_3101_size},
    {3102, sorrel_bitmap_3102, &sorrel_bitmap_3102_size},
    {3104, sorrel_bitmap_3104, &sorrel_bitmap_3104_size},
};
const size_t kNumEmbeddedBitmaps = sizeof(kEmbeddedBitmaps) / sizeof(kEmbeddedBitmaps[0]);

// Every other scale is drawn when first asked for.
const PicturePainter kPicturePainter = paintEditorPicture;

} // namespace sorrel::gui
