#!/usr/bin/env python3
"""The LV2 editor in jalv.gtk3, on a private Xvfb display with a dummy JACK
server: the editor is embedded in jalv's window as one child of exactly
710 x 167, looks like tests/golden/editor_fresh.png, a drag on band 17
moves its fader, and closing jalv's window ends jalv cleanly.

Usage: jalv_e2e.py BUILD_DIR OUT_DIR   (DISPLAY set to a running X server;
JACK_DEFAULT_SERVER names a running JACK server)
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "daw", "ardour"))
import gui_x11 as x11  # noqa: E402

URI = "https://sorrel.quillmark.example/lv2/sorrel"
EDITOR = (710, 167)
STEP = 20
# Band 17's fader ("440"): 16 wide at x = 65 + 20 * 17; a press at y 60.
FADER = (65 + 20 * 17 + 8, 60)
FADERS_BOX = (0, 0, 710, 110)

failures = 0


def check(what, ok, detail=""):
    global failures
    if not ok:
        failures += 1
        print(f"FAILED: jalv: {what}" + (f" ({detail})" if detail else ""))
    return ok


def wait_for(probe, timeout=STEP):
    end = time.time() + timeout
    while time.time() < end:
        got = probe()
        if got:
            return got
        time.sleep(0.1)
    return None


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=STEP, capture_output=True)


def box(rgb, b):
    left, top, right, bottom = b
    w = EDITOR[0]
    return b"".join(rgb[(y * w + left) * 3:(y * w + right) * 3] for y in range(top, bottom))


def main():
    build, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    env = dict(os.environ, LV2_PATH=f"{build}:/usr/lib/lv2")
    log = open(os.path.join(out, "jalv.log"), "w")
    jalv = subprocess.Popen(["jalv.gtk3", "--jack-name", "sorrel-e2e", URI], env=env, stdout=log,
                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    display = x11.Display(os.environ["DISPLAY"])
    try:
        def editor():
            tops = [w for w, depth, i in display.tree() if depth == 0 and i[5] == "Sorrel" and i[4]]
            for top in tops:
                leaves = [(w, i) for w, _, i in display.tree(top) if not display.children(w) and i[4]]
                sized = [w for w, i in leaves if (i[2], i[3]) == EDITOR]
                if sized:
                    return top, sized
            return None

        found = wait_for(editor)
        if not check("jalv shows a window with the editor embedded", found is not None,
                     "no 710 x 167 child in a 'Sorrel' window"):
            return
        top, windows = found
        check("exactly one 710 x 167 editor window", len(windows) == 1, str(len(windows)))
        window = windows[0]
        time.sleep(0.5)  # the first idle passes paint
        golden = x11.read_png(os.path.join(ROOT, "tests", "golden", "editor_fresh.png"))[2]

        def picture():
            return display.grab(window, *EDITOR)

        def differing(rgb):
            return sum(rgb[k:k + 3] != golden[k:k + 3] for k in range(0, len(rgb), 3))

        fresh = wait_for(lambda: (lambda p: p if p is not None and differing(p) == 0 else None)(picture()), 5) \
            or picture()
        n = differing(fresh)
        if n:
            x11.write_png(os.path.join(out, "jalv-fresh.png"), *EDITOR, fresh)
        check("the fresh editor equals editor_fresh.png", n == 0, f"{n} pixels differ, see {out}/jalv-fresh.png")

        x, y = display.origin(window)
        xdotool("mousemove", x + FADER[0], y + FADER[1], "mousedown", 1)
        for dy in (40, 20, 5, -10):
            xdotool("sleep", 0.05, "mousemove", x + FADER[0], y + dy)
        xdotool("sleep", 0.1, "mouseup", 1)
        moved = wait_for(lambda: box(picture(), FADERS_BOX) != box(golden, FADERS_BOX), 5)
        check("a drag on band 17 moves its fader", moved)
        check("jalv still runs after the drag", jalv.poll() is None)

        display.close_request(top)
        try:
            code = jalv.wait(STEP)
        except subprocess.TimeoutExpired:
            code = "time-out"
        check("jalv ends cleanly when its window is closed", code == 0, str(code))
    finally:
        if jalv.poll() is None:
            jalv.kill()
            jalv.wait()
        display.close()
        log.close()
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
