// Windows backend: one child window per open editor inside the host's window,
// shown from a memory image with SetDIBitsToDevice.
//
// Lifetime rule: the window procedure and the drop target reach the owner
// only through deliver(), which keeps the Window object alive while the owner
// runs. An owner that destroys its window from inside a callback (a re-entrant
// close, a paint that closes the editor) detaches it at once; the object is
// freed when the outermost callback returns.
#include "gui/platform/platform.h"
#include "gui/platform/win32_accessible.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace sorrel::platform {

class DropTarget;

class Window {
  public:
    HWND hwnd = nullptr; // null once destroyed, by us or under us
    WindowClient *client = nullptr;
    raster::Surface surface;
    HDC paintDc = nullptr; // set while the owner paints inside WM_PAINT
    bool countedClass = false;
    bool oleInitialized = false;
    DropTarget *dropTarget = nullptr;
    bool cursorRecorded = false;
    HCURSOR defaultCursor = nullptr;
    int busy = 0;        // nesting depth of callbacks into the owner
    bool doomed = false; // destroyWindow ran inside a callback
    WindowAccessible *accessible = nullptr; // what screen readers hold
};

namespace {

// Any address inside this module names the module: the plug-in DLL, not the
// host executable that loaded it.
const char moduleMarker = 0;

HINSTANCE moduleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       &moduleMarker, &module);
    return module;
}

// The window class is shared by every open editor of the module; the name
// carries the module handle so that two copies of the plug-in loaded side by
// side (each with its own window procedure) never share a class.
int classUsers = 0;
char className[40] = "";

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool acquireClass() {
    if (classUsers > 0) {
        ++classUsers;
        return true;
    }
    HINSTANCE instance = moduleInstance();
    std::snprintf(className, sizeof className, "Plugin%p", static_cast<void *>(instance));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    if (!RegisterClassExA(&windowClass)) {
        // A class left behind when the last window was closed from inside
        // its own destruction (it could not be unregistered then): take it
        // back, or use it when a window of it still exists.
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
        UnregisterClassA(className, instance);
        if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    classUsers = 1;
    return true;
}

void releaseClass() {
    if (classUsers > 0 && --classUsers == 0)
        UnregisterClassA(className, moduleInstance());
}

bool isOurWindow(HWND hwnd) {
    char name[sizeof className + 1] = "";
    return classUsers > 0 && hwnd && GetClassNameA(hwnd, name, sizeof name) > 0 &&
           std::strcmp(name, className) == 0;
}

// The window above hwnd in the child chain; null for a top-level window (its
// GetParent would be the owner, which is no container of it).
HWND parentOf(HWND hwnd) {
    if (!hwnd || !(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD))
        return nullptr;
    return GetParent(hwnd);
}

void resizeOnly(HWND hwnd, int32_t width, int32_t height) {
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The press being handled. A press and its release may both be queued
// before the press is handled (a quick click while the host was busy): the
// message itself says what was pressed with which modifiers, and the queued
// release says that the gesture is over, whatever the button does next.
struct Press {
    bool active = false;
    HWND hwnd = nullptr;
    UINT upMessage = 0;
    int32_t bits = 0;      // physical buttons and modifiers of the message
    int32_t buttonBit = 0; // the pressed button's physical bit
    bool firstRead = true; // heldButtons has yet to answer the message itself
    bool released = false; // its release is queued (or was handled)
    DWORD time = 0;        // message time of the press, and of its release once seen
    DWORD releaseTime = 0;
};
Press thePress;

// The span in message time during which the last press handled held its
// button, up to the end of its handling. Presses and wheel messages stamped
// inside it were queued while that button was held: they are dropped rather
// than handled after the gesture as a second one.
struct HeldSpan {
    bool known = false;
    DWORD from = 0, until = 0;
} lastHeld;

bool cameWhileHeld(DWORD time) {
    return lastHeld.known && static_cast<LONG>(time - lastHeld.from) > 0 &&
           static_cast<LONG>(lastHeld.until - time) > 0;
}

void endPress(const Press &press) {
    DWORD until = press.releaseTime;
    if (!press.released) {
        MSG up;
        until = press.hwnd && PeekMessageA(&up, press.hwnd, press.upMessage, press.upMessage, PM_NOREMOVE)
                    ? up.time
                    : GetTickCount();
    }
    lastHeld = {true, press.time, until};
}

Press pressOf(HWND hwnd, UINT message, WPARAM wParam) {
    // The message speaks of logical buttons; the toolkit wants physical ones.
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) > 0;
    const int32_t logicalLeft = swapped ? ButtonRight : ButtonLeft;
    const int32_t logicalRight = swapped ? ButtonLeft : ButtonRight;
    Press press;
    press.active = true;
    press.hwnd = hwnd;
    press.bits |= (wParam & MK_LBUTTON) ? logicalLeft : 0;
    press.bits |= (wParam & MK_RBUTTON) ? logicalRight : 0;
    press.bits |= (wParam & MK_MBUTTON) ? ButtonMiddle : 0;
    press.bits |= (wParam & MK_SHIFT) ? KeyShift : 0;
    press.bits |= (wParam & MK_CONTROL) ? KeyControl : 0;
    // The key state as of this message, not as of now.
    press.bits |= (GetKeyState(VK_MENU) & 0x8000) ? KeyAlt : 0;
    switch (message) {
    case WM_LBUTTONDOWN:
        press.upMessage = WM_LBUTTONUP;
        press.buttonBit = logicalLeft;
        break;
    case WM_RBUTTONDOWN:
        press.upMessage = WM_RBUTTONUP;
        press.buttonBit = logicalRight;
        break;
    default:
        press.upMessage = WM_MBUTTONUP;
        press.buttonBit = ButtonMiddle;
        break;
    }
    press.bits |= press.buttonBit;
    return press;
}

template <typename Call> void deliver(Window *window, Call call) {
    if (!window || !window->client || window->doomed)
        return;
    ++window->busy;
    try {
        call(*window->client);
    } catch (...) {
        // Nothing may unwind through the host's message loop.
    }
    if (--window->busy == 0 && window->doomed)
        delete window;
}

} // namespace

