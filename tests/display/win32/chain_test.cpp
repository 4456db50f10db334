// The backend's walks up the host's window chain: resizing the windows around
// an editor, and finding the host's outer window. The windows stay hidden:
// only their rectangles matter.
#include "win_host.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace sorrel::scenario;

struct Size {
    int width, height;
};

Size sizeOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// One host window of a chain, outermost first; each one after the first is
// a child of the one before. A null class makes a plain test window.
struct Link {
    int x, y, width, height;
    DWORD style;
    const char *className = nullptr;
};

struct Chain {
    std::vector<HWND> windows; // outermost first, ours last
    Recorder client;
    platform::Window *window = nullptr;

    Chain(const std::vector<Link> &links, Size ours) {
        HWND parent = nullptr;
        for (const Link &link : links) {
            CLIENTCREATESTRUCT mdi{nullptr, 1};
            parent = CreateWindowExA(0, link.className ? link.className : hostClass(), "Host", link.style,
                                     link.x, link.y, link.width, link.height, parent, nullptr,
                                     GetModuleHandleA(nullptr), &mdi);
            windows.push_back(parent);
        }
        window = platform::createWindow(parent, ours.width, ours.height, &client);
        windows.push_back(static_cast<HWND>(platform::nativeHandle(window)));
    }
    ~Chain() {
        platform::destroyWindow(window);
        if (!windows.empty() && windows[0])
            DestroyWindow(windows[0]);
    }
};

TEST(ChainTest, ResizingWalksUpUntilTheHostsOwnLayout) {
    const int border = 2 * GetSystemMetrics(SM_CYDLGFRAME);
    const DWORD child = WS_CHILD | WS_VISIBLE;
    struct Case {
        const char *what;
        std::vector<Link> links;
        bool resizeParents;
        std::vector<Size> expected; // outermost first, ours last
    };
    const Case cases[] = {
        {"only the editor's window without resizeParents",
         {{50, 50, 720, 180, WS_POPUP}, {4, 4, 712, 172, child}},
         false,
         {{720, 180}, {712, 172}, {800, 300}}},
        {"each parent grows by what it had around its child",
         {{50, 50, 720, 180, WS_POPUP}, {4, 4, 712, 172, child}},
         true,
         {{810, 313}, {802, 305}, {800, 300}}},
        {"a parent much larger than its child is the host's layout",
         {{50, 50, 1000, 600, WS_POPUP}, {4, 4, 712, 172, child}},
         true,
         {{1000, 600}, {802, 305}, {800, 300}}},
        {"or much taller",
         {{50, 50, 720, 400, WS_POPUP}, {4, 4, 712, 172, child}},
         true,
         {{720, 400}, {802, 305}, {800, 300}}},
        {"a dialog frame's worth of border ends the walk one window up",
         {{50, 50, 730, 190, WS_POPUP}, {2, 2, 710 + border, 180, child}},
         true,
         {{730, 190}, {800 + border, 313}, {800, 300}}},
        {"an MDI client is never resized",
         {{50, 50, 900, 700, WS_POPUP}, {0, 0, 720, 180, child, "MDIClient"}, {4, 4, 712, 172, child}},
         true,
         {{900, 700}, {720, 180}, {802, 305}, {800, 300}}},
        {"a smaller parent counts as no border",
         {{50, 50, 700, 160, WS_POPUP}},
         true,
         {{800, 300}, {800, 300}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Chain chain(c.links, {710, 167});
        ASSERT_NE(chain.window, nullptr);
        platform::resizeWindow(chain.window, 800, 300, c.resizeParents);
        ASSERT_EQ(chain.windows.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(sizeOf(chain.windows[i]).width, c.expected[i].width) << "window " << i;
            EXPECT_EQ(sizeOf(chain.windows[i]).height, c.expected[i].height) << "window " << i;
        }
        EXPECT_EQ(platform::windowSurface(chain.window)->width(), 800);
        EXPECT_EQ(platform::windowSurface(chain.window)->height(), 300);
    }
}

TEST(ChainTest, OuterWindowIsTheFirstWithACaptionNoParentOrRoomAroundUs) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    struct Case {
        const char *what;
        std::vector<Link> links;
        sorrel::raster::Point expected;
    };
    const Case cases[] = {
        {"a parent with room around us: the window inside it",
         {{50, 60, 400, 300, WS_POPUP}, {10, 20, 320, 210, child}},
         {10, 20}},
        {"no room anywhere: the top-level window, on the screen",
         {{50, 60, 310, 210, WS_POPUP}, {2, 3, 305, 205, child}},
         {50, 60}},
        {"a caption ends the search",
         {{50, 60, 340, 255, WS_POPUP}, {5, 6, 320, 240, child | WS_CAPTION}},
         {5, 6}},
        {"our own window when its parent is much larger", {{50, 60, 400, 300, WS_POPUP}}, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Chain chain(c.links, {300, 200});
        ASSERT_NE(chain.window, nullptr);
        sorrel::raster::Point position{-1, -1};
        ASSERT_TRUE(platform::outerWindowPosition(chain.window, position));
        EXPECT_EQ(position.x, c.expected.x);
        EXPECT_EQ(position.y, c.expected.y);
    }
}

} // namespace
