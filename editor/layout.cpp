#include "editor/layout.h"

#include "effect/parameters.h"

namespace sorrel::layout {

EditorLayout editorLayout(int32_t ledWidth, int32_t ledHeight) {
    EditorLayout out;
    // A working rectangle steps from fader to fader: 4 pixels between
    // faders, 10 after the input gain, the Q and the last band.
    CRect r(5, 3, 21, 109);
    for (int32_t i = 0; i < kNumControls; ++i) {
        if (i == kQFader || i == kFirstBandFader)
            r.offset(10, 0);
        if (i < kNumFaders) {
            out.entries[i] = r;
        } else {
            // The switches stand under the output gain fader: the meters'
            // two, then the response's, clear of the editor's lower edge.
            const CRect &s = out.entries[kNumFaders - 1];
            const int32_t top = s.bottom + (i == kInSwitch ? 16 : (i == kOutSwitch ? 34 : 49));
            out.entries[i] = CRect(s.left, top, s.left + 12, top + 6);
        }
        if (i >= kFirstBandFader && i <= kLastBandFader) {
            const int32_t band = i - kFirstBandFader;
            CRect m(r.left, r.bottom + 20, r.left + ledWidth, r.bottom + 20 + ledHeight);
            out.entries[kPreGainMeters0 + band] = m;
            m.offset(ledWidth + 1, 0);
            out.entries[kPreGainMeters1 + band] = m;
            m.offset(ledWidth + 2, 0);
            out.entries[kPostGainMeters0 + band] = m;
            m.offset(ledWidth + 1, 0);
            out.entries[kPostGainMeters1 + band] = m;
        }
        r.offset(r.width() + (i < kLastBandFader ? 4 : 10), 0);
    }
    return out;
}

const char *caption(int32_t entry) {
    const ParameterInfo *info = entry < kNumControls ? parameterInfo(entry) : nullptr;
    return info ? info->caption : nullptr;
}

} // namespace sorrel::layout
