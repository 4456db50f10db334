// The scenario host on Windows: popup and child windows of the test's own
// class, real input through SendInput, the screen read back through GDI.
#include "win_host.h"

#include <algorithm>
#include <cstdio>

namespace sorrel::scenario {

namespace {

HWND hwndOf(Handle handle) {
    return static_cast<HWND>(handle);
}

} // namespace

struct TestHost::State {
    std::vector<HWND> made; // top-level windows still to destroy
};

TestHost::TestHost() : state(new State) {}

TestHost::~TestHost() {
    for (HWND w : state->made)
        if (IsWindow(w))
            DestroyWindow(w);
}

Handle TestHost::topLevel(int x, int y, int width, int height) {
    HWND w = makeHostWindow(x, y, width, height, WS_POPUP);
    state->made.push_back(w);
    return w;
}

Handle TestHost::child(Handle parent, int x, int y, int width, int height) {
    return makeHostWindow(x, y, width, height, WS_CHILD | WS_VISIBLE, hwndOf(parent));
}

void TestHost::destroy(Handle window) {
    auto &made = state->made;
    made.erase(std::remove(made.begin(), made.end(), hwndOf(window)), made.end());
    if (IsWindow(hwndOf(window)))
        DestroyWindow(hwndOf(window));
}

void TestHost::resize(Handle window, int width, int height) {
    SetWindowPos(hwndOf(window), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<Handle> TestHost::children(Handle parent) {
    std::vector<Handle> out;
    for (HWND child = GetWindow(hwndOf(parent), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        out.push_back(child);
    return out;
}

raster::Rect TestHost::geometry(Handle window) {
    RECT own{};
    GetWindowRect(hwndOf(window), &own);
    POINT topLeft{own.left, own.top};
    if (HWND up = GetParent(hwndOf(window)))
        ScreenToClient(up, &topLeft);
    return {topLeft.x, topLeft.y, topLeft.x + (own.right - own.left), topLeft.y + (own.bottom - own.top)};
}

std::vector<std::pair<std::string, Handle>> TestHost::notWindows() {
    HWND gone = makeHostWindow(0, 0, 50, 50, WS_POPUP);
    DestroyWindow(gone);
    return {{"a destroyed window", gone},
            {"a made-up handle", reinterpret_cast<HWND>(0x12345)},
            {"an aligned made-up handle", reinterpret_cast<HWND>(0x7ffe0000)}};
}

std::string TestHost::differences(Handle window, const raster::Surface &expected) {
    const raster::Surface shown = readBack(hwndOf(window), expected.width(), expected.height());
    raster::Point first;
    if (countDifferences(shown, expected, first) == 0)
        return "";
    char text[96];
    std::snprintf(text, sizeof text, "first difference at %d,%d: screen %06x, expected %06x",
                  static_cast<int>(first.x), static_cast<int>(first.y),
                  static_cast<unsigned>(raster::colorOf(shown.get(first.x, first.y))),
                  static_cast<unsigned>(raster::colorOf(expected.get(first.x, first.y))));
    return text;
}

void TestHost::invalidate(Handle window, const raster::Rect &area) {
    const RECT r{area.left, area.top, area.right, area.bottom};
    InvalidateRect(hwndOf(window), &r, FALSE);
}

namespace {

bool sendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof input) == 1;
}

} // namespace

bool TestHost::leftDown(Handle window, raster::Point at) {
    POINT screen{at.x, at.y};
    ClientToScreen(hwndOf(window), &screen);
    SetCursorPos(screen.x, screen.y);
    pumpFor(20);
    return sendButton(MOUSEEVENTF_LEFTDOWN);
}

bool TestHost::pointerTo(Handle window, raster::Point at) {
    POINT screen{at.x, at.y};
    ClientToScreen(hwndOf(window), &screen);
    return SetCursorPos(screen.x, screen.y) != 0;
}

bool TestHost::leftUp() {
    return sendButton(MOUSEEVENTF_LEFTUP);
}

bool TestHost::typeKeys(Handle window, const std::vector<std::string> &keys) {
    HWND hwnd = hwndOf(window);
    SetFocus(hwnd);
    if (GetFocus() != hwnd)
        return false;
    // As the system's message loop would hand them over: named keys as key
    // presses, the rest as the characters they type.
    const std::pair<const char *, WPARAM> named[] = {{"Tab", VK_TAB}, {"Up", VK_UP}, {"Down", VK_DOWN},
                                                     {"Return", VK_RETURN}, {"Escape", VK_ESCAPE}};
    for (const std::string &key : keys) {
        WPARAM virtualKey = 0;
        for (const auto &[name, code] : named)
            if (key == name)
                virtualKey = code;
        if (virtualKey)
            SendMessageA(hwnd, WM_KEYDOWN, virtualKey, 1);
        else
            SendMessageA(hwnd, WM_CHAR, key == "minus" ? '-' : static_cast<WPARAM>(key[0]), 1);
    }
    return true;
}

std::string TestHost::holdings() {
    // The backend's window class goes with its last window.
    return classRegistered(expectedClassName()) ? "the window class is registered" : "no window class";
}

std::string TestHost::resourcesOf(Handle) {
    HANDLE process = GetCurrentProcess();
    return "GDI objects " + std::to_string(GetGuiResources(process, GR_GDIOBJECTS)) + ", USER objects " +
           std::to_string(GetGuiResources(process, GR_USEROBJECTS));
}

long TestHost::heapInUse() {
    return -1;
}

std::string TestHost::complaints() {
    return "";
}

} // namespace sorrel::scenario
