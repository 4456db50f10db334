// sorrel-host gui: a plug-in's editor in a window of its own, with audio
// running through the plug-in in real time so that its meters move.
#include "tools/cli.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/audio_feed.h"
#include "tools/hostlib/cpu_clock.h"
#include "tools/hostlib/editor_host.h"
#include "tools/hostlib/editor_window.h"
#include "tools/hostlib/render.h"

#include "vst2/aeffectx.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::tool {

namespace {

const char *const kHelp =
    "usage: sorrel-host gui PLUGIN [options]\n"
    "\n"
    "Opens the plug-in's editor in a window of its own, the way hosts do, and\n"
    "runs audio through the plug-in in real time (no sound device) so that its\n"
    "meters move. The editor gets about 25 idle calls a second. At the end the\n"
    "GUI thread's CPU time per second of wall time is printed, and the part of\n"
    "it spent inside the editors' idle calls (the rest is this tool's own loop).\n"
    "\n"
    "Options:\n"
    "  --seconds N               close after N seconds (default: when the window is\n"
    "                            closed; 2 with --png)\n"
    "  --png FILE                after those seconds write what the window shows as a\n"
    "                            PNG, read back from the screen; with several\n"
    "                            instances FILE-1.png, FILE-2.png ...\n"
    "  --audio FILE              loop this audio file through the plug-in\n"
    "  --noise                   pink noise instead (the default)\n"
    "  --trace                   print every call the plug-in makes about automation,\n"
    "                            edits and its window, and the editor calls sent to it\n"
    "  --instances N             N instances, each with its own editor window\n"
    "                            (default 1, at most 16); closing one window closes\n"
    "                            that editor and instance, the others run on\n"
    "  --scale F                 tell the plug-in the content scale factor F (0 < F\n"
    "                            <= 4, e.g. 1.5 for a 150 % screen) before opening its\n"
    "                            editor, as hosts on high-density screens do (the\n"
    "                            VST 2.4 vendor call 'PreS' 'AeCs')\n"
    "  --scale-after-open        send it once the editor is open instead (the\n"
    "                            editor then asks for its new size)\n"
    "\n";

// The de-facto content-scale call: effVendorSpecific with these as index
// and value, the factor as the float.
constexpr VstInt32 kContentScaleIndex = 0x50726553; // 'PreS'
constexpr VstIntPtr kContentScaleValue = 0x41654373; // 'AeCs'
constexpr int kIdlePeriodMs = 40;   // about 25 idle calls a second
constexpr int kSettleTicks = 5;     // after raising a window, before reading it back
constexpr int kFallbackWidth = 400; // for editors that tell their size only once open
constexpr int kFallbackHeight = 300;
constexpr int kWindowGap = 40; // room for frames that window systems add
constexpr double kNoiseSeconds = 4.0;

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) {
    interrupted.store(true);
}

// Declared so that the window goes first and the host listener last: the
// plug-in may call its host while it closes.
struct Instance {
    std::unique_ptr<EditorHost> host;
    std::unique_ptr<Plugin> plugin;
    std::unique_ptr<EditorWindow> window;
    bool editorOpen = false;
    long idleCalls = 0;
};

