// The editor on a real X server, driven through the plug-in's dispatcher by
// a host that does what careless hosts do: parents that are no windows,
// parents destroyed before the close, opens without a close, a close (or
// the effect's end) from inside the host idle that a drag calls, parents
// resized under the editor, and open and close cycles that must leave
// nothing behind, neither on the server nor in the process.
#include "host/plugin/equalizer_vst_editor.h"
#include "host/plugin/equalizer_plugin.h"
#include "gui/drawcontext.h"
#include "gui/frame.h"

#include "x_host.h"

#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <malloc.h>
#include <map>
#include <utility>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer runtime's own count (GCC ships no header that declares it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace display {
namespace {

constexpr int kEditorWidth = 710, kEditorHeight = 167;

void *handle(::Window id) {
    return reinterpret_cast<void *>(static_cast<uintptr_t>(id));
}

// The host's side of the interface: the version, and whatever the test
// leaves in onHostIdle when the plug-in asks for the host's idle (a drag
// loop does, about every 50 ms).
std::function<void()> onHostIdle;

VstIntPtr VSTCALLBACK hostCallback(AEffect *, VstInt32 opcode, VstInt32, VstIntPtr, void *, float) {
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterIdle) {
        if (std::function<void()> run = std::exchange(onHostIdle, nullptr))
            run();
    }
    return 0;
}

// One effect as the host holds it: the record, and nothing else.
struct Plugin {
    AEffect *record = createEffectInstance(hostCallback)->getAeffect();

    ~Plugin() { close(); }
    void close() {
        if (AEffect *r = std::exchange(record, nullptr))
            r->dispatcher(r, effClose, 0, 0, nullptr, 0.f);
    }
    VstIntPtr dispatch(VstInt32 opcode, void *ptr = nullptr) {
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.f);
    }
    VstIntPtr open(::Window parent) { return dispatch(effEditOpen, handle(parent)); }
    void idle() { dispatch(effEditIdle); }

    sorrel::EqualizerPlugin *effect() const { return static_cast<sorrel::EqualizerPlugin *>(record->object); }
    sorrel::EqualizerVstEditor *gui() const {
        return static_cast<sorrel::EqualizerVstEditor *>(effect()->getEditor());
    }
    CFrame *frame() const { return gui()->getFrame(); }
    ::Window window() const {
        return frame() ? static_cast<::Window>(reinterpret_cast<uintptr_t>(frame()->getSystemWindow())) : 0;
    }
    bool metering() const { return effect()->engine(0).isMetering() || effect()->engine(1).isMetering(); }
    const raster::Surface *image() const {
        return frame() && frame()->getWindow() ? platform::windowSurface(frame()->getWindow()) : nullptr;
    }
};

// The X-Resource extension's view of one client: how many resources of each
// type the server holds for it. Loaded at run time, so that the tests build
// without the library; available() is false without it or the extension.
class ServerResources {
  public:
    ServerResources() {
        // Never unloaded: the extension leaves a hook in every connection it
        // saw, which runs when the connection closes.
        library = dlopen("libXRes.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (library)
            query = reinterpret_cast<Query>(dlsym(library, "XResQueryClientResources"));
    }
    bool available() const { return query != nullptr; }

    // The resources of the client that owns id (any id in its range).
    std::map<std::string, unsigned> of(Display *display, XID id) const {
        std::map<std::string, unsigned> counts;
        int types = 0;
        Type *list = nullptr;
        if (!query || !query(display, id, &types, &list))
            return counts;
        for (int i = 0; i < types; ++i) {
            char *name = XGetAtomName(display, list[i].atom);
            counts[name ? name : "?"] = list[i].count;
            if (name)
                XFree(name);
        }
        XFree(list);
        return counts;
    }

  private:
    struct Type {
        Atom atom;
        unsigned int count;
    };
    using Query = Status (*)(Display *, XID, int *, Type **);
    void *library = nullptr;
    Query query = nullptr;
};

// Heap bytes in use, as the allocator in charge counts them. glibc counts
// the small blocks its per-thread cache keeps for reuse as in use, and that
// cache fills up over the first few hundred cycles; so the count is taken
// with the cache emptied into blocks of known size (up to seven of each
// cached size), which are then left out.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    constexpr size_t kSizes = 64, kPerSize = 8;
    void *held[kSizes * kPerSize];
    size_t heldBytes = 0;
    for (size_t i = 0; i < kSizes * kPerSize; ++i) {
        held[i] = std::malloc(24 + 16 * (i / kPerSize));
        heldBytes += held[i] ? malloc_usable_size(held[i]) + sizeof(size_t) : 0;
    }
    const size_t inUse = mallinfo2().uordblks - heldBytes;
    for (void *block : held)
        std::free(block);
    return inUse;
#endif
}

std::string describe(const std::map<std::string, unsigned> &counts) {
    std::string text;
    for (const auto &[type, count] : counts)
        text += type + "=" + std::to_string(count) + " ";
    return text;
}