bool withAccessibleContent(Window *window, const std::function<void(AccessibleContent &)> &call) {
    if (!window || !window->hwnd)
        return false;
    bool ran = false;
    deliver(window, [&](WindowClient &client) {
        if (AccessibleContent *content = client.accessibleContent()) {
            ran = true;
            call(*content);
        }
    });
    return ran;
}

namespace {

// --- drag and drop ------------------------------------------------------------------

// A dropped shortcut stands for its target: replace path (a buffer of
// capacity bytes) by the target's short path. Any failing step keeps path.
void resolveShortcut(char *path, size_t capacity) {
    const char *dot = std::strrchr(path, '.');
    if (!dot || lstrcmpiA(dot, ".lnk") != 0)
        return;
    IShellLinkA *link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link))) ||
        !link)
        return;
    IPersistFile *file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) && file) {
        static constexpr int kWidePath = 2048;
        WCHAR wide[kWidePath];
        // Search for a moved target for at most 500 ms, and never ask the user.
        const DWORD resolveFlags = static_cast<DWORD>(SLR_NO_UI) | SLR_ANY_MATCH | (500u << 16);
        char target[1024] = "";
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kWidePath) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->Resolve(nullptr, resolveFlags)) &&
            link->GetPath(target, sizeof target, nullptr, SLGP_SHORTPATH) == S_OK && target[0] &&
            std::strlen(target) < capacity)
            std::strcpy(path, target);
        file->Release();
    }
    link->Release();
}

// The shell's data object as the toolkit sees it. Each format is fetched
// once, on first use, and released with the object.
class OleDrop final : public DropData {
  public:
    explicit OleDrop(IDataObject *object) : data(object) { data->AddRef(); }
    ~OleDrop() override {
        if (textFetched)
            ReleaseStgMedium(&textMedium);
        if (filesFetched)
            ReleaseStgMedium(&filesMedium);
        data->Release();
    }
    OleDrop(const OleDrop &) = delete;
    OleDrop &operator=(const OleDrop &) = delete;

    bool hasText() override { return fetch(CF_TEXT, textMedium, textTried, textFetched); }

