#!/usr/bin/env python3
"""How closely graphic equalisers do what their faders say, measured.

Runs `sorrel-host response` on Sorrel in both responses (classic and true),
ZamGEQ31 and LSP Graphic Equalizer x32 Stereo at 48 kHz, for the same
settings in dB: every fader at 0, the middle band at -12, all at +12,
neighbours alternating between +12 and -12 (both ways), and three random
settings. For each plug-in, at its own band centers:

  centers    worst |gain - fader|
  midpoints  worst |gain - mean of the two faders| at the geometric midpoint
             between neighbouring centers (the straight line in log frequency)
  between    worst excursion outside the range of the two neighbouring
             faders, on 16 points between every pair of centers

Prints a Markdown table. With --svg FILE it also draws Sorrel's two
responses for four settings (every fader at 0, one band at -12 and two
factory presets) into one picture.

Usage: scripts/response-accuracy.py [--host PATH] [--sorrel PATH] [--svg FILE]
Plug-ins that are not installed are left out of the table with a note.
"""
import argparse
import math
import os
import random
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RATE = 48000

SORREL_CENTERS = [19.83, 23.80, 28.56, 34.27, 41.12, 49.35, 59.22, 71.06, 85.27, 102.33, 122.80, 147.36,
                  176.83, 212.19, 254.63, 305.56, 366.67, 440.00, 586.67, 782.22, 1042.96, 1390.62, 1854.16,
                  2472.21, 3296.28, 4395.04, 5860.05, 7813.40, 10417.87, 13890.49, 18520.65]
ZAM_CENTERS = [32, 40, 50, 63, 79, 100, 126, 158, 200, 251, 316, 398, 501, 631, 794, 999, 1257, 1584, 1997,
               2514, 3165, 3986, 5017, 6318, 7963, 10032, 12662, 16081, 20801]
# LSP's 32 bands: third octaves around 1 kHz.
LSP_CENTERS = [1000.0 * 2.0 ** ((k - 18) / 3.0) for k in range(32)]


class Plugin:
    def __init__(self, label, path, centers, index_of_band, normalised, extra=()):
        self.label, self.path, self.centers = label, path, centers
        self.index_of_band, self.normalised, self.extra = index_of_band, normalised, list(extra)


def plugins(sorrel):
    def sorrel_law(db):
        return 0.5 + db / 24.0
    out = [
        Plugin("Sorrel, classic", sorrel, SORREL_CENTERS, lambda b: 2 + b, sorrel_law),
        Plugin("Sorrel, true", sorrel, SORREL_CENTERS, lambda b: 2 + b, sorrel_law, ["36=1"]),
        Plugin("ZamGEQ31", "/usr/lib/vst/ZamGEQ31-vst.so", ZAM_CENTERS, lambda b: 1 + b,
               lambda db: 0.5 + db / 24.0),
        Plugin("LSP Graphic Equalizer x32", "/usr/lib/vst/lsp-plugins/graph-equalizer-x32-stereo.so",
               LSP_CENTERS, lambda b: 16 + 4 * b, lambda db: 0.5 + db / 72.0),
    ]
    return out


def settings(count):
    rng = random.Random(2017)
    middle = count // 2
    out = [("every fader at 0 dB", [0.0] * count),
           ("middle band at -12", [-12.0 if b == middle else 0.0 for b in range(count)]),
           ("all at +12", [12.0] * count),
           ("alternating +12/-12", [12.0 if b % 2 == 0 else -12.0 for b in range(count)]),
           ("alternating -12/+12", [-12.0 if b % 2 == 0 else 12.0 for b in range(count)])]
    for i in range(3):
        out.append(("random %d" % (i + 1), [round(rng.uniform(-12, 12) * 2) / 2 for _ in range(count)]))
    return out


def measure(host, plugin, db, freqs):
    args = [host, "response", plugin.path, "--rate", str(RATE), "--freq", ",".join("%.4f" % f for f in freqs)]
    for b, g in enumerate(db):
        args += ["--set", "%d=%.9f" % (plugin.index_of_band(b), plugin.normalised(g))]
    for s in plugin.extra:
        args += ["--set", s]
    text = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    rows = [line.split(",") for line in text.strip().splitlines()[1:]]
    return [float(r[2]) for r in rows]


def errors(host, plugin, db):
    top = min(20000.0, 0.45 * RATE)
    bands = [b for b, f in enumerate(plugin.centers) if f <= top]
    freqs, kinds = [], []
    for b in bands:
        freqs.append(plugin.centers[b])
        kinds.append(("center", b))
    for b in bands[:-1]:
        lo, hi = plugin.centers[b], plugin.centers[b + 1]
        for i in range(1, 16):
            freqs.append(lo * (hi / lo) ** (i / 16.0))
            kinds.append(("between", b, i))
    gains = measure(host, plugin, [db[b] for b in range(len(plugin.centers))], freqs)
    worst = {"center": 0.0, "midpoint": 0.0, "between": 0.0}
    for kind, g in zip(kinds, gains):
        if kind[0] == "center":
            worst["center"] = max(worst["center"], abs(g - db[kind[1]]))
            continue
        a, c = db[kind[1]], db[kind[1] + 1]
        if kind[2] == 8:
            worst["midpoint"] = max(worst["midpoint"], abs(g - 0.5 * (a + c)))
        worst["between"] = max(worst["between"], min(a, c) - g, g - max(a, c))
    return worst