class EditorOnX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host.display(), nullptr);
        onHostIdle = nullptr;
        filesBefore = openFiles();
        parent = host.topLevel(40, 40, kEditorWidth, kEditorHeight);
    }
    void TearDown() override {
        plugin.close();
        EXPECT_EQ(host.errors(), 0);
        EXPECT_TRUE(host.handlerIntact());
        EXPECT_EQ(openFiles(), filesBefore) << "the display connection goes with the last editor";
    }

    // Runs the host's idle until the screen shows the editor's window image.
    bool showsEditor(Plugin &p) {
        const uint32_t start = platform::tickCount();
        for (;;) {
            p.idle();
            const raster::Surface *image = p.image();
            if (image && host.grab(p.window()).pixels == host.asShown(p.window(), *image).pixels)
                return true;
            if (platform::tickCount() - start > 3000)
                return false;
            platform::sleep(5);
        }
    }
    void idleFor(Plugin &p, int milliseconds) {
        const uint32_t start = platform::tickCount();
        while (static_cast<int>(platform::tickCount() - start) < milliseconds) {
            p.idle();
            platform::sleep(5);
        }
    }

    Host host;
    Plugin plugin;
    int filesBefore = 0;
    ::Window parent = 0;
};

TEST_F(EditorOnX11, AParentThatIsNotAWindowIsRefusedAndARealOneWorksAfterwards) {
    const ::Window pixmap = XCreatePixmap(host.display(), parent, 4, 4, 24);
    const ::Window destroyed = host.child(parent, 0, 0, 10, 10);
    host.destroy(destroyed);
    const struct Case {
        const char *name;
        ::Window id;
    } cases[] = {{"a pixmap", pixmap}, {"a destroyed window", destroyed}, {"an id nobody uses", 0x3fffff00}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plugin.open(c.id), 0);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        plugin.idle();
        EXPECT_EQ(openFiles(), filesBefore);
        EXPECT_EQ(host.errors(), 0);
    }
    XFreePixmap(host.display(), pixmap);
    EXPECT_TRUE(host.children(parent).empty());
    ASSERT_EQ(plugin.open(parent), 1);
    EXPECT_EQ(host.children(parent), std::vector<::Window>{plugin.window()});
    EXPECT_TRUE(showsEditor(plugin));
}

TEST_F(EditorOnX11, AParentDestroyedBeforeTheCloseLeavesAnEditorThatClosesQuietly) {
    const struct Case {
        const char *name;
        bool outer;     // the host destroys the window around the parent
        bool idleFirst; // the editor hears of it before the close
    } cases[] = {{"parent, idle first", false, true},
                 {"parent, closed at once", false, false},
                 {"outer window, idle first", true, true},
                 {"outer window, closed at once", true, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ::Window outer = host.topLevel(60, 260, kEditorWidth + 20, kEditorHeight + 20);
        const ::Window in = c.outer ? host.child(outer, 10, 10, kEditorWidth, kEditorHeight) : outer;
        ASSERT_EQ(plugin.open(in), 1);
        ASSERT_TRUE(showsEditor(plugin));
        host.destroy(outer);
        if (c.idleFirst) {
            const uint32_t start = platform::tickCount();
            while (plugin.frame()->isOpen() && platform::tickCount() - start < 3000)
                plugin.idle();
            EXPECT_FALSE(plugin.frame()->isOpen());
            EXPECT_EQ(plugin.frame()->getSystemWindow(), nullptr);
        }
        // What a host still sends to an editor whose window is gone.
        plugin.record->setParameter(plugin.record, 19, 0.75f);
        idleFor(plugin, 30);
        EXPECT_EQ(plugin.record->dispatcher(plugin.record, effEditKeyDown, 0, 0, nullptr, 0.f), 0);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(plugin.frame(), nullptr);
        EXPECT_FALSE(plugin.metering());
        EXPECT_EQ(openFiles(), filesBefore);

        ASSERT_EQ(plugin.open(parent), 1);
        EXPECT_TRUE(showsEditor(plugin));
        EXPECT_EQ(plugin.gui()->getControl(19)->getValue(), 0.75f);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(host.errors(), 0);
    }
}

TEST_F(EditorOnX11, ASecondOpenWithoutACloseLeavesOneWindow) {
    const ::Window other = host.topLevel(60, 260, kEditorWidth, kEditorHeight);
    for (const ::Window second : {parent, other}) {
        SCOPED_TRACE(second == parent ? "same parent" : "another parent");
        ASSERT_EQ(plugin.open(parent), 1);
        ASSERT_TRUE(showsEditor(plugin));
        ASSERT_EQ(plugin.open(second), 1);
        EXPECT_EQ(host.children(second), std::vector<::Window>{plugin.window()});
        if (second != parent) {
            EXPECT_TRUE(host.children(parent).empty());
        }
        EXPECT_TRUE(showsEditor(plugin));
        EXPECT_TRUE(plugin.metering());
        plugin.dispatch(effEditClose);
        EXPECT_TRUE(host.children(second).empty());
    }
}

// The drag loop runs inside the host's effEditIdle on X11 (that is where the
// press is read), so a host that closes from its own idle pulls the editor,
// or the whole effect, out from under two nested calls of its own.
TEST_F(EditorOnX11, TheHostClosesFromInsideTheIdleADragCalls) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    for (const VstInt32 opcode : {effEditClose, effClose}) {
        SCOPED_TRACE(opcode == effClose ? "effClose" : "effEditClose");
        Plugin p;
        ASSERT_EQ(p.open(parent), 1);
        ASSERT_TRUE(showsEditor(p));
        bool closed = false;
        onHostIdle = [&] {
            if (opcode == effClose)
                p.close();
            else
                p.dispatch(effEditClose);
            closed = true;
        };
        // The fader of band 17 ("440").
        ASSERT_TRUE(run(
            {"xdotool", "mousemove", "--window", std::to_string(p.window()), "413", "60", "mousedown", "1"}));
        const uint32_t start = platform::tickCount();
        while (!closed && platform::tickCount() - start < 3000) {
            p.idle();
            platform::sleep(5);
        }
        run({"xdotool", "mouseup", "1"});
        ASSERT_TRUE(closed) << "the drag never ran the host's idle";
        EXPECT_TRUE(host.children(parent).empty());
        if (opcode == effEditClose) {
            EXPECT_EQ(p.frame(), nullptr);
            ASSERT_EQ(p.open(parent), 1);
            EXPECT_TRUE(showsEditor(p));
        }
        p.close();
        EXPECT_EQ(openFiles(), filesBefore);
    }
}

