#!/usr/bin/env python3
"""Small WAV helper for the LV2 checks (no third-party modules).

  wavtool.py stereo IN.wav OUT.wav   16-bit PCM (mono or stereo) to a stereo
                                     32-bit float WAV, the mono channel copied
  wavtool.py same A.wav B.wav        exit 0 when both hold the same channel
                                     count, rate and sample bits; otherwise
                                     print where they first differ, exit 1
"""
import struct
import sys


def chunks(data):
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    pos = 12
    while pos + 8 <= len(data):
        cid, size = struct.unpack_from("<4sI", data, pos)
        yield cid, data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)


def read(path):
    """(format tag, channels, rate, bits, raw sample bytes)"""
    with open(path, "rb") as f:
        data = f.read()
    fmt = raw = None
    for cid, body in chunks(data):
        if cid == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
            if fmt[0] == 0xFFFE:  # extensible: the sub-format's tag
                fmt = (struct.unpack_from("<H", body, 24)[0],) + fmt[1:]
        elif cid == b"data":
            raw = body
    if fmt is None or raw is None:
        raise ValueError(path + ": no fmt or data chunk")
    tag, channels, rate, _, _, bits = fmt
    return tag, channels, rate, bits, raw


def stereo(src, dst):
    tag, channels, rate, bits, raw = read(src)
    if tag != 1 or bits != 16 or channels not in (1, 2):
        raise ValueError(src + ": want 16-bit PCM, mono or stereo")
    samples = struct.unpack("<%dh" % (len(raw) // 2), raw)
    frames = len(samples) // channels
    out = []
    for i in range(frames):
        left = samples[i * channels] / 32768.0
        right = samples[i * channels + channels - 1] / 32768.0
        out += [left, right]
    body = struct.pack("<%df" % len(out), *out)
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    with open(dst, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(body)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(body)) + body)


def same(a, b):
    fa, fb = read(a), read(b)
    if fa[:4] != fb[:4]:
        print("format differs: %s %s / %s %s" % (a, fa[:4], b, fb[:4]))
        return 1
    if fa[4] == fb[4]:
        return 0
    n = min(len(fa[4]), len(fb[4]))
    first = next((i for i in range(n) if fa[4][i] != fb[4][i]), n)
    frame = first // (fa[1] * fa[3] // 8)
    print("samples differ from frame %d on (%d / %d bytes)" % (frame, len(fa[4]), len(fb[4])))
    return 1


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("stereo", "same"):
        sys.exit(__doc__)
    if sys.argv[1] == "stereo":
        stereo(sys.argv[2], sys.argv[3])
    else:
        sys.exit(same(sys.argv[2], sys.argv[3]))
