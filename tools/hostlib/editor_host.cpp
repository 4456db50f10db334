#include "tools/hostlib/editor_host.h"

#include "tools/hostlib/editor_window.h"
#include "tools/hostlib/png.h"

#include <mutex>


namespace sorrel::tool {

namespace {

// One lock for every instance's lines, so that lines from the audio and the
// GUI thread never interleave.
std::mutex traceLock;

} // namespace

EditorHost::EditorHost(std::FILE *inTrace, std::string inPrefix)
    : trace(inTrace), prefix(std::move(inPrefix)), guiThread(std::this_thread::get_id()) {}

void EditorHost::note(const std::string &text) {
    if (!trace)
        return;
    std::lock_guard<std::mutex> lock(traceLock);
    std::fprintf(trace, "%s%s\n", prefix.c_str(), text.c_str());
    std::fflush(trace);
}

void EditorHost::automate(VstInt32 index, float value) {
    char line[64];
    std::snprintf(line, sizeof line, "automate %d %.6f", index, static_cast<double>(value));
    note(line);
}

void EditorHost::beginEdit(VstInt32 index) {
    note("beginEdit " + std::to_string(index));
}

void EditorHost::endEdit(VstInt32 index) {
    note("endEdit " + std::to_string(index));
}

void EditorHost::updateDisplay() {
    note("updateDisplay");
}

void EditorHost::idle() {
    // Plug-ins call this from their own loops, often many times a second:
    // counted, not traced.
    ++idleCount;
}

bool EditorHost::sizeWindow(VstInt32 width, VstInt32 height) {
    note("sizeWindow " + std::to_string(width) + " " + std::to_string(height));
    if (width <= 0 || height <= 0 || width > kLargestEditorWindow || height > kLargestEditorWindow)
        return false;
    if (std::this_thread::get_id() == guiThread)
        return resize && resize(width, height);
    pendingSize.store(static_cast<uint64_t>(width) << 32 | static_cast<uint64_t>(height));
    return true;
}

void EditorHost::applyPendingSize() {
    const uint64_t size = pendingSize.exchange(0);
    if (size && resize)
        resize(static_cast<int>(size >> 32), static_cast<int>(size & 0xffffffffu));
}

std::string numberedPath(const std::string &path, int number, int count) {
    if (count <= 1)
        return path;
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    const std::string suffix = "-" + std::to_string(number);
    return hasExtension ? path.substr(0, dot) + suffix + path.substr(dot) : path + suffix;
}

std::string writePng(const std::string &path, const RgbImage &image) {
    if (image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
        return path + ": no image to write";
    return writePngFile(path, image.width, image.height, image.pixels.data());
}

} // namespace sorrel::tool