TEST_F(EditorOnX11, TheHostResizingItsWindowLeavesTheEditorAsItIs) {
    ASSERT_EQ(plugin.open(parent), 1);
    ASSERT_TRUE(showsEditor(plugin));
    const struct Step {
        int width, height;
        float value; // written by the host to band 17 meanwhile
    } steps[] = {{900, 300, 0.9f},
                 {400, 100, 0.2f},
                 {kEditorWidth, kEditorHeight, 0.6f},
                 {300, 400, 0.1f},
                 {1000, 500, 0.8f}};
    for (const Step &s : steps) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
        XResizeWindow(host.display(), parent, static_cast<unsigned>(s.width),
                      static_cast<unsigned>(s.height));
        XSync(host.display(), False);
        plugin.record->setParameter(plugin.record, 19, s.value);
        idleFor(plugin, 30);
        EXPECT_EQ(plugin.gui()->getControl(19)->getValue(), s.value);
        const raster::Rect own = host.geometry(plugin.window());
        EXPECT_EQ((std::vector<int>{own.left, own.top, own.width(), own.height()}),
                  (std::vector<int>{0, 0, kEditorWidth, kEditorHeight}));
        const CRect size = plugin.frame()->getViewSize();
        EXPECT_EQ((std::vector<int>{size.width(), size.height()}),
                  (std::vector<int>{kEditorWidth, kEditorHeight}));
        if (s.width < kEditorWidth || s.height < kEditorHeight)
            continue; // partly hidden: the screen cannot be read back
        // Whatever was hidden and is uncovered now shows the editor again,
        // with the value written meanwhile, as a fresh drawing of it.
        EXPECT_TRUE(showsEditor(plugin));
        raster::Surface fresh(kEditorWidth, kEditorHeight);
        raster::Canvas canvas(&fresh);
        CDrawContext *context = new CDrawContext(plugin.frame(), &canvas, nullptr);
        plugin.frame()->draw(context);
        context->forget();
        EXPECT_TRUE(testimg::fromSurface(fresh).pixels == testimg::fromSurface(*plugin.image()).pixels);
    }
}

TEST_F(EditorOnX11, ManyOpenAndCloseCyclesLeaveNothingBehind) {
    // A second instance keeps its editor open throughout, so the module's
    // connection lives and the server's count of what it holds is readable.
    const ServerResources resources;
    Plugin neighbour;
    const ::Window neighbourParent = host.topLevel(60, 260, kEditorWidth, kEditorHeight);
    ASSERT_EQ(neighbour.open(neighbourParent), 1);
    ASSERT_TRUE(showsEditor(neighbour));
    const XID connection = neighbour.window();

    auto cycle = [&](int i) {
        if (plugin.open(parent) != 1)
            return false;
        if (i % 20 == 0 && !showsEditor(plugin))
            return false;
        plugin.record->setParameter(plugin.record, 2 + i % 31, static_cast<float>(i % 11) / 10.f);
        plugin.idle();
        plugin.dispatch(effEditClose);
        return host.children(parent).empty();
    };
    ASSERT_TRUE(cycle(1)); // first-use allocations: the shared pictures, Xlib's caches
    const auto held = resources.of(host.display(), connection);
    const size_t heap = heapInUse();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(cycle(i)) << "cycle " << i;
    const long grown = static_cast<long>(heapInUse()) - static_cast<long>(heap);
    EXPECT_LT(grown, 4096) << "heap bytes in use grew by " << grown;
    if (resources.available()) {
        EXPECT_EQ(describe(resources.of(host.display(), connection)), describe(held));
    } else {
        std::printf("note: libXRes.so.1 is missing: the server's resources are not counted\n");
    }
    EXPECT_FALSE(plugin.metering());
    EXPECT_TRUE(showsEditor(neighbour)) << "the other instance's editor is unharmed";
}

} // namespace
} // namespace display
