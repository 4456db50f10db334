#include "editor/equalizer_editor.h"

#include "editor/band_meter.h"
#include "editor/band_slider.h"
#include "editor/caption_view.h"
#include "editor/meter_switch.h"
#include "editor/readout_view.h"
#include "editor/scale_policy.h"
#include "editor/web_link_view.h"
#include "gui/drawing/bitmap.h"
#include "gui/drawing/resources.h"
#include "gui/views/frame.h"
#include "gui/views/frame_owner.h"

#include <cstdio>
#include <limits>

namespace sorrel {

namespace {

constexpr int32_t kBackgroundId = 101;
constexpr int32_t kLedOnId = 102;
constexpr int32_t kLedOffId = 104;

// The module's three pictures, made on first use (thread-safe, as two
// effects may be created at once) and let go when the module is unloaded.
// A picture that fails to load is 0 x 0: the editor is then 0 x 0 too and
// refuses to open, or its meters show nothing.
struct SharedBitmaps {
    CBitmap *background = new CBitmap(kBackgroundId);
    CBitmap *ledOn = new CBitmap(kLedOnId);
    CBitmap *ledOff = new CBitmap(kLedOffId);

    ~SharedBitmaps() {
        ledOff->forget();
        ledOn->forget();
        background->forget();
    }
};

SharedBitmaps &sharedBitmaps() {
    // The pictures' table (resources/) is named here, so that every link
    // with the editor takes it in before the toolkit looks its ids up.
    static const size_t tableSize = gui::kNumEmbeddedBitmaps;
    (void)tableSize;
    static SharedBitmaps bitmaps;
    return bitmaps;
}

} // namespace

CBitmap *EqualizerEditor::backgroundBitmap() {
    return sharedBitmaps().background;
}
CBitmap *EqualizerEditor::ledOnBitmap() {
    return sharedBitmaps().ledOn;
}
CBitmap *EqualizerEditor::ledOffBitmap() {
    return sharedBitmaps().ledOff;
}

EqualizerEditor::EqualizerEditor(ParameterLink *link, LevelSource *levelSource)
    : parameters(link), levels(levelSource) {}

EqualizerEditor::~EqualizerEditor() { close(); }

CRect EqualizerEditor::logicalRect() const {
    const CBitmap *background = backgroundBitmap();
    return CRect(0, 0, background->getWidth(), background->getHeight());
}

DeviceScale EqualizerEditor::getScale() const {
    if (!scaleChosen) {
        scale = wantedScale(nullptr);
        scaleChosen = true;
    }
    return scale;
}

CRect EqualizerEditor::getRect() const {
    const CRect r = logicalRect();
    const DeviceScale s = getScale();
    return CRect(0, 0, s.length(r.width()), s.length(r.height()));
}

DeviceScale EqualizerEditor::wantedScale(void *parent) const {
    const CRect r = logicalRect();
    return scaling::currentScale(hostScale, parent, {r.width(), r.height()});
}

bool EqualizerEditor::setHostScale(double factor) {
    if (!scaling::sensibleScaleFactor(factor))
        return false;
    hostScale = factor;
    const DeviceScale wanted = wantedScale(frame ? frame->getParentWindow() : nullptr);
    if (!frame) {
        scale = wanted;
        scaleChosen = true;
        return true;
    }
    if (frame->setScale(wanted))
        scale = frame->getScale();
    return true;
}

bool EqualizerEditor::open(void *parent, CFrameOwner *owner) {
    if (frame)
        close();
    // The host sized its window from getRect; a desktop that asks for
    // another scale gets it only when the host takes the new size.
    const DeviceScale wanted = wantedScale(parent);
    if (wanted != getScale()) {
        const CRect r = logicalRect();
        if (!owner) {
            scale = wanted;
        } else {
            const std::shared_ptr<const bool> alive = owner->livenessToken();
            const bool taken = owner->requestSize(wanted.length(r.width()), wanted.length(r.height()));
            if (!alive || !*alive)
                return false;
            if (taken)
                scale = wanted;
        }
    }
    try {
        frame = new CFrame(logicalRect(), parent, owner, scale);
        if (!frame->hasWindow()) {
            close();
            return false;
        }
        frame->setBackground(backgroundBitmap());
        build();
        frame->setAccessibleContent(this);
    } catch (...) {
        close();
        return false;
    }
    if (levels)
        levels->setMetering(true);
    return true;
}

void EqualizerEditor::build() {
    CBitmap *ledOn = ledOnBitmap();
    CBitmap *ledOff = ledOffBitmap();
    const layout::EditorLayout places = layout::editorLayout(ledOn->getWidth(), ledOn->getHeight());
    const int32_t meterSets[] = {layout::kPreGainMeters0, layout::kPreGainMeters1, layout::kPostGainMeters0,
                                 layout::kPostGainMeters1};
    for (int32_t i = 0; i < layout::kNumControls; ++i) {
        CControl *control;
        if (i < layout::kNumFaders)
            control = new BandSlider(places.entries[i], this, i, false, this);
        else
            control = new MeterSwitch(places.entries[i], this, i);
        if (const ParameterInfo *info = parameterInfo(i))
            control->setDefaultValue(info->defaultValue);
        shown[i] = parameters->parameterValue(i);
        control->setValue(shown[i]);
        frame->addView(control);
        controls[i] = control;
        if (i < layout::kFirstBandFader || i > layout::kLastBandFader)
            continue;
        for (int32_t set : meterSets) {
            const int32_t entry = set + i - layout::kFirstBandFader;
            BandMeter *meter = new BandMeter(places.entries[entry], ledOn, ledOff, layout::kLedCount);
            meter->setValue(0.f);
            frame->addView(meter);
            controls[entry] = meter;
        }
    }
    // Last, so that they lie on top.
    frame->addView(new CaptionView(layout::kCaptionStrip, places));
    frame->addView(new WebLinkView(layout::kWebLinkArea));
    readoutTag = hoverTag = -1;
    readoutFollowsDrag = looked = false;
    toldFocus = nullptr;
}

void EqualizerEditor::close() {
    if (!frame)
        return;
    if (levels)
        levels->setMetering(false);
    for (CControl *&control : controls)
        control = nullptr;
    readout = nullptr;
    field = nullptr;
    // The frame goes with its views, or, when a call into it is still
    // running (a drag that ran the host's idle), as soon as that returns.
    CFrame *f = frame;
    frame = nullptr;
    f->editorClosed();
    f->forget();
}

void EqualizerEditor::refresh() {
    if (!frame)
        return;
    showValues();
    refreshMeters();
    followPointer();
    followFocus();
}

void EqualizerEditor::showValues() {
    // Only values the plug-in changed since the last look: a control the
    // user is moving may run this pass (its loop runs the idle work) before
    // it reports its new value, and must keep that value.
    for (int32_t i = 0; i < layout::kNumControls; ++i) {
        const float value = parameters->parameterValue(i);
        if (value == shown[i])
            continue;
        shown[i] = value;
        if (controls[i]) {
            controls[i]->setValue(value);
            frame->notifyAccessible(platform::AccessibleEvent::ValueChange, i);
        }
    }
}

void EqualizerEditor::refreshMeters() {
    if (!levels)
        return;
    auto on = [this](int32_t entry) { return controls[entry] && controls[entry]->getValue() != 0.f; };
    auto feed = [this](int32_t entry, float level) {
        if (controls[entry])
            controls[entry]->setValue(level);
    };
    if (on(layout::kInSwitch)) {
        for (int32_t b = 0; b < layout::kNumBands; ++b) {
            feed(layout::kPreGainMeters0 + b, levels->preGainLevel(0, b));
            feed(layout::kPreGainMeters1 + b, levels->preGainLevel(1, b));
        }
    }
    if (on(layout::kOutSwitch)) {
        for (int32_t b = 0; b < layout::kNumBands; ++b) {
            feed(layout::kPostGainMeters0 + b, levels->postGainLevel(0, b));
            feed(layout::kPostGainMeters1 + b, levels->postGainLevel(1, b));
        }
    }
}

void EqualizerEditor::setMeters(int32_t first, float value) {
    for (int32_t b = 0; b < layout::kNumBands; ++b)
        if (CControl *meter = controls[first + b])
            meter->setValue(value);
}

void EqualizerEditor::valueChanged(CDrawContext *context, CControl *control) {
    if (!control)
        return;
    const int32_t tag = control->getTag();
    const float value = control->getValue();
    // Turned off by the user, a meter set goes dark at once; turned off by
    // the host it only stops, showing the last levels.
    if (tag == layout::kInSwitch && value == 0.f) {
        setMeters(layout::kPreGainMeters0, 0.f);
        setMeters(layout::kPreGainMeters1, 0.f);
    } else if (tag == layout::kOutSwitch && value == 0.f) {
        setMeters(layout::kPostGainMeters0, 0.f);
        setMeters(layout::kPostGainMeters1, 0.f);
    }
    if (tag < 0 || tag >= layout::kNumControls)
        return;
    // A fader the mouse is moving shows its value beside it.
    if (context && tag < layout::kNumFaders && frame && frame->isMouseHeld()) {
        readoutFollowsDrag = true;
        showReadout(tag);
    }
    // Looked at again at the next refresh: a value the plug-in did not take
    // as given does not stay on the screen.
    shown[tag] = std::numeric_limits<float>::quiet_NaN();
    // The plug-in takes the value and the host hears it, so its own controls
    // and automation recording follow what the user does in the editor. A
    // fader held still stays dirty until its next redraw and reports the
    // same value on every polling pass; the host hears each value once.
    // Last: the host may delete the plug-in, and this editor, in its answer.
    if (parameters->parameterValue(tag) != value)
        parameters->userValue(tag, value);
}

void EqualizerEditor::makeOverlays() {
    // Made when first needed, so that a fresh editor's views are the 162
    // it always had.
    if (readout)
        return;
    readout = new ReadoutView;
    frame->addView(readout);
    field = new ValueField(this);
    frame->addView(field);
}

void EqualizerEditor::hideReadout() {
    if (readout)
        readout->hide();
    readoutTag = -1;
    readoutFollowsDrag = false;
}

void EqualizerEditor::followPointer() {
    if (frame->isMouseHeld())
        return;
    if (readoutFollowsDrag)
        hideReadout();
    const uint32_t now = frame->getTicks();
    if (!looked || now - lastLook >= kPointerLookMilliseconds) {
        looked = true;
        lastLook = now;
        CPoint where;
        frame->getCurrentLocation(where);
        const int32_t tag = field && field->isOpen() ? -1 : faderAt(where);
        if (tag != hoverTag) {
            hoverTag = tag;
            hoverSince = now;
        }
        if (hoverTag != readoutTag)
            hideReadout();
    }
    // Shown after the rest, and kept up to date (wheel, keys, the host).
    if (hoverTag >= 0 && (readoutTag == hoverTag || now - hoverSince >= kHoverMilliseconds))
        showReadout(hoverTag);
}

void EqualizerEditor::showReadout(int32_t tag) {
    const auto *fader = static_cast<const BandSlider *>(controls[tag]);
    if (!fader)
        return;
    makeOverlays();
    char text[kReadableTextSize];
    formatReadable(tag, fader->getValue(), text, sizeof text);
    readout->show(besideFader(fader->getViewSize(), fader->handleRow(), ReadoutView::kWidth, ReadoutView::kHeight,
                              logicalRect()),
                  text);
    readoutTag = tag;
}

int32_t EqualizerEditor::faderAt(const CPoint &where) const {
    for (int32_t i = 0; i < layout::kNumFaders; ++i)
        if (controls[i] && controls[i]->getViewSize().contains(where))
            return i;
    return -1;
}

void EqualizerEditor::openValueEntry(int32_t tag) {
    if (!frame || tag < 0 || tag >= layout::kNumFaders || !controls[tag])
        return;
    const auto *fader = static_cast<const BandSlider *>(controls[tag]);
    makeOverlays();
    hideReadout();
    char text[kReadableTextSize];
    formatReadable(tag, fader->getValue(), text, sizeof text);
    field->open(tag, besideFader(fader->getViewSize(), fader->handleRow(), ValueField::kWidth,
                                 ValueField::kHeight, logicalRect()),
                text);
    frame->setFocusView(field);
}

bool EqualizerEditor::valueTyped(int32_t tag, const char *text) {
    float value = 0.f;
    if (!frame || !field || tag < 0 || tag >= layout::kNumFaders || !parseReadable(tag, text, value))
        return false;
    auto *fader = static_cast<BandSlider *>(controls[tag]);
    field->close();
    if (!fader)
        return true;
    frame->setFocusView(fader);
    // Last: the host may close this editor from inside the edit.
    fader->applyValue(value);
    return true;
}

void EqualizerEditor::valueEntryCancelled(int32_t tag) {
    if (frame && tag >= 0 && tag < layout::kNumFaders && controls[tag])
        frame->setFocusView(controls[tag]);
}

void EqualizerEditor::followFocus() {
    const CView *focus = frame->getFocusView();
    if (focus == toldFocus)
        return;
    toldFocus = focus;
    for (int32_t i = 0; i < layout::kNumControls; ++i)
        if (controls[i] && controls[i] == focus)
            frame->notifyAccessible(platform::AccessibleEvent::Focus, i);
}

int32_t EqualizerEditor::accessibleCount() { return frame ? layout::kNumControls : 0; }

bool EqualizerEditor::accessibleItem(int32_t index, platform::AccessibleItem &item) {
    const ParameterInfo *info = parameterInfo(index);
    CControl *control = getControl(index);
    if (!frame || !info || !control || index >= layout::kNumControls)
        return false;
    item = platform::AccessibleItem();
    item.role = info->kind == ParameterKind::Switch ? platform::AccessibleRole::CheckButton
                                                    : platform::AccessibleRole::Slider;
    std::snprintf(item.name, sizeof item.name, "%s", info->longName);
    formatReadable(index, control->getValue(), item.value, sizeof item.value);
    const CRect r = control->getViewSize();
    const DeviceScale s = frame->getScale();
    item.area = {s.device(r.left), s.device(r.top), s.device(r.right), s.device(r.bottom)};
    item.checked = item.role == platform::AccessibleRole::CheckButton && control->getValue() != 0.f;
    item.focused = frame->getFocusView() == control;
    return true;
}

bool EqualizerEditor::setAccessibleValue(int32_t index, const char *text) {
    float value = 0.f;
    CControl *control = getControl(index);
    if (!frame || !control || index >= layout::kNumControls || !parseReadable(index, text, value))
        return false;
    // Last: the host may close this editor from inside the edit.
    if (auto *fader = dynamic_cast<BandSlider *>(control)) {
        fader->applyValue(value);
        return true;
    }
    if (auto *button = dynamic_cast<MeterSwitch *>(control)) {
        button->applyValue(value);
        return true;
    }
    return false;
}

bool EqualizerEditor::doAccessibleAction(int32_t index) {
    auto *button = dynamic_cast<MeterSwitch *>(getControl(index));
    if (!frame || !button || index >= layout::kNumControls)
        return false;
    button->applyValue(button->getValue() != 0.f ? 0.f : 1.f);
    return true;
}

bool EqualizerEditor::focusAccessible(int32_t index) {
    CControl *control = getControl(index);
    if (!frame || !control || index >= layout::kNumControls)
        return false;
    frame->setFocusView(control);
    return true;
}

CControl *EqualizerEditor::getControl(int32_t entry) const {
    return entry >= 0 && entry < layout::kTableSize ? controls[entry] : nullptr;
}

} // namespace sorrel