    std::string text() override {
        if (!hasText())
            return {};
        const void *bytes = GlobalLock(textMedium.hGlobal);
        if (!bytes)
            return {};
        std::string result;
        try {
            // The block may lack its terminator: never read past its size.
            const char *chars = static_cast<const char *>(bytes);
            const size_t size = GlobalSize(textMedium.hGlobal);
            result.assign(chars, strnlen(chars, size));
        } catch (...) {
            result.clear();
        }
        GlobalUnlock(textMedium.hGlobal);
        return result;
    }

    int32_t fileCount() override {
        HDROP list = files();
        return list ? static_cast<int32_t>(DragQueryFileA(list, 0xFFFFFFFFu, nullptr, 0)) : 0;
    }

    std::string file(int32_t index) override {
        if (index < 0 || index >= fileCount())
            return {};
        char path[1024] = "";
        if (!DragQueryFileA(files(), static_cast<UINT>(index), path, sizeof path))
            return {};
        resolveShortcut(path, sizeof path);
        try {
            return path;
        } catch (...) {
            return {};
        }
    }

  private:
    HDROP files() {
        return fetch(CF_HDROP, filesMedium, filesTried, filesFetched) ? static_cast<HDROP>(filesMedium.hGlobal)
                                                                      : nullptr;
    }

    bool fetch(CLIPFORMAT format, STGMEDIUM &medium, bool &tried, bool &fetched) {
        if (!tried) {
            tried = true;
            FORMATETC wanted{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            if (SUCCEEDED(data->GetData(&wanted, &medium))) {
                fetched = true;
                if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) {
                    ReleaseStgMedium(&medium);
                    fetched = false;
                }
            }
        }
        return fetched;
    }

    IDataObject *data;
    STGMEDIUM textMedium{};
    STGMEDIUM filesMedium{};
    bool textTried = false, textFetched = false;
    bool filesTried = false, filesFetched = false;
};

} // namespace

