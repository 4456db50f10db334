// Shell drag and drop onto a backend window, driven through OLE's own drag
// loop (DoDragDrop) with the pointer resting on the window.
#include "display.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>

namespace {

using namespace wine;


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
