"""Just enough Xlib (through ctypes) and PNG for the Ardour editor test: list
windows, read a window's pixels, send a window-manager close request, and
read and write 8-bit RGB PNG files. No packages beyond the X library itself."""

import ctypes
import ctypes.util
import struct
import zlib

_x = None


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, enough to read a ZPixmap.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class _XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def _lib():
    global _x
    if _x is None:
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(_XWindowAttributes)]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.POINTER(_XEvent)]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                            ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
        x.XSetErrorHandler.restype = ctypes.c_void_p
        x.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        _x = x
    return _x


# Windows come and go while the test looks at them; an X error for a window
# that just vanished must not end the test (Xlib's default handler exits).
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)


class Display:
    def __init__(self, name):
        x = _lib()
        x.XSetErrorHandler(ctypes.cast(_ERROR_HANDLER, ctypes.c_void_p))
        self.d = x.XOpenDisplay(name.encode())
        if not self.d:
            raise OSError(f"cannot open display {name}")
        self.root = x.XDefaultRootWindow(self.d)

    def close(self):
        _lib().XCloseDisplay(self.d)

    def children(self, window):
        x = _lib()
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not x.XQueryTree(self.d, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                            ctypes.byref(n)):
            return []
        out = [kids[i] for i in range(n.value)]
        if kids:
            x.XFree(kids)
        return out

    def info(self, window):
        """(x, y, width, height, viewable, name) or None when the window is gone."""
        x = _lib()
        a = _XWindowAttributes()
        if not x.XGetWindowAttributes(self.d, window, ctypes.byref(a)):
            return None
        name = ctypes.c_char_p()
        title = ""
        if x.XFetchName(self.d, window, ctypes.byref(name)) and name.value is not None:
            title = name.value.decode(errors="replace")
            x.XFree(name)
        return a.x, a.y, a.width, a.height, a.map_state == 2, title

    def tree(self, window=None, depth=0):
        """Every window below `window` as (id, depth, info), parents first."""
        window = self.root if window is None else window
        out = []
        for w in self.children(window):
            i = self.info(w)
            if i is not None:
                out.append((w, depth, i))
                out.extend(self.tree(w, depth + 1))
        return out

    def origin(self, window):
        """The window's top-left corner in root coordinates."""
        x = _lib()
        rx, ry, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        x.XTranslateCoordinates(self.d, window, self.root, 0, 0, ctypes.byref(rx), ctypes.byref(ry),
                                ctypes.byref(child))
        return rx.value, ry.value

    def grab(self, window, width, height):
        """The window's top-left width x height pixels as packed RGB bytes, or None."""
        x = _lib()
        img = x.XGetImage(self.d, window, 0, 0, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not img:
            return None
        im = img.contents
        try:
            if im.bits_per_pixel != 32 or im.red_mask != 0xFF0000 or im.blue_mask != 0xFF:
                raise OSError(f"unexpected pixel format: {im.bits_per_pixel} bits, masks "
                              f"{im.red_mask:x}/{im.green_mask:x}/{im.blue_mask:x}")
            raw = ctypes.string_at(im.data, im.bytes_per_line * height)
        finally:
            x.XFree(im.data)
            x.XFree(img)
        out = bytearray(width * height * 3)
        for row in range(height):
            line = raw[row * im.bytes_per_line:row * im.bytes_per_line + width * 4]
            # Little-endian 0x00RRGGBB: bytes B, G, R, 0.
            out[row * width * 3 + 0:(row + 1) * width * 3:3] = line[2::4]
            out[row * width * 3 + 1:(row + 1) * width * 3:3] = line[1::4]
            out[row * width * 3 + 2:(row + 1) * width * 3:3] = line[0::4]
        return bytes(out)

    def close_request(self, window):
        """What a window manager sends when the user closes a top-level window."""
        x = _lib()
        ev = _XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = x.XInternAtom(self.d, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = x.XInternAtom(self.d, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        x.XSendEvent(self.d, window, 0, 0, ctypes.byref(ev))
        x.XFlush(self.d)


# ---------------------------------------------------------------- PNG

def _chunk(tag, body):
    return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)


def write_png(path, width, height, rgb):
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(_chunk(b"IDAT", zlib.compress(rows, 6)))
        f.write(_chunk(b"IEND", b""))


def read_png(path):
    """(width, height, packed RGB bytes) of an 8-bit RGB or RGBA PNG without interlacing."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, head = 8, [], None
    while pos < len(data):
        n, tag = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + n]
        if tag == b"IHDR":
            head = struct.unpack(">IIBBBBB", body)
        elif tag == b"IDAT":
            idat.append(body)
        pos += 12 + n
    width, height, bits, kind, _, _, interlace = head
    if bits != 8 or kind not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA PNG files without interlacing are read")
    bpp = 3 if kind == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * bpp
    prev = bytearray(stride)
    out = bytearray()
    for y in range(height):
        kind_of_filter = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind_of_filter == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind_of_filter == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind_of_filter == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind_of_filter == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        prev = line
        if bpp == 3:
            out += line
        else:
            for i in range(0, stride, 4):
                out += line[i:i + 3]
    return width, height, bytes(out)
