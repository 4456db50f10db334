// Editor windows on Windows (and Wine) through USER32 and GDI32: a fixed-size
// top-level window whose HWND the plug-in gets as the parent of its own, a
// message loop with a 40 ms thread timer, and read-back of the client area.
#include "tools/hostlib/editor_window.h"

#include <windows.h>

namespace sorrel::tool {

namespace {

const wchar_t *const kClassName = L"SorrelHostEditorWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
int classUsers = 0; // the window class lives while windows of it exist

std::wstring wide(const std::string &utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return L"";
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

// The outer size that gives the wanted client size.
SIZE outerSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

class Win32Window final : public EditorWindow {
  public:
    Win32Window(int width, int height) : EditorWindow(width, height) {}
    ~Win32Window() override {
        if (hwnd) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        if (--classUsers == 0)
            UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    }

    void *parentHandle() const override { return hwnd; }
    intptr_t displayHandle() const override { return 0; }

    void move(int x, int y) override {
        RECT r{0, 0, currentWidth, currentHeight};
        AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
        SetWindowPos(hwnd, nullptr, x + r.left, y + r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void show() override {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
    }
    void raise() override {
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    bool setClientSize(int width, int height) override {
        const SIZE s = outerSize(width, height);
        if (!SetWindowPos(hwnd, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            return false;
        currentWidth = width;
        currentHeight = height;
        return true;
    }

    bool capture(RgbImage &image, std::string &error) override {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        if (w <= 0 || h <= 0) {
            error = "the window has no client area";
            return false;
        }
        HDC windowDc = GetDC(hwnd);
        HDC memDc = CreateCompatibleDC(windowDc);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h; // top-down rows
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void *bits = nullptr;
        HBITMAP dib = CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        bool ok = false;
        if (dib && bits && memDc) {
            HGDIOBJ old = SelectObject(memDc, dib);
            // The window's device context reads what the screen shows there,
            // the plug-in's child windows included.
            ok = BitBlt(memDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY | CAPTUREBLT) != 0;
            GdiFlush();
            if (ok) {
                image.width = w;
                image.height = h;
                image.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
                const auto *src = static_cast<const uint8_t *>(bits); // B, G, R, unused
                uint8_t *out = image.pixels.data();
                for (size_t i = 0, n = static_cast<size_t>(w) * static_cast<size_t>(h); i < n; ++i) {
                    out[3 * i] = src[4 * i + 2];
                    out[3 * i + 1] = src[4 * i + 1];
                    out[3 * i + 2] = src[4 * i];
                }
            }
            SelectObject(memDc, old);
        }
        if (dib)
            DeleteObject(dib);
        if (memDc)
            DeleteDC(memDc);
        ReleaseDC(hwnd, windowDc);
        if (!ok)
            error = "the window system did not hand out the window's contents";
        return ok;
    }

    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto *self = reinterpret_cast<Win32Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            switch (msg) {
            case WM_CLOSE: // closed after the editor, by the owner
                self->closeAsked = true;
                return 0;
            case WM_SIZE:
                self->currentWidth = LOWORD(lp);
                self->currentHeight = HIWORD(lp);
                break;
            case WM_ERASEBKGND: {
                RECT rc;
                GetClientRect(hwnd, &rc);
                FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
                return 1;
            }
            default:
                break;
            }
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    HWND hwnd = nullptr;
};

} // namespace

bool EditorWindow::available() {
    return true;
}

bool EditorWindow::screenSize(int &width, int &height, std::string &) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    return true;
}

std::unique_ptr<EditorWindow> EditorWindow::create(const std::string &title, int width, int height,
                                                   std::string &error) {
    if (!usableWindowSize(width, height, error))
        return nullptr;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (classUsers == 0) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Win32Window::proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            error = "cannot register the window class";
            return nullptr;
        }
    }
    ++classUsers;
    std::unique_ptr<Win32Window> win(new Win32Window(width, height));
    const SIZE s = outerSize(width, height);
    win->hwnd = CreateWindowExW(kExStyle, kClassName, wide(title).c_str(), kStyle, 0, 0, s.cx, s.cy, nullptr,
                                nullptr, instance, nullptr);
    if (!win->hwnd) {
        error = "cannot create a window";
        return nullptr;
    }
    SetWindowLongPtrW(win->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(win.get()));
    return win;
}

void runEventLoop(int periodMs, const std::function<bool()> &tick) {
    const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(periodMs), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer) {
            if (!tick())
                break;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);
}

} // namespace sorrel::tool
