// sorrel-host gui: a plug-in's editor in a window of its own, with audio
// running through the plug-in in real time so that its meters move.
#include "tools/cli.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/cpu_clock.h"
#include "tools/hostlib/editor_host.h"
#include "tools/hostlib/editor_window.h"
#include "tools/hostlib/render.h"

#include "host/aeffectx.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace sorrelhost {

namespace {

const char *const kHelp =
    "usage: sorrel-host gui PLUGIN [options]\n"
    "\n"
    "Opens the plug-in's editor in a window of its own, the way hosts do, and\n"
    "runs audio through the plug-in in real time (no sound device) so that its\n"
    "meters move. The editor gets about 25 idle calls a second. At the end the\n"
    "GUI thread's CPU time per second of wall time is printed.\n"
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
    "                            <= 4, e.g. 2 for a 200 % screen) before opening its\n"
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

// Pink noise (equal energy per octave, so every band of an equaliser gets
// about the same level), about -14 dBFS RMS with peaks near -2 dBFS; one
// independent channel each.
std::vector<std::vector<float>> pinkNoise(int channels, size_t frames) {
    std::vector<std::vector<float>> out(static_cast<size_t>(channels), std::vector<float>(frames));
    uint32_t seed = 0x5eed1234u;
    for (auto &ch : out) {
        double b0 = 0, b1 = 0, b2 = 0;
        for (float &s : ch) {
            seed = seed * 1664525u + 1013904223u;
            const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            s = static_cast<float>(0.12 * (b0 + b1 + b2 + white * 0.1848));
        }
    }
    return out;
}

// One instance's audio: its source looped block by block through the
// plug-in. Every buffer is made before the audio thread starts.
struct AudioFeed {
    Plugin *plugin = nullptr;               // null once the instance has been closed
    std::vector<std::vector<float>> source; // one per plug-in input, equally long
    std::vector<std::vector<float>> in, out;
    std::vector<float *> inPtr, outPtr;
    size_t position = 0;

    void prepare(VstInt32 block) {
        in.assign(static_cast<size_t>(plugin->numInputs()), std::vector<float>(static_cast<size_t>(block)));
        out.assign(static_cast<size_t>(plugin->numOutputs()), std::vector<float>(static_cast<size_t>(block)));
        for (auto &c : in)
            inPtr.push_back(c.data());
        for (auto &c : out)
            outPtr.push_back(c.data());
    }

    void runBlock(VstInt32 block) {
        if (!plugin)
            return;
        const size_t n = static_cast<size_t>(block);
        const size_t length = source.empty() ? 0 : source.front().size();
        for (size_t c = 0; c < in.size(); ++c) {
            size_t at = position;
            for (size_t i = 0; i < n; ++i) {
                in[c][i] = source[c][at];
                if (++at == length)
                    at = 0;
            }
        }
        if (length)
            position = (position + n) % length;
        if (plugin->canReplacing()) {
            plugin->processReplacing(inPtr.data(), outPtr.data(), block);
        } else {
            for (auto &c : out)
                std::fill(c.begin(), c.end(), 0.0f);
            plugin->processAccumulating(inPtr.data(), outPtr.data(), block);
        }
    }
};

// The host's audio thread: every instance once per block, paced by the
// clock as a sound card would pace it.
class AudioThread {
  public:
    void start(std::vector<AudioFeed> &feeds, double rate, VstInt32 block) {
        stop_.store(false);
        thread_ = std::thread([this, &feeds, rate, block] {
            using Clock = std::chrono::steady_clock;
            const auto period =
                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(block / rate));
            auto next = Clock::now();
            while (!stop_.load()) {
                for (AudioFeed &f : feeds)
                    f.runBlock(block);
                next += period;
                const auto now = Clock::now();
                if (now - next > std::chrono::seconds(1)) // hopelessly late: start afresh
                    next = now;
                std::this_thread::sleep_until(next);
            }
        });
    }
    void stop() {
        stop_.store(true);
        if (thread_.joinable())
            thread_.join();
    }
    ~AudioThread() { stop(); }

  private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

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
    Placer(int screenWidth, int screenHeight) : screenWidth_(screenWidth), screenHeight_(screenHeight) {}
    void place(int width, int height, int &x, int &y) {
        if (x_ + width > screenWidth_ && x_ > kWindowGap) {
            x_ = kWindowGap;
            y_ += rowHeight_ + kWindowGap;
            rowHeight_ = 0;
        }
        if (y_ + height > screenHeight_)
            y_ = kWindowGap;
        x = x_;
        y = y_;
        x_ += width + kWindowGap;
        rowHeight_ = std::max(rowHeight_, height);
    }

