// Top-level windows that hold plug-in editors, on the platform's window
// system (Xlib on Linux, USER32 on Windows), and the event loop that drives
// them from the calling thread, the GUI thread. One implementation file per
// window system; builds without one get a backend that refuses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorrel::tool {

// RGB, 8 bits per channel, rows top to bottom without padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// The largest client area the tool makes a window for, either way; a
// larger request is a plug-in's mistake rather than a screen.
constexpr int kLargestEditorWindow = 16384;

// Whether width x height is a client area the tool makes a window for;
// otherwise false and the reason.
inline bool usableWindowSize(int width, int height, std::string &error) {
    if (width > 0 && height > 0 && width <= kLargestEditorWindow && height <= kLargestEditorWindow)
        return true;
    error = "the editor's size " + std::to_string(width) + " x " + std::to_string(height) + " is not usable";
    return false;
}

class EditorWindow {
  public:
    // Whether this build can open windows at all.
    static bool available();
    // The screen's size in pixels, for placing several windows; false when
    // the window system cannot be reached (error says why).
    static bool screenSize(int &width, int &height, std::string &error);
    // A hidden top-level window whose client area is width x height. Null
    // and a message when the window system refuses.
    static std::unique_ptr<EditorWindow> create(const std::string &title, int width, int height,
                                                std::string &error);

    virtual ~EditorWindow() = default;
    EditorWindow(const EditorWindow &) = delete;
    EditorWindow &operator=(const EditorWindow &) = delete;

    // What effEditOpen gets: ptr is the native window (an X Window id or an
    // HWND), value the display connection where the system has one, else 0.
    virtual void *parentHandle() const = 0;
    virtual intptr_t displayHandle() const = 0;

    // Puts the client area's top-left corner at (x, y) on the screen.
    virtual void move(int x, int y) = 0;
    virtual void show() = 0;
    virtual void raise() = 0;
    virtual bool setClientSize(int width, int height) = 0;
    int clientWidth() const { return currentWidth; }
    int clientHeight() const { return currentHeight; }
    // The user asked to close the window (it stays until destroyed).
    bool closeRequested() const { return closeAsked; }

    // What the screen shows in the client area, read back from the window
    // system pixel for pixel.
    virtual bool capture(RgbImage &image, std::string &error) = 0;

  protected:
    EditorWindow(int width, int height) : currentWidth(width), currentHeight(height) {}

    // The client area as last asked for or reported by the window system.
    int currentWidth, currentHeight;
    bool closeAsked = false;
};

// Handles window events as they come and calls tick every periodMs until it
// returns false. Runs on the calling thread.
void runEventLoop(int periodMs, const std::function<bool()> &tick);

// Writes an image as an RGB PNG; an empty string or the reason it failed.
std::string writePng(const std::string &path, const RgbImage &image);

} // namespace sorrel::tool
