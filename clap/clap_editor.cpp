#include "clap/clap_editor.h"

#include "clap/clap_plugin.h"
#include "gui/platform/platform.h"
#include "gui/views/frame.h"

#include <cstdint>
#include <cstring>

namespace sorrel::clap {

bool ClapEditor::available() { return platform::windowsAvailable(); }

const char *ClapEditor::windowApi() {
#ifdef _WIN32
    return kClapWindowApiWin32;
#else
    return kClapWindowApiX11;
#endif
}

bool ClapEditor::apiSupported(const char *api, bool floating) {
    return available() && !floating && api != nullptr && std::strcmp(api, windowApi()) == 0;
}

ClapEditor::ClapEditor(ClapEqualizer &owner)
    : plugin(owner), editor(this, &owner.effect()) {
    hostGui = static_cast<const clap_host_gui_t *>(plugin.hostExtension(kClapExtGui));
    timers = static_cast<const clap_host_timer_support_t *>(plugin.hostExtension(kClapExtTimerSupport));
    if (timers != nullptr && (timers->register_timer == nullptr || timers->unregister_timer == nullptr))
        timers = nullptr;
}

ClapEditor::~ClapEditor() {
    *alive = false;
    if (timer != kClapInvalidId)
        timers->unregister_timer(plugin.host(), timer);
    editor.close();
}

bool ClapEditor::setScale(double scale) { return editor.setHostScale(scale); }

bool ClapEditor::size(uint32_t *width, uint32_t *height) const {
    const CRect r = editor.getRect();
    if (width == nullptr || height == nullptr || r.width() <= 0 || r.height() <= 0)
        return false;
    *width = static_cast<uint32_t>(r.width());
    *height = static_cast<uint32_t>(r.height());
    return true;
}

bool ClapEditor::setParent(const clap_window_t *window) {
    if (window == nullptr || !apiSupported(window->api, false))
        return false;
#ifdef _WIN32
    void *parent = window->win32;
#else
    void *parent = reinterpret_cast<void *>(static_cast<uintptr_t>(window->x11));
#endif
    // Opening may ask the host for another size, and a host may destroy the
    // editor from there.
    const std::shared_ptr<const bool> token = alive;
    const bool opened = editor.open(parent, this);
    if (!*token || !opened)
        return false;
    if (timer == kClapInvalidId && !callbackIdle) {
        const clap_host_t *host = plugin.host();
        if (timers == nullptr || !timers->register_timer(host, IdlePacer::kInterval, &timer)) {
            timer = kClapInvalidId;
            callbackIdle = host != nullptr && host->request_callback != nullptr;
            if (callbackIdle)
                host->request_callback(host);
        }
    }
    return true;
}

void ClapEditor::onTimer(clap_id id) {
    if (id == timer && timer != kClapInvalidId && !inIdleWork)
        pump();
}

void ClapEditor::onMainThread() {
    if (!callbackIdle)
        return;
    const std::shared_ptr<const bool> token = alive;
    if (!inIdleWork && pacer.due(getTicks())) {
        pump();
        if (!*token)
            return;
    }
    const clap_host_t *host = plugin.host();
    if (editor.isOpen())
        host->request_callback(host);
}

void ClapEditor::beginEdit(int32_t index) { plugin.editorEvent(EditorEvent::Begin, index, 0.f); }

void ClapEditor::endEdit(int32_t index) { plugin.editorEvent(EditorEvent::End, index, 0.f); }

bool ClapEditor::requestSize(int32_t width, int32_t height) {
    if (hostGui == nullptr || hostGui->request_resize == nullptr || width <= 0 || height <= 0)
        return false;
    return hostGui->request_resize(plugin.host(), static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

float ClapEditor::parameterValue(int32_t index) { return plugin.effect().getParameter(index); }

void ClapEditor::userValue(int32_t index, float value) { plugin.editorEvent(EditorEvent::Value, index, value); }

} // namespace sorrel::clap
