#include "vst3/vst3_view.h"

#include "gui/platform/platform.h"
#include "gui/views/frame.h"
#include "vst3/vst3_plugin.h"

#include <cstring>

namespace sorrel::vst3 {

namespace {

#if defined(_WIN32)
constexpr const char *kWindowType = kPlatformTypeHWND;
#else
constexpr const char *kWindowType = kPlatformTypeX11EmbedWindowID;
#endif

bool isOurWindowType(FIDString type) {
    return type != nullptr && std::strcmp(type, kWindowType) == 0;
}

} // namespace

Vst3EqualizerView::Vst3EqualizerView(Vst3Equalizer &owner) : plugin(owner), editor(this, &owner.effect()) {
    plugin.addRef();
}

Vst3EqualizerView::~Vst3EqualizerView() {
    *alive = false;
    stopTimer();
    editor.close();
    setFrame(nullptr);
    plugin.release();
}

tresult Vst3EqualizerView::queryInterface(const TUID interfaceId, void **obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    void *found = nullptr;
    if (FUnknown::iid.matches(interfaceId) || IPlugView::iid.matches(interfaceId))
        found = static_cast<IPlugView *>(this);
    else if (IPlugViewContentScaleSupport::iid.matches(interfaceId))
        found = static_cast<IPlugViewContentScaleSupport *>(this);
    else if (ITimerHandler::iid.matches(interfaceId))
        found = static_cast<ITimerHandler *>(this);
    *obj = found;
    if (found == nullptr)
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3EqualizerView::addRef() {
    return references.fetch_add(1) + 1;
}

uint32_t Vst3EqualizerView::release() {
    const uint32_t left = references.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return left;
}

tresult Vst3EqualizerView::isPlatformTypeSupported(FIDString type) {
    return isOurWindowType(type) ? kResultTrue : kResultFalse;
}

tresult Vst3EqualizerView::attached(void *parent, FIDString type) {
    if (parent == nullptr || !isOurWindowType(type))
        return kInvalidArgument;
    if (editor.isOpen())
        return kResultFalse;
    // Opening may ask the host for another size (the desktop wants another
    // scale than getSize told), and a host may close the view from there.
    const std::shared_ptr<const bool> token = alive;
    addRef();
    const bool opened = editor.open(parent, this);
    const bool gone = !*token;
    release();
    if (gone || !opened)
        return kResultFalse;
    // The host's GUI thread runs the idle pass: from its run loop where it
    // offers one, else from a timer of the plug-in's own.
    void *loop = nullptr;
    if (plugFrame != nullptr &&
        plugFrame->queryInterface(reinterpret_cast<const char *>(IRunLoop::iid.bytes), &loop) == kResultOk &&
        loop != nullptr) {
        runLoop = static_cast<IRunLoop *>(loop);
        if (runLoop->registerTimer(this, IdlePacer::kInterval) != kResultOk) {
            runLoop->release();
            runLoop = nullptr;
        }
    }
    if (runLoop == nullptr)
        ownTimer.start(this, IdlePacer::kInterval);
    return kResultOk;
}

void Vst3EqualizerView::stopTimer() {
    if (runLoop != nullptr) {
        runLoop->unregisterTimer(this);
        runLoop->release();
        runLoop = nullptr;
    }
    ownTimer.stop();
}

tresult Vst3EqualizerView::removed() {
    stopTimer();
    editor.close();
    return kResultOk;
}

tresult Vst3EqualizerView::onWheel(float distance) {
    CFrame *frame = editor.getFrame();
    return frame != nullptr && frame->onWheelAtPointer(distance) ? kResultTrue : kResultFalse;
}

tresult Vst3EqualizerView::getSize(ViewRect *size) {
    if (size == nullptr)
        return kInvalidArgument;
    const CRect rect = editor.getRect();
    *size = {0, 0, static_cast<int32_t>(rect.width()), static_cast<int32_t>(rect.height())};
    return size->right > 0 && size->bottom > 0 ? kResultOk : kResultFalse;
}

tresult Vst3EqualizerView::onSize(ViewRect *newSize) {
    // The size is the editor's own; the host may only confirm it.
    return newSize != nullptr ? kResultOk : kInvalidArgument;
}

tresult Vst3EqualizerView::checkSizeConstraint(ViewRect *rect) {
    if (rect == nullptr)
        return kInvalidArgument;
    ViewRect own{};
    getSize(&own);
    rect->right = rect->left + own.right;
    rect->bottom = rect->top + own.bottom;
    return kResultTrue;
}

tresult Vst3EqualizerView::setFrame(IPlugFrame *frame) {
    if (frame == plugFrame)
        return kResultOk;
    if (frame != nullptr)
        frame->addRef();
    if (plugFrame != nullptr)
        plugFrame->release();
    plugFrame = frame;
    return kResultOk;
}

tresult Vst3EqualizerView::setContentScaleFactor(float factor) {
    // A new size while open reaches the host from inside this call, and the
    // host may drop the view there.
    const std::shared_ptr<const bool> token = alive;
    addRef();
    const bool taken = editor.setHostScale(factor);
    release();
    return taken ? kResultOk : kResultFalse;
}

void Vst3EqualizerView::onTimer() {
    if (inIdleWork)
        return;
    // The host may let go of the view from what the pass calls out to.
    addRef();
    pump();
    plugin.reportChangedValues();
    release();
}

void Vst3EqualizerView::beginEdit(int32_t index) {
    if (IComponentHandler *handler = plugin.handler(); handler != nullptr && parameterInfo(index) != nullptr)
        handler->beginEdit(static_cast<ParamID>(index));
}

void Vst3EqualizerView::endEdit(int32_t index) {
    if (IComponentHandler *handler = plugin.handler(); handler != nullptr && parameterInfo(index) != nullptr)
        handler->endEdit(static_cast<ParamID>(index));
}

bool Vst3EqualizerView::requestSize(int32_t width, int32_t height) {
    if (plugFrame == nullptr)
        return false;
    ViewRect size{0, 0, width, height};
    return plugFrame->resizeView(this, &size) == kResultOk;
}

float Vst3EqualizerView::parameterValue(int32_t index) {
    return plugin.effect().getParameter(index);
}

void Vst3EqualizerView::userValue(int32_t index, float value) {
    if (parameterInfo(index) != nullptr)
        plugin.userValue(index, value);
}

IPlugView *createEditorView(Vst3Equalizer &plugin) {
    if (!platform::windowsAvailable())
        return nullptr;
    try {
        return new Vst3EqualizerView(plugin);
    } catch (...) {
        return nullptr;
    }
}

} // namespace sorrel::vst3