// The window's OLE drop target. OLE holds it from RegisterDragDrop until
// RevokeDragDrop, the window for as long as it is registered; it may outlive
// the window (detach cuts the link) and frees itself at the last Release.
// A COM interface has no destructor by design (the object deletes itself),
// which the compiler's check for polymorphic bases cannot know.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DropTarget final : public IDropTarget {
  public:
    explicit DropTarget(Window *owner) : window(owner) {}
    DropTarget(const DropTarget &) = delete;
    DropTarget &operator=(const DropTarget &) = delete;

    void detach() {
        window = nullptr;
        endDrag();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left <= 0) {
            delete this;
            return 0;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject *object, DWORD, POINTL, DWORD *effect) override {
        Hold hold(this);
        endDrag();
        if (!object || !window || !window->client) {
            if (effect)
                *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        dragged = object;
        dragged->AddRef();
        notify(object, [](WindowClient &client, DropData &data) { client.dragEnter(data); });
        if (effect)
            *effect = DROPEFFECT_MOVE;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD *effect) override {
        Hold hold(this);
        if (!dragged)
            return S_OK;
        notify(dragged, [](WindowClient &client, DropData &data) { client.dragMove(data); });
        if (effect)
            *effect = DROPEFFECT_MOVE;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override {
        Hold hold(this);
        if (dragged) {
            deliver(window, [](WindowClient &client) { client.dragLeave(); });
            endDrag();
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject *object, DWORD, POINTL, DWORD *) override {
        Hold hold(this);
        if (dragged) {
            notify(object ? object : dragged, [](WindowClient &client, DropData &data) { client.drop(data); });
            endDrag();
        }
        return S_OK;
    }

  private:
    // Keeps the target alive through a notification in which the owner may
    // revoke it.
    struct Hold {
        explicit Hold(DropTarget *t) : target(t) { target->AddRef(); }
        ~Hold() { target->Release(); }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
        DropTarget *target;
    };

    ~DropTarget() { endDrag(); }

    template <typename Call> void notify(IDataObject *object, Call call) {
        OleDrop data(object);
        deliver(window, [&](WindowClient &client) { call(client, data); });
    }

    void endDrag() {
        if (IDataObject *object = std::exchange(dragged, nullptr))
            object->Release();
    }

    LONG references = 0;
    Window *window;
    IDataObject *dragged = nullptr; // the drag in progress
};
#pragma GCC diagnostic pop

namespace {

void revokeDropTarget(Window *window) {
    if (DropTarget *target = std::exchange(window->dropTarget, nullptr)) {
        if (window->hwnd)
            RevokeDragDrop(window->hwnd);
        target->detach();
        target->Release();
    }
}

// Everything but freeing the object: after this no callback reaches the
// owner and nothing of the window system is held.
void detach(Window *window) {
    revokeDropTarget(window);
    releaseAccessible(window->accessible);
    if (HWND hwnd = std::exchange(window->hwnd, nullptr)) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
    if (std::exchange(window->countedClass, false))
        releaseClass();
    if (std::exchange(window->oleInitialized, false))
        OleUninitialize();
}

// Keys reach the toolkit in the numbering of the plug-in interfaces' key
// calls; 0 for the keys that come as characters (WM_CHAR) or not at all.
uint8_t virtualKeyOf(WPARAM key) {
    switch (key) {
    case VK_BACK:
        return keys::Back;
    case VK_TAB:
        return keys::Tab;
    case VK_RETURN:
        return keys::Return;
    case VK_ESCAPE:
        return keys::Escape;
    case VK_SPACE:
        return keys::Space;
    case VK_END:
        return keys::End;
    case VK_HOME:
        return keys::Home;
    case VK_LEFT:
        return keys::Left;
    case VK_UP:
        return keys::Up;
    case VK_RIGHT:
        return keys::Right;
    case VK_DOWN:
        return keys::Down;
    case VK_PRIOR:
        return keys::PageUp;
    case VK_NEXT:
        return keys::PageDown;
    case VK_DELETE:
        return keys::Delete;
    default:
        return 0;
    }
}

// A key for the owner; true when it took it.
bool deliverKey(Window *window, const KeyStroke &key) {
    bool taken = false;
    deliver(window, [&](WindowClient &client) { taken = client.keyPressed(key); });
    return taken;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *window = reinterpret_cast<Window *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const DWORD time = static_cast<DWORD>(GetMessageTime());
        if (cameWhileHeld(time))
            return 0;
        const raster::Point where{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const Press outer = thePress;
        thePress = pressOf(hwnd, message, wParam);
        thePress.time = time;
        deliver(window, [&](WindowClient &client) { client.buttonPressed(where); });
        endPress(thePress);
        thePress = outer;
        return 0;
    }
    case WM_MOUSEWHEEL: {
        if (cameWhileHeld(static_cast<DWORD>(GetMessageTime())))
            return 0;
        // The message carries screen coordinates.
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(hwnd, &point);
        const float distance = static_cast<short>(HIWORD(wParam)) / 120.0f;
        deliver(window, [&](WindowClient &client) { client.wheel({point.x, point.y}, distance); });
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_PAINT: {
        if (!GetUpdateRect(hwnd, nullptr, FALSE))
            break;
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(hwnd, &paint)) {
            const RECT &r = paint.rcPaint;
            const raster::Rect area{r.left, r.top, r.right, r.bottom};
            deliver(window, [&](WindowClient &client) {
                HDC outer = std::exchange(window->paintDc, dc);
                client.paint(area);
                window->paintDc = outer;
            });
            EndPaint(hwnd, &paint);
        }
        return 0;
    }
    // Keys come only while the host has given the window the keyboard focus.
    case WM_KEYDOWN: {
        KeyStroke key;
        key.virt = virtualKeyOf(wParam);
        key.modifier = (GetKeyState(VK_SHIFT) & 0x8000) ? keys::Shift : 0;
        if (key.virt != 0 && deliverKey(window, key))
            return 0;
        break;
    }
    case WM_CHAR:
        // The keys above come as characters too (space, Enter, Tab, Backspace).
        if (wParam > 0x20 && wParam < 0x7F) {
            KeyStroke key;
            key.character = static_cast<int32_t>(wParam);
            if (deliverKey(window, key))
                return 0;
        }
        break;
    case WM_GETOBJECT:
        if (const LRESULT answer = answerAccessibleQuery(window, hwnd, wParam, lParam, window->accessible))
            return answer;
        break;
    case WM_DESTROY:
        // Destroyed under us (the host closed its window first): the owner
        // hears of it once, and no message reaches it afterwards.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        revokeDropTarget(window);
        releaseAccessible(window->accessible);
        window->hwnd = nullptr;
        deliver(window, [](WindowClient &client) { client.destroyed(); });
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

struct UrlJob {
    HMODULE module; // holds the module loaded while the worker runs its code
    std::string address;
};

DWORD WINAPI openUrlWorker(void *parameter) {
    UrlJob *job = static_cast<UrlJob *>(parameter);
    // The shell may hand the address to COM-based handlers.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellExecuteA(nullptr, "open", job->address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com))
        CoUninitialize();
    HMODULE module = job->module;
    delete job;
    if (module)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

} // namespace

// --- input state ----------------------------------------------------------------

int32_t heldButtons() {
    // The asynchronous state of VK_LBUTTON is the physical left button, not
    // the logical one the system makes of it for a left-handed user: the
    // toolkit does that swapping itself.
    Press &press = thePress;
    if (press.active && press.firstRead) {
        press.firstRead = false;
        return press.bits;
    }
    auto held = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    int32_t bits = 0;
    bits |= held(VK_LBUTTON) ? ButtonLeft : 0;
    bits |= held(VK_MBUTTON) ? ButtonMiddle : 0;
    bits |= held(VK_RBUTTON) ? ButtonRight : 0;
    bits |= held(VK_SHIFT) ? KeyShift : 0;
    bits |= held(VK_CONTROL) ? KeyControl : 0;
    bits |= held(VK_MENU) ? KeyAlt : 0;
    if (press.active) {
        // The release waits in the queue behind the press just handled; the
        // button may already be down again for the next click.
        MSG message;
        if (!press.released && press.hwnd &&
            PeekMessageA(&message, press.hwnd, press.upMessage, press.upMessage, PM_NOREMOVE)) {
            press.released = true;
            press.releaseTime = message.time;
        }
        if (press.released)
            bits &= ~press.buttonBit;
    }
    return bits;
}

raster::Point pointerPosition() {
    POINT point{0, 0};
    GetCursorPos(&point);
    return {point.x, point.y};
}

bool buttonsSwapped() {
    return GetSystemMetrics(SM_SWAPBUTTON) > 0;
}

// --- time -------------------------------------------------------------------------

uint32_t tickCount() {
    return GetTickCount();
}

uint32_t eventTime() {
    return static_cast<uint32_t>(GetMessageTime());
}

uint32_t doubleClickTime() {
    return GetDoubleClickTime();
}

void sleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

bool takeButtonPress() {
    // Only a press on one of our windows: the host's own clicks stay queued.
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) ||
        !isOurWindow(message.hwnd))
        return false;
    return PeekMessageA(&message, message.hwnd, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE) != FALSE;
}

// --- windows ----------------------------------------------------------------------

bool windowsAvailable() {
    return true;
}

Window *createWindow(void *parent, int32_t width, int32_t height, WindowClient *client) {
    HWND parentWindow = static_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow) || width <= 0 || height <= 0)
        return nullptr;
    Window *window = new (std::nothrow) Window;
    if (!window)
        return nullptr;
    window->client = client;
    window->surface = raster::Surface(width, height);
    if (window->surface.empty() || !acquireClass()) {
        delete window;
        return nullptr;
    }
    window->countedClass = true;
    // Drag and drop and the shell-link object need OLE on this thread.
    window->oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    window->hwnd = CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                   0, 0, width, height, parentWindow, nullptr, moduleInstance(), nullptr);
    if (!window->hwnd) {
        detach(window);
        delete window;
        return nullptr;
    }
    SetWindowLongPtrA(window->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    return window;
}

