// Builds without a window system for the tool (32-bit Linux): the gui
// command says so instead of opening windows.
#include "tools/hostlib/editor_window.h"

namespace sorrel::tool {

bool EditorWindow::available() {
    return false;
}

bool EditorWindow::screenSize(int &, int &, std::string &error) {
    error = "not available on this build";
    return false;
}

std::unique_ptr<EditorWindow> EditorWindow::create(const std::string &, int, int, std::string &error) {
    error = "not available on this build";
    return nullptr;
}

void runEventLoop(int, const std::function<bool()> &) {}

} // namespace sorrel::tool
