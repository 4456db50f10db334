// X11 backend: how a surface's pixels reach the screen.
//
// Shared memory. Where the server offers MIT-SHM and can reach our memory
// (a local server), a large present copies the changed rows into a segment
// both sides map and sends a request of a few bytes; the pixels no longer
// travel through the socket, which the server would have to read and copy
// once more. Small areas (the LED strips an idle pass shows) still go
// through the socket: for them the few bytes cost the server less than a
// shared request does (bench/README.md has the figures). The segment
// mirrors the surface's layout, so its pixels are the surface's as
// of the last shared present of each area. The server copies from it
// whenever it gets to the request; a later present may have written newer
// pixels there meanwhile, which the server then shows a little early, and
// that later present's own request shows them again: the screen ends up
// right without waiting for the server. Without the extension, on a remote
// display, or when attaching fails, the pixels go through the socket as
// before.
#include "gui/platform/x11.h"

#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace sorrel::platform::x11 {

// Gives up the window's segment: the server's attachment (while the
// connection still takes requests) and our mapping.
void releaseSegment(Display *display, Window *w) {
    if (w->shmAttached && display && !theConnection.broken)
        XShmDetach(display, &w->shm);
    w->shmAttached = false;
    if (w->shm.shmaddr)
        shmdt(w->shm.shmaddr);
    w->shm = XShmSegmentInfo{};
    w->shmBytes = 0;
}

// A segment as large as the window's surface is now, attached on the
// server; false, and no more tries for this window, when there is none to
// be had. Attaching waits for the server's answer: a server that cannot
// reach our memory (a remote display) refuses it.
bool attachSegment(Display *display, Window *w) {
    const raster::Surface &s = w->surface;
    const size_t bytes = static_cast<size_t>(s.stride()) * 4 * static_cast<size_t>(s.height());
    if (w->shmAttached && w->shmBytes == bytes)
        return true;
    releaseSegment(display, w);
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        w->shmRefused = true;
        return false;
    }
    void *address = shmat(id, nullptr, 0);
    if (address != reinterpret_cast<void *>(-1)) {
        w->shm.shmid = id;
        w->shm.shmaddr = static_cast<char *>(address);
        w->shm.readOnly = True;
        w->shmBytes = bytes;
        ErrorTrap trap(display, false);
        w->shmAttached = XShmAttach(display, &w->shm) && trap.succeeded();
    }
    // Marked for removal at once: the system frees it when both sides have
    // let go, also when either process ends without doing so.
    shmctl(id, IPC_RMID, nullptr);
    if (!w->shmAttached) {
        releaseSegment(display, w);
        w->shmRefused = true;
        return false;
    }
    return true;
}

// From this many pixels on, an area goes through the shared segment.
constexpr int64_t kSharedMinimumPixels = 64 * 64;

// Whether this present of the window goes through a shared segment.
bool presentsShared(Display *display, Window *w, const raster::Rect &area) {
    if (!w->direct || w->shmRefused || int64_t(area.width()) * area.height() < kSharedMinimumPixels)
        return false;
    Connection &c = theConnection;
    if (c.sharesMemory < 0)
        c.sharesMemory = XShmQueryExtension(display) ? 1 : 0;
    return c.sharesMemory == 1 && attachSegment(display, w);
}

void putArea(Display *display, Window *w, const raster::Rect &area) {
    raster::Surface &s = w->surface;
    if (w->direct) {
        // An image over the surface's own memory, or over the segment that
        // mirrors it: no conversion on our side.
        const bool shared = presentsShared(display, w, area);
        const size_t rowBytes = static_cast<size_t>(s.stride()) * 4;
        if (shared) {
            const size_t width = static_cast<size_t>(area.width()) * 4;
            for (int32_t y = area.top; y < area.bottom; ++y)
                std::memcpy(w->shm.shmaddr + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(area.left) * 4,
                            s.row(y) + area.left, width);
        }
        XImage image{};
        image.width = s.width();
        image.height = s.height();
        image.format = ZPixmap;
        image.data = shared ? w->shm.shmaddr : reinterpret_cast<char *>(s.data());
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        image.byte_order = LSBFirst;
#else
        image.byte_order = MSBFirst;
#endif
        image.bitmap_unit = 32;
        image.bitmap_bit_order = image.byte_order;
        image.bitmap_pad = 32;
        image.depth = 24;
        image.bytes_per_line = static_cast<int>(rowBytes);
        image.bits_per_pixel = 32;
        image.red_mask = 0xff0000;
        image.green_mask = 0xff00;
        image.blue_mask = 0xff;
        if (!XInitImage(&image))
            return;
        if (shared) {
            image.obdata = reinterpret_cast<char *>(&w->shm);
            XShmPutImage(display, w->id, w->gc, &image, area.left, area.top, area.left, area.top,
                         static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()), False);
        } else {
            XPutImage(display, w->id, w->gc, &image, area.left, area.top, area.left, area.top,
                      static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
        }
        return;
    }
    putConvertedArea(display, w, area);
}

} // namespace platform::x11