// The editor's size from effEditGetRect; false when it tells none.
bool editorSize(Plugin &p, int &width, int &height) {
    ERect *rect = nullptr;
    p.dispatch(effEditGetRect, 0, 0, &rect);
    if (!rect)
        return false;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

std::string sizeText(bool known, int width, int height) {
    return known ? std::to_string(width) + " " + std::to_string(height) : "none";
}

std::string windowTitle(Plugin &p, int number, int count) {
    std::string name = p.effectName();
    if (name.empty())
        name = p.productString();
    if (name.empty()) {
        const size_t slash = p.path().find_last_of("/\\");
        name = slash == std::string::npos ? p.path() : p.path().substr(slash + 1);
    }
    return count > 1 ? name + " (" + std::to_string(number) + ")" : name;
}

// Places windows left to right in rows; when the screen is full they
// overlap, which the read-back handles by raising each window first.
class Placer {
  public:
    Placer(int inScreenWidth, int inScreenHeight)
        : screenWidth(inScreenWidth), screenHeight(inScreenHeight) {}
    void place(int width, int height, int &x, int &y) {
        if (nextX + width > screenWidth && nextX > kWindowGap) {
            nextX = kWindowGap;
            nextY += rowHeight + kWindowGap;
            rowHeight = 0;
        }
        if (nextY + height > screenHeight)
            nextY = kWindowGap;
        x = nextX;
        y = nextY;
        nextX += width + kWindowGap;
        rowHeight = std::max(rowHeight, height);
    }

  private:
    int screenWidth, screenHeight;
    int nextX = kWindowGap, nextY = kWindowGap, rowHeight = 0;
};

// What the command line asked for.
struct GuiOptions {
    std::string pluginPath;
    Settings settings;
    std::string pngPath;
    double seconds = 0; // 0: until the windows are closed
    int count = 1;
    bool trace = false;
    double scale = 0; // 0: no content-scale call
    bool scaleAfterOpen = false;
    Audio file; // empty: pink noise
    std::string audioName;
};

// One run of the command: the instances with their editor windows, the audio
// thread feeding them, the event loop with its idle calls, and the PNGs read
// back at the end. Closing goes in the order hosts use: the editor and its
// window while audio runs, then, with the audio thread stopped, the
// instance.
class GuiSession {
  public:
    explicit GuiSession(GuiOptions inOptions)
        : options(std::move(inOptions)), instances(static_cast<size_t>(options.count)),
          feeds(instances.size()), written(instances.size(), false) {}
    // What open() got to is closed in the hosts' order; instances that never
    // ran go with their plug-ins unopened.
    ~GuiSession() {
        if (running)
            closeAll();
    }

    // Loads the instances and opens their editors in placed windows, with
    // audio running; an error text when anything fails.
    std::string open();
    // Idles the editors until the time is over, the last window is closed
    // or the process is interrupted; then closes everything.
    void run();
    // Prints the GUI thread's CPU time; the exit code.
    int finish();

  private:
    using Clock = std::chrono::steady_clock;

    std::string loadInstance(size_t i);
    std::string openEditor(size_t i);
    void sendScale(Instance &inst);
    void closeEditor(Instance &inst);
    void closeInstance(size_t i);
    void closeAll();
    // One of several windows closed by the user: that editor and instance
    // go, the others run on; the audio thread pauses for a moment so that
    // it never sees the instance going.
    void closeOne(size_t i);
    long openCount() const;
    // One pass of the event loop; false ends it.
    bool tick();
    // Raises the next open window from `from` on for its read-back; false
    // when none is left.
    bool nextCapture(size_t from);
    bool capture();
    void endMeasure();

    GuiOptions options;
    std::vector<Instance> instances;
    std::vector<AudioFeed> feeds;
    AudioThread audio;
    bool running = false; // resumed, with audio running

    Clock::time_point wallStart;
    int64_t cpuStart = 0;
    double wallSeconds = 0;
    int64_t cpuNanoseconds = 0;
    // The part of it spent inside the editors' idle calls.
    int64_t idleNanoseconds = 0;
    long measuredIdleCalls = 0;
    bool measuring = false;

    // The PNGs are read one window after the other, each raised first so
    // that it is on top; windows closed meanwhile are passed over.
    bool capturing = false;
    size_t captureIndex = 0;
    std::vector<bool> written;
    int settle = 0;
    std::string captureError;
};

std::string GuiSession::loadInstance(size_t i) {
    std::string error;
    Instance &inst = instances[i];
    inst.plugin = openPlugin(options.pluginPath, options.settings, error);
    if (!inst.plugin)
        return error;
    // Checked first, as hosts do before offering to show an editor.
    if (!(inst.plugin->flags() & effFlagsHasEditor))
        return options.pluginPath + " has no editor";
    AudioFeed &feed = feeds[i];
    feed.plugin = inst.plugin.get();
    const VstInt32 inputs = inst.plugin->numInputs();
    const Audio &file = options.file;
    if (file.frames()) {
        error = mapInputs(file.channels, inputs, file.frames(), feed.source);
        if (!error.empty())
            return options.audioName + ": " + error;
    } else {
        feed.source = pinkNoise(inputs, static_cast<size_t>(kNoiseSeconds * options.settings.rate));
    }
    feed.prepare(options.settings.block);
    const std::string prefix = options.count > 1 ? "[" + std::to_string(i + 1) + "] " : "";
    inst.host.reset(new EditorHost(options.trace ? stdout : nullptr, prefix));
    inst.plugin->listener = inst.host.get();
    return "";
}

void GuiSession::sendScale(Instance &inst) {
    const VstIntPtr taken = inst.plugin->dispatch(effVendorSpecific, kContentScaleIndex, kContentScaleValue,
                                                  nullptr, static_cast<float>(options.scale));
    char factor[32];
    std::snprintf(factor, sizeof factor, "%g", options.scale);
    inst.host->note(std::string("effVendorSpecific content scale ") + factor + " " + std::to_string(taken));
}

std::string GuiSession::openEditor(size_t i) {
    Instance &inst = instances[i];
    Plugin &p = *inst.plugin;
    if (options.scale > 0 && !options.scaleAfterOpen)
        sendScale(inst);
    int width = kFallbackWidth, height = kFallbackHeight;
    const bool known = editorSize(p, width, height);
    inst.host->note("effEditGetRect " + sizeText(known, width, height));
    if (!known) {
        width = kFallbackWidth;
        height = kFallbackHeight;
    }
    std::string error;
    inst.window =
        EditorWindow::create(windowTitle(p, static_cast<int>(i + 1), options.count), width, height, error);
    if (!inst.window)
        return "gui: " + error;
    EditorWindow *window = inst.window.get();
    inst.host->resize = [window](int w, int h) { return window->setClientSize(w, h); };
    const VstIntPtr opened = p.dispatch(effEditOpen, 0, window->displayHandle(), window->parentHandle());
    inst.editorOpen = true; // some plug-ins answer 0 and still open: closed either way
    inst.host->note("effEditOpen " + std::to_string(opened));
    if (options.scaleAfterOpen)
        sendScale(inst);
    // Some editors know their size only once open.
    int w2 = 0, h2 = 0;
    if (editorSize(p, w2, h2) && (w2 != window->clientWidth() || h2 != window->clientHeight())) {
        inst.host->note("effEditGetRect " + sizeText(true, w2, h2));
        window->setClientSize(w2, h2);
    }
    return "";
}

std::string GuiSession::open() {
    for (size_t i = 0; i < instances.size(); ++i) {
        const std::string error = loadInstance(i);
        if (!error.empty())
            return error;
    }
    int screenWidth = 0, screenHeight = 0;
    std::string error;
    if (!EditorWindow::screenSize(screenWidth, screenHeight, error))
        return "gui: " + error;

    for (Instance &inst : instances)
        inst.plugin->resume();
    running = true;
    audio.start(feeds, options.settings.rate, options.settings.block);
    for (size_t i = 0; i < instances.size(); ++i) {
        error = openEditor(i);
        if (!error.empty())
            return error;
    }
    // Placed once every editor has its size.
    Placer placer(screenWidth, screenHeight);
    for (Instance &inst : instances) {
        int x = 0, y = 0;
        placer.place(inst.window->clientWidth(), inst.window->clientHeight(), x, y);
        inst.window->move(x, y);
        inst.window->show();
    }
    return "";
}

void GuiSession::closeEditor(Instance &inst) {
    if (inst.editorOpen) {
        inst.host->note("effEditClose");
        inst.plugin->dispatch(effEditClose);
        inst.editorOpen = false;
    }
    inst.window.reset();
}

void GuiSession::closeInstance(size_t i) {
    Instance &inst = instances[i];
    if (!inst.plugin)
        return;
    feeds[i].plugin = nullptr;
    inst.plugin->suspend();
    if (options.trace) {
        inst.host->note("effEditIdle " + std::to_string(inst.idleCalls) + " calls");
        inst.host->note("idle " + std::to_string(inst.host->idleRequests()) + " requests");
    }
    inst.plugin->listener = nullptr;
    inst.plugin.reset(); // effClose, unload
}

void GuiSession::closeAll() {
    for (Instance &inst : instances)
        closeEditor(inst);
    audio.stop();
    for (size_t i = 0; i < instances.size(); ++i)
        closeInstance(i);
}

void GuiSession::closeOne(size_t i) {
    closeEditor(instances[i]);
    audio.stop();
    closeInstance(i);
    audio.start(feeds, options.settings.rate, options.settings.block);
}

long GuiSession::openCount() const {
    return static_cast<long>(std::count_if(instances.begin(), instances.end(),
                                           [](const Instance &inst) { return inst.window != nullptr; }));
}

void GuiSession::endMeasure() {
    if (!measuring)
        return;
    measuring = false;
    cpuNanoseconds = threadCpuNanoseconds() - cpuStart;
    wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
}

bool GuiSession::nextCapture(size_t from) {
    while (from < instances.size() && !instances[from].window)
        ++from;
    captureIndex = from;
    if (from == instances.size())
        return false;
    if (instances.size() > 1) {
        instances[from].window->raise();
        settle = kSettleTicks;
    }
    return true;
}

bool GuiSession::capture() {
    if (settle > 0) {
        --settle;
        return true;
    }
    if (!instances[captureIndex].window) // closed while it settled
        return nextCapture(captureIndex + 1);
    RgbImage image;
    const std::string path = numberedPath(options.pngPath, static_cast<int>(captureIndex + 1), options.count);
    if (!instances[captureIndex].window->capture(image, captureError)) {
        captureError = path + ": " + captureError;
        return false;
    }
    captureError = writePng(path, image);
    if (!captureError.empty())
        return false;
    written[captureIndex] = true;
    return nextCapture(captureIndex + 1);
}

bool GuiSession::tick() {
    if (interrupted.load())
        return false;
    for (size_t i = 0; i < instances.size(); ++i) {
        if (!instances[i].window || !instances[i].window->closeRequested())
            continue;
        if (openCount() == 1)
            return false; // the last one: closed with everything else
        closeOne(i);
    }
    for (Instance &inst : instances) {
        if (!inst.window)
            continue;
        inst.host->applyPendingSize();
        const int64_t before = measuring ? threadCpuNanoseconds() : 0;
        inst.plugin->dispatch(effEditIdle);
        if (measuring) {
            idleNanoseconds += threadCpuNanoseconds() - before;
            ++measuredIdleCalls;
        }
        ++inst.idleCalls;
    }
    if (capturing)
        return capture();
    const double elapsed = std::chrono::duration<double>(Clock::now() - wallStart).count();
    if (options.seconds <= 0 || elapsed < options.seconds)
        return true;
    endMeasure();
    if (options.pngPath.empty())
        return false;
    capturing = true;
    return nextCapture(0) && capture();
}

void GuiSession::run() {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    wallStart = Clock::now();
    cpuStart = threadCpuNanoseconds();
    measuring = true;
    runEventLoop(kIdlePeriodMs, [this]() { return tick(); });
    endMeasure();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    closeAll();
    running = false;
}

int GuiSession::finish() {
    std::printf("gui thread: %.1f ms CPU per second (%.1f s)\n",
                wallSeconds > 0 ? static_cast<double>(cpuNanoseconds) / 1e6 / wallSeconds : 0.0, wallSeconds);
    if (measuredIdleCalls > 0)
        std::printf("of which in the editor's idle calls: %.1f ms per second, %.1f us per call (%ld calls)\n",
                    wallSeconds > 0 ? static_cast<double>(idleNanoseconds) / 1e6 / wallSeconds : 0.0,
                    static_cast<double>(idleNanoseconds) / 1e3 / static_cast<double>(measuredIdleCalls),
                    measuredIdleCalls);
    std::fflush(stdout);
    if (!captureError.empty())
        return fail(captureError);
    if (!options.pngPath.empty()) {
        const auto missing = std::find(written.begin(), written.end(), false);
        if (missing != written.end())
            return fail("gui: closed before " +
                        numberedPath(options.pngPath, static_cast<int>(missing - written.begin() + 1),
                                     options.count) +
                        " was written");
    }
    return kExitOk;
}

} // namespace

