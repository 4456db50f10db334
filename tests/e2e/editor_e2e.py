#!/usr/bin/env python3
"""Sorrel's editor used as a person uses it, in `sorrel-host gui` on an X
server without a window manager (Xvfb), the pointer and keys driven by
xdotool and the host's side read from the tool's --trace lines.

  pixels  the tool's PNG of an editor with silence running equals
          tests/golden/editor_fresh.png, for every build given (Linux, and
          the Windows builds under Wine on the same display)
  use     band 17's fader ("440") dragged to the top, Ctrl+clicked back to
          its default and moved by wheel notches: the parameter's values,
          each gesture between one beginEdit and one endEdit; the "In"
          switch (parameter 34 off, its meters fall dark while the "Out"
          meters run on) and the logo (only a plain left click asks xdg-open,
          under Wine through the shell, for the home page); quick clicks
          (`xdotool click`, no hold) on the "In" switch, and with and without
          Ctrl on the fader, each one toggle, reset or set in one bracket
  one     a wheel notch and a right-button press on band 0's fader while
          band 17's is dragged: the drag's bracket is the only one
  two     two instances in one process: a drag in one leaves the other's
          picture alone; closing one window leaves the other drawing and
          answering a drag

Usage: editor_e2e.py OUT_DIR linux=BUILD [win32=BUILD] [win64=BUILD]
DISPLAY must name the server. Prints "ok:" and "FAILED:" lines; exit status 1
when anything failed. On a picture mismatch a diff image is written next to
the PNG (differing pixels white, the rest a dimmed copy of the golden).
"""

import os
import re
import subprocess
import sys
import threading
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "daw", "ardour"))
import gui_x11 as x11  # noqa: E402  (window grabs, close requests, PNG files)

STEP = 20  # seconds for any one thing to happen
WINE_START = 90  # the first Wine program after a fresh prefix starts slowly
EDITOR = (710, 167)
GOLDEN = os.path.join(ROOT, "tests", "golden")

# Places in the editor window. Band b's fader is 16 wide at x = 65 + 20b and
# its value under the pointer is 1 - (y - 5) / 100: a press at y 60 gives
# 0.45, anything above y 5 the top.
FADER_X = 65 + 20 * 17 + 8
FADER_PARAMETER = 19
FADER0_X = 65 + 8  # band 0's fader: parameter 2
FADER0_PARAMETER = 2
CLICK_VALUE = 0.45  # a free click at PRESS_Y
PRESS_Y = 60
IN_SWITCH = (697, 128)
IN_SWITCH_BOX = (691, 125, 703, 131)
LOGO = (30, 145)
FADERS_BOX = (0, 0, 710, 110)  # faders only: meters move with the noise
# Each band's four meters stand 3 wide in rows 129 to 159: the two before
# the band gain ("In") at x = 65 + 20b and 69 + 20b, the two after it
# ("Out") at 74 + 20b and 78 + 20b.
IN_METERS = [(x, 129, x + 3, 159) for b in range(31) for x in (65 + 20 * b, 69 + 20 * b)]
OUT_METERS = [(x, 129, x + 3, 159) for b in range(31) for x in (74 + 20 * b, 78 + 20 * b)]

failures = 0


def check(what, ok, detail=""):
    global failures
    print(f"{'ok' if ok else 'FAILED'}: {what}{f' ({detail})' if detail and not ok else ''}", flush=True)
    failures += not ok
    return ok


def wait_for(probe, timeout=STEP, every=0.05):
    """probe() until it answers something true; that answer, or None at the time-out."""
    end = time.monotonic() + timeout
    while True:
        got = probe()
        if got or time.monotonic() > end:
            return got
        time.sleep(every)


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, timeout=STEP, capture_output=True,
                          text=True).stdout


# ---------------------------------------------------------------- pictures

