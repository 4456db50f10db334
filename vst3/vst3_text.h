// The format's texts are 16-bit (UTF-16); ours are 8-bit. Names and units
// of the table are ASCII, program names 8-bit characters.
#pragma once

#include "vst3/vst3_interfaces.h"

#include <cstddef>

namespace sorrel::vst3 {

// Copies text into a String128, cut to 127 characters and terminated; each
// byte becomes the character of the same number. Null text gives "".
inline void copyText(String128 out, const char *text) {
    size_t i = 0;
    for (; text != nullptr && text[i] != 0 && i < 127; ++i)
        out[i] = static_cast<char16>(static_cast<unsigned char>(text[i]));
    out[i] = 0;
}

// The 8-bit form of a terminated 16-bit text, read no further than 128
// characters (a String128); false when a character has no 8-bit form or
// the text does not fit into size bytes.
inline bool narrowText(const char16 *text, char *out, size_t size) {
    for (size_t i = 0; i < size && i < 128; ++i) {
        if (text[i] > 0xFF)
            return false;
        out[i] = static_cast<char>(text[i]);
        if (text[i] == 0)
            return true;
    }
    return false;
}

} // namespace sorrel::vst3
