#include "gui/drawing/fonts.h"

namespace sorrel {

namespace {
const CFontInfo fontTable[FontCount] = {
    {"Arial", 12, true, 0x22},  {"Arial", 18, false, 0x22},  {"Arial", 14, false, 0x22},
    {"Arial", 12, false, 0x22}, {"Arial", 11, false, 0x22},  {"Arial", 10, false, 0x22},
    {"Arial", 9, false, 0x22},  {"Symbol", 13, false, 0x50},
};
} // namespace

const CFontInfo &fontInfo(int32_t id) {
    if (id < 0 || id >= FontCount)
        id = SystemFont;
    return fontTable[id];
}

} // namespace sorrel