void destroyWindow(Window *window) {
    if (!window || window->doomed)
        return;
    detach(window);
    if (window->busy > 0)
        window->doomed = true; // freed when the callback in progress returns
    else
        delete window;
}

void *nativeHandle(Window *window) {
    return window ? window->hwnd : nullptr;
}

raster::Surface *windowSurface(Window *window) {
    return window ? &window->surface : nullptr;
}

namespace {

void putArea(Window *window, HDC dc, const raster::Rect &area) {
    const raster::Rect part = raster::intersect(area, window->surface.bounds());
    if (part.empty())
        return;
    // The surface's 0x00RRGGBB pixels are a top-down 32-bit DIB as they
    // are. The bits start at the area's first row, so the source rows
    // count the same whichever way the system reads them.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = window->surface.stride();
    info.bmiHeader.biHeight = -part.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(part.width()), static_cast<DWORD>(part.height()),
                      part.left, 0, 0, static_cast<UINT>(part.height()), window->surface.row(part.top), &info,
                      DIB_RGB_COLORS);
}

} // namespace

void presentWindow(Window *window, const raster::Rect &area) { presentWindowAreas(window, &area, 1); }

void presentWindowAreas(Window *window, const raster::Rect *areas, size_t count) {
    if (!window || !window->hwnd || !areas || count == 0)
        return;
    HDC dc = window->paintDc ? window->paintDc : GetDC(window->hwnd);
    if (!dc)
        return;
    for (size_t i = 0; i < count; ++i)
        putArea(window, dc, areas[i]);
    if (!window->paintDc)
        ReleaseDC(window->hwnd, dc);
}

