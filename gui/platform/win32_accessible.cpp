// The editor window as a screen reader sees it on Windows: one IAccessible
// object for the client area, whose children are simple elements (child ids
// 1..n for items 0..n-1 of the owner's AccessibleContent), each a slider or
// a check button with a name, a value and a place. Readers find it through
// WM_GETOBJECT and hear of focus and value changes through NotifyWinEvent.
//
// The object may outlive the window (a reader keeps its reference); from
// the window's end on, every call answers "disconnected". Calls arrive on
// the window's thread, through its message loop.
#include "gui/platform/win32_accessible.h"

#include <oleacc.h>

#include <cstring>
#include <new>

namespace sorrel::platform {

namespace {

// One of ours, or of the Windows side's strings.
BSTR toBstr(const char *utf8) {
    wchar_t wide[128];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 128);
    if (n <= 0)
        return nullptr;
    wide[127] = 0;
    return SysAllocString(wide);
}

bool fromBstr(BSTR text, char *utf8, int size) {
    if (!text)
        return false;
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, size, nullptr, nullptr);
    return n > 0;
}

} // namespace

// COM interfaces end their objects through Release, never through a
// destructor of the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class WindowAccessible final : public IAccessible {
  public:
    WindowAccessible(Window *inWindow, HWND inHwnd) : window(inWindow), hwnd(inHwnd) {}

    void disconnect() { window = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(IAccessible))) {
            *object = static_cast<IAccessible *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                     UINT *) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        if (!window)
            return RPC_E_DISCONNECTED;
        return AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void **>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long *count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        if (!window)
            return RPC_E_DISCONNECTED;
        withAccessibleContent(window, [&](AccessibleContent &content) { *count = content.accessibleCount(); });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        // Simple elements: no object of their own.
        return FAILED(known) ? known : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override {
        return answerText(child, name, [](const AccessibleItem &item) { return item.name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override {
        return answerText(child, value, [](const AccessibleItem &item) { return item.value; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *text) override { return nothing(child, text); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override {
        if (!role)
            return E_POINTER;
        VariantInit(role);
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (FAILED(known))
            return known;
        role->vt = VT_I4;
        if (known == S_FALSE)
            role->lVal = ROLE_SYSTEM_CLIENT;
        else
            role->lVal = item.role == AccessibleRole::CheckButton ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_SLIDER;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override {
        if (!state)
            return E_POINTER;
        VariantInit(state);
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (FAILED(known))
            return known;
        long bits = STATE_SYSTEM_FOCUSABLE;
        if (known == S_OK) {
            if (item.focused)
                bits |= STATE_SYSTEM_FOCUSED;
            if (item.checked)
                bits |= STATE_SYSTEM_CHECKED;
        }
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *text) override { return nothing(child, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT child, long *topic) override {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        return FAILED(known) ? known : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *text) override {
        return nothing(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *focus) override {
        if (!focus)
            return E_POINTER;
        VariantInit(focus);
        if (!window)
            return RPC_E_DISCONNECTED;
        withAccessibleContent(window, [&](AccessibleContent &content) {
            const int32_t count = content.accessibleCount();
            for (int32_t i = 0; i < count; ++i) {
                AccessibleItem item;
                if (content.accessibleItem(i, item) && item.focused) {
                    focus->vt = VT_I4;
                    focus->lVal = i + 1;
                    return;
                }
            }
        });
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *selection) override {
        if (!selection)
            return E_POINTER;
        VariantInit(selection);
        return window ? S_FALSE : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override {
        if (!action)
            return E_POINTER;
        *action = nullptr;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (known != S_OK)
            return FAILED(known) ? known : S_FALSE;
        if (item.role != AccessibleRole::CheckButton)
            return S_FALSE;
        *action = toBstr(item.checked ? "Uncheck" : "Check");
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (known != S_OK)
            return FAILED(known) ? known : S_FALSE;
        if (!(flags & SELFLAG_TAKEFOCUS))
            return S_FALSE;
        bool taken = false;
        withAccessibleContent(window, [&](AccessibleContent &content) { taken = content.focusAccessible(child.lVal - 1); });
        return taken ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long *left, long *top, long *width, long *height, VARIANT child) override {
        if (!left || !top || !width || !height)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (FAILED(known))
            return known;
        RECT r{};
        if (known == S_OK) {
            r = {item.area.left, item.area.top, item.area.right, item.area.bottom};
        } else if (!GetClientRect(hwnd, &r)) {
            return E_FAIL;
        }
        POINT origin{r.left, r.top};
        ClientToScreen(hwnd, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT *end) override {
        if (!end)
            return E_POINTER;
        VariantInit(end);
        AccessibleItem item;
        const HRESULT known = lookUp(start, item);
        if (FAILED(known))
            return known;
        long count = 0;
        get_accChildCount(&count);
        long target = 0;
        if (known == S_FALSE) {
            if (direction == NAVDIR_FIRSTCHILD)
                target = 1;
            else if (direction == NAVDIR_LASTCHILD)
                target = count;
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT || direction == NAVDIR_DOWN) {
            target = start.lVal + 1;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT || direction == NAVDIR_UP) {
            target = start.lVal - 1;
        }
        if (target < 1 || target > count)
            return S_FALSE;
        end->vt = VT_I4;
        end->lVal = target;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT *hit) override {
        if (!hit)
            return E_POINTER;
        VariantInit(hit);
        if (!window)
            return RPC_E_DISCONNECTED;
        POINT p{x, y};
        ScreenToClient(hwnd, &p);
        RECT client{};
        GetClientRect(hwnd, &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
        withAccessibleContent(window, [&](AccessibleContent &content) {
            const int32_t count = content.accessibleCount();
            for (int32_t i = 0; i < count; ++i) {
                AccessibleItem item;
                if (content.accessibleItem(i, item) && p.x >= item.area.left && p.x < item.area.right &&
                    p.y >= item.area.top && p.y < item.area.bottom) {
                    hit->lVal = i + 1;
                    return;
                }
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (known != S_OK)
            return FAILED(known) ? known : DISP_E_MEMBERNOTFOUND;
        bool done = false;
        withAccessibleContent(window, [&](AccessibleContent &content) { done = content.doAccessibleAction(child.lVal - 1); });
        return done ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (known != S_OK)
            return FAILED(known) ? known : E_NOTIMPL;
        char text[64];
        if (!fromBstr(value, text, sizeof text))
            return E_INVALIDARG;
        bool taken = false;
        withAccessibleContent(window, [&](AccessibleContent &content) { taken = content.setAccessibleValue(child.lVal - 1, text); });
        return taken ? S_OK : E_INVALIDARG;
    }

  private:
    ~WindowAccessible() = default;

    // S_OK with item for a child, S_FALSE for the client area itself, an
    // error for a child id that names nothing or a window that is gone.
    HRESULT lookUp(const VARIANT &child, AccessibleItem &item) {
        if (!window)
            return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4)
            return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF)
            return S_FALSE;
        bool found = false;
        withAccessibleContent(window, [&](AccessibleContent &content) { found = content.accessibleItem(child.lVal - 1, item); });
        return found ? S_OK : E_INVALIDARG;
    }

    template <typename Pick> HRESULT answerText(const VARIANT &child, BSTR *text, Pick pick) {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        if (known != S_OK)
            return known;
        *text = toBstr(pick(item));
        return *text ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT nothing(const VARIANT &child, BSTR *text) {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        AccessibleItem item;
        const HRESULT known = lookUp(child, item);
        return FAILED(known) ? known : S_FALSE;
    }

    LONG references = 1;
    Window *window;
    HWND hwnd;
};
#pragma GCC diagnostic pop

LRESULT answerAccessibleQuery(Window *window, HWND hwnd, WPARAM wParam, LPARAM lParam, WindowAccessible *&object) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return 0;
    bool described = false;
    withAccessibleContent(window, [&](AccessibleContent &) { described = true; });
    if (!described)
        return 0;
    if (!object)
        object = new (std::nothrow) WindowAccessible(window, hwnd);
    if (!object)
        return 0;
    const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible *>(object));
    return answer > 0 ? answer : 0;
}

void releaseAccessible(WindowAccessible *&object) {
    if (WindowAccessible *gone = object) {
        object = nullptr;
        gone->disconnect();
        gone->Release();
    }
}

void notifyAccessible(Window *window, AccessibleEvent event, int32_t index) {
    HWND hwnd = static_cast<HWND>(nativeHandle(window));
    if (!hwnd || index < 0)
        return;
    DWORD what = event == AccessibleEvent::Focus ? EVENT_OBJECT_FOCUS : EVENT_OBJECT_VALUECHANGE;
    if (event == AccessibleEvent::ValueChange) {
        // A check button's change is a change of its state.
        withAccessibleContent(window, [&](AccessibleContent &content) {
            AccessibleItem item;
            if (content.accessibleItem(index, item) && item.role == AccessibleRole::CheckButton)
                what = EVENT_OBJECT_STATECHANGE;
        });
    }
    NotifyWinEvent(what, hwnd, OBJID_CLIENT, index + 1);
}

} // namespace sorrel::platform