int cmdGui(int argc, char **argv) {
    std::vector<OptionSpec> specs = kSettingOptions;
    specs.insert(specs.end(), {{"png", true},
                               {"seconds", true},
                               {"audio", true},
                               {"noise", false},
                               {"trace", false},
                               {"instances", true},
                               {"scale", true},
                               {"scale-after-open", false}});
    Args args;
    std::string error;
    const bool parsed = args.parse(argc, argv, 2, specs, error);
    if (parsed && args.has("help")) {
        std::printf("%s%s", kHelp, kSettingHelp);
        return kExitOk;
    }
    if (!EditorWindow::available())
        return fail("gui: not available on this build");
    if (!parsed)
        return usageError("gui", error);
    if (args.positional().size() != 1)
        return usageError("gui", "gui takes one plug-in");
    GuiOptions options;
    options.pluginPath = args.positional()[0];
    if (!readSettings(args, options.settings, error))
        return usageError("gui", error);
    options.pngPath = args.value("png");
    if (args.has("png") && options.pngPath.empty())
        return usageError("gui", "--png takes a file name");
    options.seconds = options.pngPath.empty() ? 0 : 2;
    if (args.has("seconds") &&
        (!parseDouble(args.value("seconds"), options.seconds) || options.seconds <= 0 || options.seconds > 86400))
        return usageError("gui", "--seconds takes a time above 0, up to 86400 seconds");
    long long count = 1;
    if (args.has("instances") && !parseInt(args.value("instances"), 1, 16, count))
        return usageError("gui", "--instances takes a number from 1 to 16");
    options.count = static_cast<int>(count);
    if (args.has("audio") && args.has("noise"))
        return usageError("gui", "--audio and --noise exclude each other");
    options.trace = args.has("trace");
    if (args.has("scale") &&
        (!parseDouble(args.value("scale"), options.scale) || !(options.scale > 0) || options.scale > 4))
        return usageError("gui", "--scale takes a factor above 0, up to 4");
    options.scaleAfterOpen = args.has("scale-after-open");
    if (options.scaleAfterOpen && options.scale == 0)
        return usageError("gui", "--scale-after-open needs --scale");

    if (args.has("audio")) {
        options.audioName = args.value("audio");
        AudioReadResult r = readAudioFile(options.audioName);
        if (!r.ok)
            return fail(r.error);
        if (r.audio.frames() == 0)
            return fail(options.audioName + ": the file holds no audio");
        if (args.has("rate") && static_cast<int>(options.settings.rate) != r.audio.sampleRate)
            return usageError("gui", "--rate differs from the audio file's sample rate");
        options.file = std::move(r.audio);
        options.settings.rate = static_cast<float>(options.file.sampleRate);
    }

    GuiSession session(std::move(options));
    error = session.open();
    if (!error.empty())
        return fail(error); // the session closes what it opened
    session.run();
    return session.finish();
}

} // namespace sorrel::tool
