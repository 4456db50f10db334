// Shell drag and drop onto a backend window, driven through OLE's own drag
// loop (DoDragDrop) with the pointer resting on the window.
#include "win_host.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>

namespace {

using namespace sorrel::scenario;

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

std::string tempFile(const char *name) {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + name;
}

// A shortcut at path to target, made the way the shell makes them.
bool makeShortcut(const std::string &path, const std::string &target) {
    IShellLinkA *link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link))))
        return false;
    IPersistFile *file = nullptr;
    bool made = SUCCEEDED(link->SetPath(target.c_str())) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)));
    if (made) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        made = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    link->Release();
    return made;
}

TEST(DropTest, TextAndFilesReachTheOwnerWithShortcutsResolved) {
    // An 8.3 name: Wine hands out the long form where Windows gives the
    // short one, and for this name they agree.
    const std::string target = tempFile("SRLDROP.TXT");
    std::ofstream(target) << "dropped";
    char shortTarget[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA(target.c_str(), shortTarget, sizeof shortTarget), 0u);
    const std::string link = tempFile("Sorrel Drop.LNK"); // the suffix in any case
    ASSERT_TRUE(makeShortcut(link, target));
    const std::string broken = tempFile("missing.lnk");
    std::ofstream(broken) << "not a shortcut";

    HWND host = makeHostWindow(200, 200, 300, 200, WS_POPUP);
    Recorder client;
    platform::Window *window = platform::createWindow(host, 300, 200, &client);
    ASSERT_NE(window, nullptr);
    SetCursorPos(250, 260);
    pumpFor(20);

    struct Case {
        const char *what;
        std::string text;
        std::vector<std::string> files;
        bool active, cancel;
        std::vector<std::string> expected;
    };
    const std::string plain = "C:\\music\\take 1.wav";
    const std::string files = "files:" + plain + "|" + shortTarget + "|" + broken + "|";
    const Case cases[] = {
        {"text", "band 17", {}, true, false, {"enter text:band 17", "move text:band 17", "drop text:band 17"}},
        {"files; a shortcut stands for its target, a broken one for itself",
         "",
         {plain, link, broken},
         true,
         false,
         {"enter " + files, "move " + files, "drop " + files}},
        {"a cancelled drag leaves", "take", {}, true, true, {"enter text:take", "move text:take", "leave"}},
        {"no drop target: nothing arrives", "ignored", {}, false, false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(platform::setDropTarget(window, c.active));
        ASSERT_TRUE(platform::setDropTarget(window, c.active)) << "twice is the same";
        client.drags.clear();
        ShellData data;
        data.text = c.text;
        data.files = c.files;
        DragSource source;
        source.cancel = c.cancel;
        DWORD effect = DROPEFFECT_NONE;
        DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
        EXPECT_EQ(client.drags, c.expected);
    }

    platform::destroyWindow(window);
    DestroyWindow(host);
    DeleteFileA(target.c_str());
    DeleteFileA(link.c_str());
    DeleteFileA(broken.c_str());
}

} // namespace
