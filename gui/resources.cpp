#include "gui/resources.h"

#include "gui/platform/platform.h"

extern const unsigned char sorrel_bitmap_101[];
extern const unsigned long sorrel_bitmap_101_size;
extern const unsigned char sorrel_bitmap_102[];
extern const unsigned long sorrel_bitmap_102_size;
extern const unsigned char sorrel_bitmap_104[];
extern const unsigned long sorrel_bitmap_104_size;

namespace sorrel::gui {
namespace {

struct Embedded {
    int32_t id;
    const unsigned char *file;
    const unsigned long *size;
};

const Embedded embedded[] = {
    {101, sorrel_bitmap_101, &sorrel_bitmap_101_size},
    {102, sorrel_bitmap_102, &sorrel_bitmap_102_size},
    {104, sorrel_bitmap_104, &sorrel_bitmap_104_size},
};

// A BMP file is a 14-byte file header followed by the packed bitmap, which
// is what a module resource holds.
constexpr size_t kFileHeaderSize = 14;

ResourceBytes fromEmbedded(int32_t id) {
    for (const Embedded &e : embedded) {
        if (e.id != id)
            continue;
        if (*e.size <= kFileHeaderSize || e.file[0] != 'B' || e.file[1] != 'M')
            return {};
        return {e.file + kFileHeaderSize, static_cast<size_t>(*e.size - kFileHeaderSize),
                ResourceOrigin::Embedded};
    }
    return {};
}


} // namespace

ResourceBytes findBitmapResource(int32_t id) {
    const uint8_t *data = nullptr;
    size_t size = 0;
    if (sorrel::platform::moduleBitmapResource(id, data, size))
        return {data, size, ResourceOrigin::Module};
    return fromEmbedded(id);
}

} // namespace sorrel::gui