raster::Rect windowScreenRect(Window *window) {
    if (!window)
        return {};
    POINT origin{0, 0};
    if (window->hwnd)
        ClientToScreen(window->hwnd, &origin);
    return {origin.x, origin.y, origin.x + window->surface.width(), origin.y + window->surface.height()};
}

void resizeWindow(Window *window, int32_t width, int32_t height, bool resizeParents) {
    if (!window || width <= 0 || height <= 0)
        return;
    raster::Surface resized(width, height);
    if (!resized.empty())
        window->surface = std::move(resized);
    HWND hwnd = window->hwnd;
    if (!hwnd)
        return;
    if (!resizeParents) {
        resizeOnly(hwnd, width, height);
        return;
    }
    // Grow each window of the chain by what its parent had around it, up to
    // the outer frame (a dialog border's worth) or an MDI client. A parent
    // much larger than its child is the host's own layout: stop there.
    const int32_t frameBorder = 2 * GetSystemMetrics(SM_CYDLGFRAME);
    constexpr int32_t kHostLayout = 80;
    int32_t extraWidth = 0;
    int32_t extraHeight = 0;
    while (extraWidth != frameBorder && hwnd) {
        HWND parent = parentOf(hwnd);
        char name[1024] = "";
        if (!parent || (GetClassNameA(parent, name, sizeof name) > 0 && std::strcmp(name, "MDIClient") == 0))
            break;
        RECT own{}, around{};
        GetWindowRect(hwnd, &own);
        GetWindowRect(parent, &around);
        resizeOnly(hwnd, width + extraWidth, height + extraHeight);
        extraWidth += (around.right - around.left) - (own.right - own.left);
        extraHeight += (around.bottom - around.top) - (own.bottom - own.top);
        if (extraWidth > kHostLayout || extraHeight > kHostLayout)
            return;
        extraWidth = extraWidth < 0 ? 0 : extraWidth;
        extraHeight = extraHeight < 0 ? 0 : extraHeight;
        hwnd = parent;
    }
    if (hwnd)
        resizeOnly(hwnd, width + extraWidth, height + extraHeight);
}

bool outerWindowPosition(Window *window, raster::Point &position) {
    if (!window || !window->hwnd)
        return false;
    // The outer window is the first one upwards with a caption or without a
    // parent, or whose parent is clearly more than a border around us.
    constexpr int32_t kBorderSlack = 60;
    RECT ours{};
    GetWindowRect(window->hwnd, &ours);
    HWND outer = window->hwnd;
    for (;;) {
        HWND parent = parentOf(outer);
        if (!parent || (GetWindowLongPtrA(outer, GWL_STYLE) & WS_CAPTION))
            break;
        RECT around{};
        GetWindowRect(parent, &around);
        if ((around.right - around.left) - (ours.right - ours.left) > kBorderSlack ||
            (around.bottom - around.top) - (ours.bottom - ours.top) > kBorderSlack)
            break;
        outer = parent;
    }
    RECT rect{};
    GetWindowRect(outer, &rect);
    POINT topLeft{rect.left, rect.top};
    MapWindowPoints(nullptr, parentOf(outer), &topLeft, 1);
    position = {topLeft.x, topLeft.y};
    return true;
}

