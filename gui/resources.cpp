#include "gui/resources.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

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

#ifdef _WIN32
ResourceBytes fromModule(int32_t id) {
    // The module that holds this code: the plug-in DLL, or a test executable.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&embedded), &module))
        return {};
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!info)
        return {};
    HGLOBAL handle = LoadResource(module, info);
    DWORD size = SizeofResource(module, info);
    const void *data = handle ? LockResource(handle) : nullptr;
    if (!data || size == 0)
        return {};
    return {static_cast<const uint8_t *>(data), static_cast<size_t>(size), ResourceOrigin::Module};
}
#endif

} // namespace

ResourceBytes findBitmapResource(int32_t id) {
#ifdef _WIN32
    ResourceBytes found = fromModule(id);
    if (found.data)
        return found;
#endif
    return fromEmbedded(id);
}

} // namespace sorrel::gui
