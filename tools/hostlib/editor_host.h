// The host side of an open editor: what sorrel-host gui does with the
// plug-in's calls about automation, edit gestures, window size and idle
// time, and the trace of them that --trace prints.
#pragma once

#include "tools/hostlib/plugin.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace sorrel::tool {

class EditorHost : public HostListener {
  public:
    // inTrace: where one line per call that matters to a user goes, or null
    // for no trace; inPrefix starts each line (an instance number). The
    // thread that makes the object is taken to be the GUI thread.
    EditorHost(std::FILE *inTrace, std::string inPrefix);

    // Gives the editor's window a new client size; called on the GUI
    // thread only. A request from another thread is kept for
    // applyPendingSize, which the GUI thread calls regularly.
    std::function<bool(int width, int height)> resize;
    void applyPendingSize();

    // A line of the tool's own (the editor opcodes it sends), in the same
    // stream and under the same lock as the plug-in's calls.
    void note(const std::string &text);
    long idleRequests() const { return idleCount.load(); }

    void automate(VstInt32 index, float value) override;
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    void updateDisplay() override;
    void idle() override;
    bool sizeWindow(VstInt32 width, VstInt32 height) override;

  private:
    std::FILE *trace;
    std::string prefix;
    std::thread::id guiThread;
    std::atomic<long> idleCount{0};
    std::atomic<uint64_t> pendingSize{0}; // width << 32 | height; 0 for none
};

// FILE for a single instance; FILE-1.png, FILE-2.png ... (the number
// before the extension) for one of several.
std::string numberedPath(const std::string &path, int number, int count);

} // namespace sorrel::tool
