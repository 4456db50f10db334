#include "win_host.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

namespace sorrel::scenario {

const char *hostClass() {
    static const char *const kHostClass = "SorrelTestHost";
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = kHostClass;
        registered = RegisterClassExA(&windowClass) != 0;
    }
    return kHostClass;
}

HWND makeHostWindow(int x, int y, int width, int height, DWORD style, HWND parent) {
    HWND hwnd = CreateWindowExA(0, hostClass(), "Host", style, x, y, width, height, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd && !parent) {
        // Shown without activation: Wine then leaves the window to itself
        // instead of waiting for a window manager that Xvfb does not have.
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

bool pumpUntil(const std::function<bool()> &done, int milliseconds) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < static_cast<DWORD>(milliseconds)) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!done())
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
}

void pumpFor(int milliseconds) {
    const DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start >= static_cast<DWORD>(milliseconds); }, milliseconds + 100);
}

raster::Surface readBack(HWND hwnd, int32_t width, int32_t height) {
    raster::Surface result(width, height);
    HDC screen = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto *pixels = static_cast<const raster::Pixel *>(bits);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                result.set(x, y, raster::colorOf(pixels[y * width + x]));
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(hwnd, screen);
    return result;
}

int countDifferences(const raster::Surface &a, const raster::Surface &b, raster::Point &first) {
    if (a.width() != b.width() || a.height() != b.height())
        return -1;
    int count = 0;
    for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
            if (raster::colorOf(a.get(x, y)) != raster::colorOf(b.get(x, y)) && count++ == 0)
                first = {x, y};
    return count;
}

std::string expectedClassName() {
    char name[40];
    std::snprintf(name, sizeof name, "Plugin%p", static_cast<void *>(GetModuleHandleA(nullptr)));
    return name;
}

bool classRegistered(const std::string &name) {
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &info) != 0;
}

} // namespace sorrel::scenario

// The tests need a window system. Under Wine that is an X server named by
// DISPLAY (without it Wine may still make windows, drawing nowhere).
int main(int argc, char **argv) {
    const bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    char display[256];
    if (underWine && !GetEnvironmentVariableA("DISPLAY", display, sizeof display)) {
        std::printf("SKIP: window-system tests: DISPLAY is not set (they need an X server under Wine)\n");
        return 0;
    }
    HWND probe = sorrel::scenario::makeHostWindow(0, 0, 10, 10, WS_POPUP);
    if (!probe) {
        std::printf("SKIP: window-system tests: no window could be created (error %lu)\n", GetLastError());
        return 0;
    }
    DestroyWindow(probe);
    OleInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