def svg(host, sorrel, path):
    presets = [("every fader at 0 dB", None), ("305 Hz band at -12 dB", None),
               ("factory preset Smile", "resources/presets/smile.fxp"),
               ("factory preset Telephone", "resources/presets/telephone.fxp")]
    freqs = [10.0 * 10 ** (i / 60.0) for i in range(int(60 * math.log10(2200)) + 1)]
    curves = []
    for title, preset in presets:
        pair = []
        for extra in ([], ["--set", "36=1"]):
            args = [host, "response", sorrel, "--rate", str(RATE), "--freq", ",".join("%.3f" % f for f in freqs)]
            if preset:
                args += ["--preset", os.path.join(ROOT, preset)]
            if title.startswith("305"):
                args += ["--set", "17=0"]
            args += extra
            text = subprocess.run(args, check=True, capture_output=True, text=True).stdout
            pair.append([float(line.split(",")[2]) for line in text.strip().splitlines()[1:]])
        curves.append((title, pair))
    w, h, pad = 420, 220, 40
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="11">' % (2 * w, 2 * h + 24), '<rect width="100%" height="100%" fill="white"/>',
           '<text x="10" y="16">Sorrel at 48 kHz: classic (grey) and true (red) response, dB over 10 Hz to 22 kHz'
           '</text>']
    for n, (title, pair) in enumerate(curves):
        ox, oy = (n % 2) * w, 24 + (n // 2) * h
        x0, y0, pw, ph = ox + pad, oy + 20, w - pad - 10, h - 50

        def px(f):
            return x0 + pw * math.log10(f / 10.0) / math.log10(2200)

        def py(d):
            return y0 + ph * (18 - max(-18, min(18, d))) / 36.0
        out.append('<text x="%d" y="%d">%s</text>' % (x0, oy + 14, title))
        out.append('<rect x="%d" y="%d" width="%d" height="%d" fill="none" stroke="#888"/>' % (x0, y0, pw, ph))
        for d in (-12, -6, 0, 6, 12):
            out.append('<line x1="%d" x2="%d" y1="%.1f" y2="%.1f" stroke="#ddd"/>' % (x0, x0 + pw, py(d), py(d)))
            out.append('<text x="%d" y="%.1f" text-anchor="end">%+d</text>' % (x0 - 4, py(d) + 4, d))
        for f, label in ((100, "100"), (1000, "1k"), (10000, "10k")):
            out.append('<line x1="%.1f" x2="%.1f" y1="%d" y2="%d" stroke="#ddd"/>' % (px(f), px(f), y0, y0 + ph))
            out.append('<text x="%.1f" y="%d" text-anchor="middle">%s</text>' % (px(f), y0 + ph + 14, label))
        for curve, color in zip(pair, ("#888", "#c22")):
            points = " ".join("%.1f,%.1f" % (px(f), py(d)) for f, d in zip(freqs, curve))
            out.append('<polyline fill="none" stroke="%s" stroke-width="1.5" points="%s"/>' % (color, points))
    out.append("</svg>")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default=os.path.join(ROOT, "build/linux/tools/sorrel-host"))
    parser.add_argument("--sorrel", default=os.path.join(ROOT, "build/linux/Sorrel.so"))
    parser.add_argument("--svg")
    args = parser.parse_args()
    rows, notes = [], []
    for plugin in plugins(args.sorrel):
        if not os.path.exists(plugin.path):
            notes.append("%s: not installed (%s)" % (plugin.label, plugin.path))
            continue
        worst = {"center": 0.0, "midpoint": 0.0, "between": 0.0}
        flat = None
        for name, db in settings(len(plugin.centers)):
            e = errors(args.host, plugin, db)
            if flat is None:
                flat = e["center"]
            for k in worst:
                worst[k] = max(worst[k], e[k])
        rows.append((plugin.label, flat, worst))
    print("| %d Hz | flat: worst at a center | worst at a center | worst at a midpoint | "
          "worst excursion between centers |" % RATE)
    print("|---|---|---|---|---|")
    for label, flat, worst in rows:
        print("| %s | %.2f dB | %.2f dB | %.2f dB | %.2f dB |" % (label, flat, worst["center"], worst["midpoint"],
                                                             worst["between"]))
    for n in notes:
        print("\n" + n, file=sys.stderr)
    if args.svg:
        svg(args.host, args.sorrel, args.svg)


if __name__ == "__main__":
    main()