  private:
    int screenWidth_, screenHeight_;
    int x_ = kWindowGap, y_ = kWindowGap, rowHeight_ = 0;
};

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
    const std::string &pluginPath = args.positional()[0];
    Settings settings;
    if (!readSettings(args, settings, error))
        return usageError("gui", error);
    const std::string pngPath = args.value("png");
    if (args.has("png") && pngPath.empty())
        return usageError("gui", "--png takes a file name");
    double seconds = pngPath.empty() ? 0 : 2;
    if (args.has("seconds") &&
        (!parseDouble(args.value("seconds"), seconds) || seconds <= 0 || seconds > 86400))
        return usageError("gui", "--seconds takes a time above 0, up to 86400 seconds");
    long long count = 1;
    if (args.has("instances") && !parseInt(args.value("instances"), 1, 16, count))
        return usageError("gui", "--instances takes a number from 1 to 16");
    if (args.has("audio") && args.has("noise"))
        return usageError("gui", "--audio and --noise exclude each other");
    const bool trace = args.has("trace");
    double scale = 0;
    if (args.has("scale") && (!parseDouble(args.value("scale"), scale) || !(scale > 0) || scale > 4))
        return usageError("gui", "--scale takes a factor above 0, up to 4");
    const bool scaleAfterOpen = args.has("scale-after-open");
    if (scaleAfterOpen && scale == 0)
        return usageError("gui", "--scale-after-open needs --scale");

    Audio file;
    if (args.has("audio")) {
        AudioReadResult r = readAudioFile(args.value("audio"));
        if (!r.ok)
            return fail(r.error);
        if (r.audio.frames() == 0)
            return fail(args.value("audio") + ": the file holds no audio");
        if (args.has("rate") && static_cast<int>(settings.rate) != r.audio.sampleRate)
            return usageError("gui", "--rate differs from the audio file's sample rate");
        file = std::move(r.audio);
        settings.rate = static_cast<float>(file.sampleRate);
    }

    // Instances with their settings; the editor flag is checked first, as
    // hosts do before offering to show an editor.
    std::vector<Instance> instances(static_cast<size_t>(count));
    std::vector<AudioFeed> feeds(instances.size());
    for (size_t i = 0; i < instances.size(); ++i) {
        Instance &inst = instances[i];
        inst.plugin = openPlugin(pluginPath, settings, error);
        if (!inst.plugin)
            return fail(error);
        if (!(inst.plugin->flags() & effFlagsHasEditor))
            return fail(pluginPath + " has no editor");
        AudioFeed &feed = feeds[i];
        feed.plugin = inst.plugin.get();
        const VstInt32 inputs = inst.plugin->numInputs();
        if (file.frames()) {
            error = mapInputs(file.channels, inputs, file.frames(), feed.source);
            if (!error.empty())
                return fail(args.value("audio") + ": " + error);
        } else {
            feed.source = pinkNoise(inputs, static_cast<size_t>(kNoiseSeconds * settings.rate));
        }
        feed.prepare(settings.block);
        const std::string prefix = count > 1 ? "[" + std::to_string(i + 1) + "] " : "";
        inst.host.reset(new EditorHost(trace ? stdout : nullptr, prefix));
        inst.plugin->listener = inst.host.get();
    }

    int screenWidth = 0, screenHeight = 0;
    if (!EditorWindow::screenSize(screenWidth, screenHeight, error))
        return fail("gui: " + error);

    for (Instance &inst : instances)
        inst.plugin->resume();
    AudioThread audio;
    audio.start(feeds, settings.rate, settings.block);

    // Closing goes in the order hosts use: the editor and its window while
    // audio runs, then, with the audio thread stopped, the instance.
    auto closeEditor = [&](Instance &inst) {
        if (inst.editorOpen) {
            inst.host->note("effEditClose");
            inst.plugin->dispatch(effEditClose);
            inst.editorOpen = false;
        }
        inst.window.reset();
    };
    auto closeInstance = [&](Instance &inst, AudioFeed &feed) {
        if (!inst.plugin)
            return;
        feed.plugin = nullptr;
        inst.plugin->suspend();
        if (trace) {
            inst.host->note("effEditIdle " + std::to_string(inst.idleCalls) + " calls");
            inst.host->note("idle " + std::to_string(inst.host->idleRequests()) + " requests");
        }
        inst.plugin->listener = nullptr;
        inst.plugin.reset(); // effClose, unload
    };
    // What is open, on every way out.
    auto closeAll = [&]() {
        for (Instance &inst : instances)
            closeEditor(inst);
        audio.stop();
        for (size_t i = 0; i < instances.size(); ++i)
            closeInstance(instances[i], feeds[i]);
    };
    // One of several windows closed by the user: that editor and instance
    // go, the others run on; the audio thread pauses for a moment so that
    // it never sees the instance going.
    auto closeOne = [&](size_t i) {
        closeEditor(instances[i]);
        audio.stop();
        closeInstance(instances[i], feeds[i]);
        audio.start(feeds, settings.rate, settings.block);
    };
    auto openCount = [&]() {
        return std::count_if(instances.begin(), instances.end(),
                             [](const Instance &inst) { return inst.window != nullptr; });
    };

    for (size_t i = 0; i < instances.size(); ++i) {
        Instance &inst = instances[i];
        Plugin &p = *inst.plugin;
        auto sendScale = [&]() {
            const VstIntPtr taken = p.dispatch(effVendorSpecific, kContentScaleIndex, kContentScaleValue, nullptr,
                                               static_cast<float>(scale));
            char factor[32];
            std::snprintf(factor, sizeof factor, "%g", scale);
            inst.host->note(std::string("effVendorSpecific content scale ") + factor + " " + std::to_string(taken));
        };
        if (scale > 0 && !scaleAfterOpen)
            sendScale();
        int width = kFallbackWidth, height = kFallbackHeight;
        const bool known = editorSize(p, width, height);
        inst.host->note("effEditGetRect " + sizeText(known, width, height));
        if (!known) {
            width = kFallbackWidth;
            height = kFallbackHeight;
        }
        inst.window = EditorWindow::create(windowTitle(p, static_cast<int>(i + 1), static_cast<int>(count)),
                                           width, height, error);
        if (!inst.window) {
            closeAll();
            return fail("gui: " + error);
        }
        EditorWindow *window = inst.window.get();
        inst.host->resize = [window](int w, int h) { return window->setClientSize(w, h); };
        const VstIntPtr opened = p.dispatch(effEditOpen, 0, window->displayHandle(), window->parentHandle());
        inst.editorOpen = true; // some plug-ins answer 0 and still open: closed either way
        inst.host->note("effEditOpen " + std::to_string(opened));
        if (scaleAfterOpen)
            sendScale();
        // Some editors know their size only once open.
        int w2 = 0, h2 = 0;
        if (editorSize(p, w2, h2) && (w2 != window->clientWidth() || h2 != window->clientHeight())) {
            inst.host->note("effEditGetRect " + sizeText(true, w2, h2));
            window->setClientSize(w2, h2);
        }
    }
    // Placed once every editor has its size.
    Placer placer(screenWidth, screenHeight);
    for (Instance &inst : instances) {
        int x = 0, y = 0;
        placer.place(inst.window->clientWidth(), inst.window->clientHeight(), x, y);
        inst.window->move(x, y);
        inst.window->show();
    }

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    using Clock = std::chrono::steady_clock;
    const auto wallStart = Clock::now();
    const int64_t cpuStart = threadCpuNanoseconds();
    double wallSeconds = 0;
    int64_t cpuNanoseconds = 0;
    bool measuring = true;
    auto endMeasure = [&]() {
        if (!measuring)
            return;
        measuring = false;
        cpuNanoseconds = threadCpuNanoseconds() - cpuStart;
        wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
    };

    // The PNGs are read one window after the other, each raised first so
    // that it is on top; windows closed meanwhile are passed over.
    bool capturing = false;
    size_t captureIndex = 0;
    std::vector<bool> written(instances.size(), false);
    int settle = 0;
    std::string captureError;
    auto nextCapture = [&](size_t from) {
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
    };
    runEventLoop(kIdlePeriodMs, [&]() {
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
            inst.plugin->dispatch(effEditIdle);
            ++inst.idleCalls;
        }
        if (!capturing) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - wallStart).count();
            if (seconds <= 0 || elapsed < seconds)
                return true;
            endMeasure();
            if (pngPath.empty())
                return false;
            capturing = true;
            if (!nextCapture(0))
                return false;
        }
        if (settle > 0) {
            --settle;
            return true;
        }
        if (!instances[captureIndex].window) // closed while it settled
            return nextCapture(captureIndex + 1);
        RgbImage image;
        const std::string path =
            numberedPath(pngPath, static_cast<int>(captureIndex + 1), static_cast<int>(count));
        if (!instances[captureIndex].window->capture(image, captureError)) {
            captureError = path + ": " + captureError;
            return false;
        }
        captureError = writePng(path, image);
        if (!captureError.empty())
            return false;
        written[captureIndex] = true;
        return nextCapture(captureIndex + 1);
    });
    endMeasure();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    closeAll();
    std::printf("gui thread: %.1f ms CPU per second (%.1f s)\n",
                wallSeconds > 0 ? static_cast<double>(cpuNanoseconds) / 1e6 / wallSeconds : 0.0, wallSeconds);
    std::fflush(stdout);
    if (!captureError.empty())
        return fail(captureError);
    if (!pngPath.empty()) {
        const auto missing = std::find(written.begin(), written.end(), false);
        if (missing != written.end())
            return fail("gui: closed before " +
                        numberedPath(pngPath, static_cast<int>(missing - written.begin() + 1),
                                     static_cast<int>(count)) +
                        " was written");
    }
    return kExitOk;
}

} // namespace sorrelhost
