#!/usr/bin/env python3
"""Sorrel's editor at 1.25x, 2x and 3x in `sorrel-host gui` on an X server
(Xvfb started with -noreset, so that resources merged with xrdb stay):

  host     the host's content-scale call with 2.0 before effEditOpen: the
           plug-in takes it, effEditGetRect answers 1420 x 334, the window's
           picture equals tests/golden/editor_fresh_2x.png; a drag of band
           17's fader, a Ctrl+click and a wheel notch at doubled
           coordinates reach parameter 19, each between one beginEdit and
           one endEdit; the same call after effEditOpen: the editor asks for
           1420 x 334 with sizeWindow and shows the 2x picture; the call
           with 1.25 gives 888 x 209 and the 1.25x picture
  desktop  no host call: `Xft.dpi: 192` in the X resources gives 2x,
           `Xft.dpi: 120` gives 1.25x; with
           them removed SORREL_SCALE=3 gives 3x, and nonsense values of
           SORREL_SCALE give 1x
  wine     the 32-bit DLL under Wine through the host's call: 2x and 1.25x,
           their pictures equal editor_fresh_2x.png and editor_fresh_1.25x.png

Usage: editor_scale_e2e.py OUT_DIR linux=BUILD [win32=BUILD]
DISPLAY must name the server. Prints "ok:" and "FAILED:" lines; exit status 1
when anything failed.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import editor_e2e as e2e  # noqa: E402  (tool, pictures, gestures, checks)

GOLDEN = {s: e2e.Picture.load(os.path.join(e2e.GOLDEN, n)) for s, n in
          ((1, "editor_fresh.png"), (1.25, "editor_fresh_1.25x.png"), (2, "editor_fresh_2x.png"),
           (3, "editor_fresh_3x.png"))}


def check(what, ok, detail=""):
    return e2e.check(what, ok, detail)


def snapshot(build, out, name, silence, *args, env=None):
    """gui --png with silence running: (the picture or None, the trace lines)."""
    png = os.path.join(out, f"{build.name}-{name}.png")
    if os.path.exists(png):
        os.remove(png)
    try:
        r = subprocess.run(build.command("--trace", "--png", png, "--seconds", 2, "--audio", silence, *args),
                           capture_output=True, text=True, timeout=e2e.WINE_START + e2e.STEP, env=env)
        lines, code = r.stdout.splitlines(), r.returncode
    except subprocess.TimeoutExpired:
        lines, code = [], "time-out"
    check(f"{build.name}: {name}: gui --png exits with 0", code == 0, str(code))
    return (e2e.Picture.load(png) if os.path.exists(png) else None), [s.rstrip("\r") for s in lines]


def shows(build, name, picture, scale, out):
    golden = GOLDEN[scale]
    if picture is None:
        return check(f"{build.name}: {name}: a picture was written", False)
    if (picture.width, picture.height) != (golden.width, golden.height):
        return check(f"{build.name}: {name}: the editor at {scale}x", False, f"{picture.width} x {picture.height}")
    n = picture.differing(golden)
    diff = os.path.join(out, f"{build.name}-{name}-diff.png")
    if n:
        picture.write_diff(golden, diff)
    return check(f"{build.name}: {name}: the window equals the {scale}x golden picture", n == 0,
                 f"{n} pixels differ, see {diff}")


def host_call(build, out, silence, scale=2, size=(1420, 334)):
    name = f"host-{scale}x"
    picture, lines = snapshot(build, out, name, silence, "--scale", scale)
    call = [s for s in lines if s.startswith("effVendorSpecific content scale")]
    check(f"{build.name}: the content-scale call with {scale} is taken",
          call == [f"effVendorSpecific content scale {scale} 1"], " | ".join(lines[:6]))
    rects = [s for s in lines if s.startswith("effEditGetRect")]
    check(f"{build.name}: effEditGetRect answers {size[0]} x {size[1]}",
          rects[:1] == [f"effEditGetRect {size[0]} {size[1]}"], " | ".join(rects))
    shows(build, name, picture, scale, out)


def host_call_after_open(build, out, silence):
    picture, lines = snapshot(build, out, "host-2x-after-open", silence, "--scale", 2, "--scale-after-open")
    check(f"{build.name}: after effEditOpen the editor asks for its 2x size",
          "sizeWindow 1420 334" in lines, " | ".join(lines[:8]))
    shows(build, "host-2x-after-open", picture, 2, out)


def doubled(gesture):
    """The 1x gesture at doubled coordinates in the window."""
    def at(x, y):
        saved = e2e.FADER_X, e2e.PRESS_Y
        e2e.FADER_X, e2e.PRESS_Y = 2 * saved[0], 2 * saved[1]
        try:
            gesture(x, y)
        finally:
            e2e.FADER_X, e2e.PRESS_Y = saved
    return at


def drag_to_top_2x(x, y):
    fx = x + 2 * e2e.FADER_X
    e2e.xdotool("mousemove", fx, y + 2 * e2e.PRESS_Y, "mousedown", 1)
    for dy in (80, 40, 10, -20):
        e2e.xdotool("sleep", 0.05, "mousemove", fx, y + dy)
    e2e.xdotool("sleep", 0.1, "mouseup", 1)


def gestures(build):
    tool = e2e.Tool(build, "--noise", "--scale", 2)
    window = None
    try:
        window, *origin = tool.window("Sorrel")
        for what, act, value in [
            ("2x: drag band 17's fader to the top", drag_to_top_2x, 1.0),
            ("2x: Ctrl+click returns it to its default", doubled(e2e.ctrl_click), 0.5),
            ("2x: one wheel notch up", doubled(e2e.wheel(+1)), 0.6),
        ]:
            e2e.gesture(tool, what, act, origin, e2e.FADER_PARAMETER, value)
    finally:
        if window is not None:
            display.close_request(window)
        check(f"{build.name}: 2x: the tool ends cleanly when its window is closed", tool.finish() == 0,
              " | ".join(tool.lines[-5:]))


def xrdb(*args, text=None):
    subprocess.run(["xrdb", *args], input=text, text=True, check=True, timeout=e2e.STEP)


def desktop(build, out, silence):
    plain = {k: v for k, v in os.environ.items() if k not in ("SORREL_SCALE", "GDK_SCALE", "GDK_DPI_SCALE")}
    e2e.away_from_windows()
    for dpi, scale in ((192, 2), (120, 1.25)):
        xrdb("-merge", text=f"Xft.dpi: {dpi}\n")
        try:
            picture, _ = snapshot(build, out, f"xft-dpi-{dpi}", silence, env=plain)
            shows(build, f"xft-dpi-{dpi}", picture, scale, out)
        finally:
            xrdb("-remove")
    picture, _ = snapshot(build, out, "sorrel-scale-3", silence, env=dict(plain, SORREL_SCALE="3"))
    shows(build, "sorrel-scale-3", picture, 3, out)
    for nonsense in ("0", "-2", "nan", "100", "big"):
        picture, _ = snapshot(build, out, f"sorrel-scale-{nonsense}", silence, env=dict(plain, SORREL_SCALE=nonsense))
        shows(build, f"SORREL_SCALE={nonsense}", picture, 1, out)


def main():
    global display
    out, builds = sys.argv[1], [e2e.Build(*a.split("=", 1)) for a in sys.argv[2:]]
    os.makedirs(out, exist_ok=True)
    display = e2e.x11.Display(os.environ["DISPLAY"])
    silence = e2e.silence_file(out)
    for build in builds:
        runs = [lambda: host_call(build, out, silence), lambda: host_call(build, out, silence, 1.25, (888, 209)),
                lambda: host_call_after_open(build, out, silence)]
        if not build.wine:
            runs += [lambda: gestures(build), lambda: desktop(build, out, silence)]
        for run in runs:
            try:
                e2e.away_from_windows()
                run()
            except (RuntimeError, subprocess.SubprocessError, OSError) as e:
                check(f"{build.name}: {e}", False)
    return 1 if e2e.failures else 0


if __name__ == "__main__":
    sys.exit(main())
