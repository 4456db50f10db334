// A Windows plug-in with an editor, for checking the host's editor window:
// a 300 x 200 child window in four colored quarters (red, green / blue,
// white). On its fifth idle call it makes one edit gesture on parameter 0
// (begin, automate 0.25, end), asks the host for idle time once and then
// for a 320 x 240 window, which it takes on. Stereo pass-through, id 'HtE1'.
#include "vst2/aeffectx.h"
#include "tests/support/raw_plugin.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

const char *const kChildClass = "EditorPlugQuarters";

struct EditorPlug {
    AEffect record;
    audioMasterCallback host;
    float value = 0.5f;
    HWND child = nullptr;
    ERect rect{0, 0, 200, 300};
    int idles = 0;
};

EditorPlug *self(AEffect *e) {
    return static_cast<EditorPlug *>(e->object);
}

LRESULT CALLBACK childProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int mx = rc.right / 2, my = rc.bottom / 2;
    const struct {
        RECT r;
        COLORREF c;
    } quarters[] = {{{0, 0, mx, my}, RGB(255, 0, 0)},
                    {{mx, 0, rc.right, my}, RGB(0, 255, 0)},
                    {{0, my, mx, rc.bottom}, RGB(0, 0, 255)},
                    {{mx, my, rc.right, rc.bottom}, RGB(255, 255, 255)}};
    for (const auto &q : quarters) {
        HBRUSH b = CreateSolidBrush(q.c);
        FillRect(dc, &q.r, b);
        DeleteObject(b);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

void openEditor(EditorPlug *p, HWND parent) {
    HINSTANCE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&childProc), &module);
    WNDCLASSA wc{};
    wc.lpfnWndProc = childProc;
    wc.hInstance = module;
    wc.lpszClassName = kChildClass;
    RegisterClassA(&wc); // fails harmlessly when a second editor registers it again
    p->child = CreateWindowExA(0, kChildClass, "", WS_CHILD | WS_VISIBLE, 0, 0, p->rect.right, p->rect.bottom,
                               parent, nullptr, module, nullptr);
}

void idle(EditorPlug *p) {
    if (++p->idles != 5)
        return;
    AEffect *e = &p->record;
    p->host(e, audioMasterBeginEdit, 0, 0, nullptr, 0.0f);
    p->value = 0.25f;
    p->host(e, audioMasterAutomate, 0, 0, nullptr, p->value);
    p->host(e, audioMasterEndEdit, 0, 0, nullptr, 0.0f);
    p->host(e, audioMasterIdle, 0, 0, nullptr, 0.0f);
    if (p->host(e, audioMasterSizeWindow, 320, 240, nullptr, 0.0f) == 1 && p->child) {
        p->rect.right = 320;
        p->rect.bottom = 240;
        SetWindowPos(p->child, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
        InvalidateRect(p->child, nullptr, TRUE);
    }
}

VstIntPtr VSTCALLBACK dispatcher(AEffect *e, VstInt32 opcode, VstInt32, VstIntPtr, void *ptr, float) {
    EditorPlug *p = self(e);
    switch (opcode) {
    case effClose:
        delete p;
        return 0;
    case effGetEffectName:
        if (ptr)
            std::strcpy(static_cast<char *>(ptr), "EditorPlug");
        return 1;
    case effEditGetRect:
        if (ptr)
            *static_cast<ERect **>(ptr) = &p->rect;
        return 1;
    case effEditOpen:
        openEditor(p, static_cast<HWND>(ptr));
        return p->child ? 1 : 0;
    case effEditClose:
        if (p->child)
            DestroyWindow(p->child);
        p->child = nullptr;
        return 0;
    case effEditIdle:
        idle(p);
        return 0;
    default:
        return 0;
    }
}

void VSTCALLBACK processReplacing(AEffect *, float **in, float **out, VstInt32 frames) {
    for (int c = 0; c < 2; ++c)
        if (in[c] != out[c])
            std::memmove(out[c], in[c], sizeof(float) * static_cast<size_t>(frames));
}

void VSTCALLBACK setParameter(AEffect *e, VstInt32 index, float v) {
    if (index == 0)
        self(e)->value = v;
}

float VSTCALLBACK getParameter(AEffect *e, VstInt32 index) {
    return index == 0 ? self(e)->value : 0.0f;
}

} // namespace

extern "C" __declspec(dllexport) AEffect *VSTPluginMain(audioMasterCallback host) {
    if (!host)
        return nullptr;
    EditorPlug *p = new (std::nothrow) EditorPlug();
    if (!p)
        return nullptr;
    p->host = host;
    sorrel::rawplugin::fillRecord(p->record, p,
                          {fourCharCode('H', 't', 'E', '1'), 1, 2, 2, 1, 0, effFlagsHasEditor | effFlagsCanReplacing},
                          {dispatcher, nullptr, processReplacing, setParameter, getParameter});
    return &p->record;
}