class Picture:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def load(cls, path):
        return cls(*x11.read_png(path))

    def box(self, box):
        left, top, right, bottom = box
        return b"".join(self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3] for y in range(top, bottom))

    def differing(self, other):
        return sum(self.rgb[i:i + 3] != other.rgb[i:i + 3] for i in range(0, len(self.rgb), 3))

    def write_diff(self, other, path):
        out = bytearray(other.rgb)
        for i in range(0, len(out), 3):
            same = self.rgb[i:i + 3] == other.rgb[i:i + 3]
            out[i:i + 3] = bytes(c // 4 for c in other.rgb[i:i + 3]) if same else b"\xff\xff\xff"
        x11.write_png(path, self.width, self.height, bytes(out))


GOLDEN_FRESH = Picture.load(os.path.join(GOLDEN, "editor_fresh.png"))
GOLDEN_IN_OFF = Picture.load(os.path.join(GOLDEN, "editor_in_off.png"))


def same_boxes(a, b, boxes):
    return all(a.box(box) == b.box(box) for box in boxes)


def matches_golden(what, path, diff_path):
    if not os.path.exists(path):
        return check(what, False, f"{path} was not written")
    got = Picture.load(path)
    if (got.width, got.height) != EDITOR:
        return check(what, False, f"{got.width} x {got.height}")
    n = got.differing(GOLDEN_FRESH)
    if n:
        got.write_diff(GOLDEN_FRESH, diff_path)
    return check(what, n == 0, f"{n} pixels differ, see {diff_path}")


# ---------------------------------------------------------------- the tool

class Build:
    def __init__(self, name, folder):
        self.name, self.wine = name, name.startswith("win")
        ext = ".exe" if self.wine else ""
        self.host = os.path.join(folder, "tools", "sorrel-host" + ext)
        self.plugin = os.path.join(folder, "Sorrel.dll" if self.wine else "Sorrel.so")

    def command(self, *args):
        return (["wine"] if self.wine else []) + [self.host, "gui", self.plugin, *map(str, args)]


class Tool:
    """sorrel-host gui running with --trace; its lines collected as they come."""

    def __init__(self, build, *args, env=None, seconds=120):
        self.build, self.lines = build, []
        self.proc = subprocess.Popen(build.command("--trace", "--seconds", seconds, *args), stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, text=True, env=env)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.rstrip("\r\n"))

    def window(self, title):
        """(X window, left, top) of the shown editor window with exactly this title."""
        pattern = "^" + re.escape(title) + "$"
        found = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern], capture_output=True,
                                                text=True).stdout.split(),
                         WINE_START if self.build.wine else STEP, every=0.2)
        if not found:
            raise RuntimeError(f"no window titled {title!r} appeared; the tool said: {' | '.join(self.lines)}")
        geometry = dict(kv.split("=") for kv in xdotool("getwindowgeometry", "--shell", found[0]).split())
        return int(found[0]), int(geometry["X"]), int(geometry["Y"])

    def after(self, mark, until, timeout=STEP):
        """The lines after `mark` once one of them satisfies `until` (all of them at the time-out)."""
        wait_for(lambda: any(until(s) for s in self.lines[mark:]), timeout)
        return self.lines[mark:]

    def finish(self, timeout=STEP):
        """The exit status once the tool ends by itself (killed after the time-out: None)."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None
        finally:
            self.reader.join(5)


# ---------------------------------------------------------------- gestures

def drag_to_top(x, y):
    xdotool("mousemove", x + FADER_X, y + PRESS_Y, "mousedown", 1)
    for dy in (40, 20, 5, -10):  # past the top of the window: the value stops at 1
        xdotool("sleep", 0.05, "mousemove", x + FADER_X, y + dy)
    xdotool("sleep", 0.1, "mouseup", 1)


def press(x, y, button=1, *keys):
    # The button is held a while: the editor reads it from the pointer's
    # state when it handles the press, and a person's click allows that.
    down = [a for k in keys for a in ("keydown", k)]
    up = [a for k in keys for a in ("keyup", k)]
    xdotool("mousemove", x, y, *down, "mousedown", button, "sleep", 0.25, "mouseup", button, *up)


def ctrl_click(x, y):
    press(x + FADER_X, y + PRESS_Y, 1, "ctrl")


def wheel(notch):
    def turn(x, y):
        xdotool("mousemove", x + FADER_X, y + PRESS_Y, "click", 4 if notch > 0 else 5)
    return turn


def quick_click(x, y, *keys):
    # No hold at all: press and release reach the editor together.
    down = [a for k in keys for a in ("keydown", k)]
    up = [a for k in keys for a in ("keyup", k)]
    xdotool("mousemove", x, y, *down, "click", 1, *up)


# (what, gesture, final value): each must reach the host as one bracket.
FADER_GESTURES = [
    ("drag band 17's fader to the top", drag_to_top, 1.0),
    ("Ctrl+click on it returns it to its default", ctrl_click, 0.5),
    ("one wheel notch up", wheel(+1), 0.6),
    ("one wheel notch down", wheel(-1), 0.5),
]


def edit_bracket(lines, index, prefix=""):
    """The last value of one beginEdit INDEX, automate INDEX lines, endEdit INDEX
    sequence that makes up all of `lines`; None when they are anything else."""
    body = [s[len(prefix):] for s in lines if s.startswith(prefix)]
    if len(body) < 3 or body[0] != f"beginEdit {index}" or body[-1] != f"endEdit {index}":
        return None
    values = [re.fullmatch(rf"automate {index} (\S+)", s) for s in body[1:-1]]
    return float(values[-1].group(1)) if all(values) else None


def gesture(tool, what, act, origin, index, value, prefix=""):
    mark = len(tool.lines)
    act(*origin)
    lines = tool.after(mark, lambda s: s == f"{prefix}endEdit {index}")
    time.sleep(0.1)  # anything after the bracket would show here
    got = edit_bracket(tool.lines[mark:], index, prefix)
    return check(f"{tool.build.name}: {what}: parameter {index} = {value} between one beginEdit and one endEdit",
                 got is not None and abs(got - value) < 1e-6, " | ".join(lines) or "no trace lines")


# ---------------------------------------------------------------- the runs

def away_from_windows():
    """The pointer to the screen's far corner: windows open at the top left,
    and a fader under the pointer shows its hover readout in the pictures."""
    xdotool("mousemove", 10000, 10000)


def pixels(build, out, silence):
    away_from_windows()
    png = os.path.join(out, f"{build.name}-fresh.png")
    if os.path.exists(png):
        os.remove(png)
    try:
        r = subprocess.run(build.command("--png", png, "--seconds", 2, "--audio", silence), capture_output=True,
                           text=True, timeout=WINE_START + STEP)
        code = r.returncode
    except subprocess.TimeoutExpired:
        code = "time-out"
    check(f"{build.name}: gui --png exits with 0", code == 0, str(code))
    matches_golden(f"{build.name}: a fresh editor with silence running looks like editor_fresh.png", png,
                   os.path.join(out, f"{build.name}-fresh-diff.png"))


def grab(display, window):
    rgb = display.grab(window, *EDITOR)
    if rgb is None:
        raise RuntimeError(f"window {window} cannot be read")
    return Picture(*EDITOR, rgb)


def use(build, out, display):
    stub = os.path.join(out, "stub")
    opened = os.path.join(out, "xdg-open.log")
    os.makedirs(stub, exist_ok=True)
    with open(os.path.join(stub, "xdg-open"), "w") as f:
        f.write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{opened}"\n')
    os.chmod(os.path.join(stub, "xdg-open"), 0o755)
    if os.path.exists(opened):
        os.remove(opened)
    tool = Tool(build, "--noise", env=dict(os.environ, PATH=stub + os.pathsep + os.environ["PATH"]))
    window = None
    try:
        window, *origin = tool.window("Sorrel")
        for what, act, value in FADER_GESTURES:
            gesture(tool, what, act, origin, FADER_PARAMETER, value)
        x, y = origin
        lit = wait_for(lambda: not same_boxes(grab(display, window), GOLDEN_FRESH, IN_METERS), every=0.1)
        check(f"{build.name}: noise lights the In meters", lit)
        gesture(tool, 'a click on the "In" switch', lambda x, y: press(x + IN_SWITCH[0], y + IN_SWITCH[1]),
                origin, 34, 0.0)
        dark = wait_for(lambda: (lambda p: same_boxes(p, GOLDEN_FRESH, IN_METERS) and p)(grab(display, window)),
                        every=0.1)
        check(f"{build.name}: the In meters fall dark", dark)
        if dark:
            check(f"{build.name}: the In switch dims as in editor_in_off.png",
                  same_boxes(dark, GOLDEN_IN_OFF, [IN_SWITCH_BOX]))
            check(f"{build.name}: the Out meters run on", not same_boxes(dark, GOLDEN_FRESH, OUT_METERS))

        def opened_lines():
            return open(opened).read().splitlines() if os.path.exists(opened) else []
        press(x + LOGO[0], y + LOGO[1], 3)
        press(x + LOGO[0], y + LOGO[1], 1, "shift")
        time.sleep(1)  # an opener would have run by now
        check(f"{build.name}: a right click or Shift+click on the logo opens nothing", opened_lines() == [],
              str(opened_lines()))
        press(x + LOGO[0], y + LOGO[1])
        wait_for(opened_lines)
        time.sleep(0.5)  # a second opener would show here
        home = re.search(r'kHomePage = "([^"]+)"', open(os.path.join(ROOT, "editor", "web_link_view.h")).read())[1]
        check(f"{build.name}: a left click on the logo asks xdg-open for {home} once", opened_lines() == [home],
              str(opened_lines()))
        quick_clicks(tool, origin)
        one_gesture(tool, origin)
    finally:
        if window is not None:
            display.close_request(window)
        check(f"{build.name}: the tool ends cleanly when its window is closed", tool.finish() == 0,
              " | ".join(tool.lines[-5:]))


def quick_clicks(tool, origin):
    x, y = origin
    value = 0.0  # the In switch is off since the click above
    for n in range(5):
        value = 1.0 - value
        gesture(tool, f'quick click {n + 1} of 5 on the "In" switch', lambda x, y: quick_click(x + IN_SWITCH[0],
                                                                                             y + IN_SWITCH[1]),
                origin, 34, value)
    # The fader stands at its default (0.5) after the wheel notches.
    for n in range(5):
        gesture(tool, f"quick click {n + 1} of 5 on band 17's fader",
                lambda x, y: quick_click(x + FADER_X, y + PRESS_Y), origin, FADER_PARAMETER, CLICK_VALUE)
        gesture(tool, f"quick Ctrl+click {n + 1} of 5 on band 17's fader",
                lambda x, y: quick_click(x + FADER_X, y + PRESS_Y, "ctrl"), origin, FADER_PARAMETER, 0.5)


def one_gesture(tool, origin):
    # Band 17's fader dragged to y 40 (0.65) with a wheel notch and a
    # right-button click on band 0's fader on the way.
    x, y = origin
    mark = len(tool.lines)
    xdotool("mousemove", x + FADER_X, y + PRESS_Y, "mousedown", 1, "sleep", 0.1,
            "mousemove", x + FADER0_X, y + 40, "sleep", 0.1, "click", 4, "sleep", 0.1, "click", 3, "sleep", 0.1,
            "mousemove", x + FADER_X, y + 40, "sleep", 0.1, "mouseup", 1)
    lines = tool.after(mark, lambda s: s == f"endEdit {FADER_PARAMETER}")
    time.sleep(0.5)  # a notch or press handled after the drag would show here
    lines = tool.lines[mark:]
    got = edit_bracket(lines, FADER_PARAMETER)
    check(f"{tool.build.name}: a wheel notch and a right click on band 0 during a drag of band 17: one bracket, "
          f"for parameter {FADER_PARAMETER} only", got is not None and abs(got - 0.65) < 1e-6, " | ".join(lines))
    check(f"{tool.build.name}: parameter {FADER0_PARAMETER} unchanged by them",
          not any(re.fullmatch(rf"(beginEdit|automate|endEdit) {FADER0_PARAMETER}\b.*", s) for s in lines),
          " | ".join(lines))


def two(build, display):
    tool = Tool(build, "--noise", "--instances", 2)
    try:
        (w1, *o1), (w2, *o2) = tool.window("Sorrel (1)"), tool.window("Sorrel (2)")
        wait_for(lambda: all(not same_boxes(grab(display, w), GOLDEN_FRESH, IN_METERS) for w in (w1, w2)),
                 every=0.1)
        before1, before2 = grab(display, w1), grab(display, w2)
        check("two instances: both show their meters",
              not same_boxes(before1, GOLDEN_FRESH, IN_METERS) and not same_boxes(before2, GOLDEN_FRESH, IN_METERS))
        gesture(tool, "drag in instance 1", drag_to_top, o1, FADER_PARAMETER, 1.0, "[1] ")
        shown = wait_for(lambda: not same_boxes(grab(display, w1), before1, [FADERS_BOX]))
        check("two instances: the drag shows in instance 1 only",
              shown and same_boxes(grab(display, w2), before2, [FADERS_BOX]))
        mark = len(tool.lines)
        display.close_request(w1)
        closed = tool.after(mark, lambda s: s.startswith("[1] idle "))
        check("two instances: closing window 1 closes instance 1 only",
              "[1] effEditClose" in closed and not any(s.startswith("[2] ") for s in closed)
              and tool.proc.poll() is None, " | ".join(closed))
        moving = wait_for(lambda: grab(display, w2).box((0, 129, 710, 160)) != before2.box((0, 129, 710, 160)),
                          every=0.1)
        check("two instances: instance 2's meters still move", moving)
        gesture(tool, "drag in instance 2 after instance 1 closed", drag_to_top, o2, FADER_PARAMETER, 1.0, "[2] ")
        check("two instances: instance 2 shows the drag",
              wait_for(lambda: not same_boxes(grab(display, w2), before2, [FADERS_BOX])))
        display.close_request(w2)
    finally:
        code = tool.finish()
        check("two instances: the tool ends cleanly with the last window", code == 0, " | ".join(tool.lines[-5:]))


def silence_file(out):
    """A second of stereo silence as a WAV file in out: what the tool plays
    while the pictures must stay still."""
    path = os.path.join(out, "silence.wav")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(bytes(4 * 44100))
    return path


def main():
    out, builds = sys.argv[1], [Build(*a.split("=", 1)) for a in sys.argv[2:]]
    os.makedirs(out, exist_ok=True)
    display = x11.Display(os.environ["DISPLAY"])
    silence = silence_file(out)
    for build in builds:
        for run in (lambda: pixels(build, out, silence), lambda: use(build, out, display)):
            try:
                run()
            except (RuntimeError, subprocess.SubprocessError, OSError) as e:
                check(f"{build.name}: {e}", False)
    if builds and not builds[0].wine:
        try:
            two(builds[0], display)
        except (RuntimeError, subprocess.SubprocessError, OSError) as e:
            check(f"two instances: {e}", False)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