void pumpEvents() {
    // The paints of the thread's windows (the host's included, so its
    // window keeps up while a control holds the thread in its drag loop).
    // A few at a time: a window that never validates must not hold us here.
    constexpr int kPaintsPerPump = 4;
    MSG message;
    for (int i = 0; i < kPaintsPerPump && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageA(&message);
}

void setCursor(Window *window, Cursor cursor) {
    if (!window)
        return;
    if (!window->cursorRecorded) {
        window->cursorRecorded = true;
        window->defaultCursor = GetCursor();
    }
    LPCSTR shape = nullptr;
    switch (cursor) {
    case CursorBusy: shape = IDC_WAIT; break;
    case CursorWestEast: shape = IDC_SIZEWE; break;
    case CursorNorthSouth: shape = IDC_SIZENS; break;
    case CursorFourWay: shape = IDC_SIZEALL; break;
    case CursorNorthEastSouthWest: shape = IDC_SIZENESW; break;
    case CursorNorthWestSouthEast: shape = IDC_SIZENWSE; break;
    case CursorNoEntry: shape = IDC_NO; break;
    case CursorPointingHand: shape = IDC_HAND; break;
    default: break;
    }
    HCURSOR handle = shape ? LoadCursorA(nullptr, shape) : window->defaultCursor;
    // No cursor was showing when the default was recorded: an arrow rather
    // than a pointer that vanishes.
    SetCursor(handle ? handle : LoadCursorA(nullptr, IDC_ARROW));
}

bool setDropTarget(Window *window, bool active) {
    if (!window)
        return false;
    if (!active) {
        revokeDropTarget(window);
        return true;
    }
    if (window->dropTarget)
        return true;
    if (!window->hwnd || !window->oleInitialized)
        return false;
    DropTarget *target = new (std::nothrow) DropTarget(window);
    if (!target)
        return false;
    target->AddRef(); // the window's own reference
    if (FAILED(RegisterDragDrop(window->hwnd, target))) {
        target->detach();
        target->Release();
        return false;
    }
    window->dropTarget = target;
    return true;
}

// --- the rest of the world ------------------------------------------------------------

void openUrl(const char *address) {
    if (!address || !*address)
        return;
    UrlJob *job = nullptr;
    try {
        job = new UrlJob{nullptr, address};
    } catch (...) {
        return;
    }
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &moduleMarker, &job->module);
    HANDLE thread = CreateThread(nullptr, 0, openUrlWorker, job, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
        return;
    }
    if (job->module)
        FreeLibrary(job->module);
    delete job;
}

// GetDpiForWindow came with Windows 10 (1607); older systems and Wine may
// lack it, so it is looked up at run time. The process's and the thread's
// DPI awareness stay the host's: a window of a host that is not aware
// answers 96 and the system enlarges it.
double desktopScaleFactor(void *parent) {
    HWND window = static_cast<HWND>(parent);
    if (!window || !IsWindow(window))
        return 0;
    using DpiForWindow = UINT(WINAPI *)(HWND);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto dpiForWindow =
        user ? reinterpret_cast<DpiForWindow>(reinterpret_cast<void *>(GetProcAddress(user, "GetDpiForWindow")))
             : nullptr;
    if (!dpiForWindow)
        return 0;
    const UINT dpi = dpiForWindow(window);
    return dpi ? dpi / 96.0 : 0;
}

raster::Point screenSize(void *parent) {
    HWND window = static_cast<HWND>(parent);
    HMONITOR monitor = MonitorFromWindow(window && IsWindow(window) ? window : nullptr, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return {};
    return {info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top};
}

bool moduleBitmapResource(int32_t id, const uint8_t *&data, size_t &size) {
    // The module that holds this code: the plug-in DLL, or a test program.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&moduleBitmapResource), &module))
        return false;
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!info)
        return false;
    HGLOBAL handle = LoadResource(module, info);
    const DWORD bytes = SizeofResource(module, info);
    const void *locked = handle ? LockResource(handle) : nullptr;
    if (!locked || bytes == 0)
        return false;
    data = static_cast<const uint8_t *>(locked);
    size = bytes;
    return true;
}

void showMessageBox(const char *caption, const char *text) {
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", MB_OK);
}

} // namespace sorrel::platform
