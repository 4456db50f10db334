// Helpers of the window-system tests: a host's top-level window, a recording
// window client, message pumping and reading pixels back from the screen.
#pragma once

#include "gui/platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace wine {

namespace platform = sorrel::platform;

// The test's own window class, standing in for the host's windows.
const char *hostClass();
// A window of that class; top-level (and shown) unless a parent is given.
HWND makeHostWindow(int x, int y, int width, int height, DWORD style, HWND parent = nullptr);

// Dispatches the thread's messages until done() holds or about two seconds
// have passed; answers done().
bool pumpUntil(const std::function<bool()> &done);
// Dispatches what is queued now, and what arrives within milliseconds.
void pumpFor(DWORD milliseconds);

// What a window of the backend told its owner.
struct Recorder : platform::WindowClient {
    platform::Window *window = nullptr;
    // On paint: present this much of the surface (the paint area when
    // empty), as a frame presents what it drew.
    raster::Rect presentOnPaint;
    std::function<void()> onDestroyed;

    std::vector<raster::Rect> paints;
    std::vector<raster::Point> presses;
    std::vector<std::pair<raster::Point, float>> wheels;
    int destroyedCalls = 0;
    int callsAfterDestroyed = 0;
    std::vector<std::string> drags; // "enter ...", "move ...", "leave", "drop ..."

    void paint(const raster::Rect &area) override;
    void buttonPressed(const raster::Point &where) override;
    void wheel(const raster::Point &where, float distance) override;
    void destroyed() override;
    void dragEnter(platform::DropData &data) override;
    void dragMove(platform::DropData &data) override;
    void dragLeave() override;
    void drop(platform::DropData &data) override;

  private:
    void after();
    static std::string describe(platform::DropData &data);
};

// A test pattern with distinct red, green and blue in every pixel nearby.
raster::Pixel pattern(int32_t x, int32_t y, unsigned seed);
void fillPattern(raster::Surface &surface, unsigned seed);

// The window's client area as the screen shows it.
raster::Surface readBack(HWND hwnd, int32_t width, int32_t height);
// Pixels that differ; the first of them in first.
int countDifferences(const raster::Surface &a, const raster::Surface &b, raster::Point &first);

// The window class name of windows made by this program's backend.
std::string expectedClassName();
bool classRegistered(const std::string &name);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM objects, freed by their last Release

// A shell drag for DoDragDrop: offers text or a file list, as the shell
// would. Lives on the stack: the counts only have to be right, nothing is
// freed at zero.
class ShellData final : public IDataObject {
  public:
    std::string text;                // offered as CF_TEXT when not empty
    std::vector<std::string> files; // else as CF_HDROP

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC *format, STGMEDIUM *medium) override {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        std::string bytes;
        if (!text.empty()) {
            bytes = text + '\0';
        } else {
            DROPFILES header{};
            header.pFiles = sizeof header;
            bytes.assign(reinterpret_cast<const char *>(&header), sizeof header);
            for (const std::string &file : files)
                bytes += file + '\0';
            bytes += '\0';
        }
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC *, STGMEDIUM *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC *format) override {
        const CLIPFORMAT offered = text.empty() ? CF_HDROP : CF_TEXT;
        return format && format->cfFormat == offered && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC *, FORMATETC *out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC *, STGMEDIUM *, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC **out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC *, DWORD, IAdviseSink *, DWORD *) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA **out) override {
        *out = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
};

// Holds the drag over the window under the pointer for a few polls, then
// drops (or cancels).
class DragSource final : public IDropSource {
  public:
    int polls = 0;
    bool cancel = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        if (++polls < 4)
            return S_OK;
        return cancel ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

#pragma GCC diagnostic pop

} // namespace wine
