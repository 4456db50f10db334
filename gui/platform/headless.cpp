// Window-less backend: used by the tests and by builds without a window system.
#include "gui/platform/platform.h"

#include <cstdio>
#include <mutex>

namespace sorrel::platform {

namespace {
std::mutex messageMutex;
ShownMessage lastMessage;
} // namespace

void showMessageBox(const char *caption, const char *text) {
    const char *c = caption ? caption : "";
    const char *t = text ? text : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    try {
        std::lock_guard<std::mutex> lock(messageMutex);
        lastMessage.caption = c;
        lastMessage.text = t;
        ++lastMessage.count;
    } catch (...) {
        // Recording is a test aid; losing it must not disturb the caller.
    }
}

ShownMessage lastMessageForTest() {
    std::lock_guard<std::mutex> lock(messageMutex);
    return lastMessage;
}

} // namespace sorrel::platform
