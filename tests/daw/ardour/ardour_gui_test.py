#!/usr/bin/env python3
"""Sorrel's editor inside Ardour's own window, headless.

Debian's Ardour 7 runs with its full user interface on a private Xvfb display
and the "None (Dummy)" audio backend. Each run starts from a session made by
`ardour7-lua` (one stereo track with the plug-in) in which the plug-in's own
editor is marked open, so that Ardour opens it at start.

1. spy     the same session with the spy plug-in: prints which editor calls
           Ardour makes, with their arguments, how often it calls the
           editor's idle operation, and what closing and reopening the
           window does to the plug-in.
2. picture Ardour opens Sorrel's editor; its 710 x 167 window must equal the
           golden picture of a fresh editor pixel for pixel.
3. drag    band 17's fader ("440") is dragged from the middle to 0.75; the
           red bar must appear, the session that Ardour saves (Ctrl+S) must
           hold 0.75 for parameter 19 in the plug-in's chunk, and the session
           loaded again must give the plug-in 0.75.
4. reopen  the plug-in window closed as a window manager would (Ardour only
           hides it) and shown again from the mixer strip; then the editor
           really closed (Ardour's generic controls instead) and opened anew.
           Both times the editor must show the dragged fader.
5. lv2     with --lv2, the LV2 build's editor, which Ardour opens at start,
           must equal the same golden picture, and a drag on band 17 must
           reach the saved session's control (in dB) and the saved state.
6. vst3    with --vst3, the VST 3 bundle's editor, embedded in Ardour's
           plug-in window and idled from Ardour's run loop, must equal the
           same golden picture, and a drag on band 17 must reach Ardour's
           control for it (in dB) and the saved component state.

Exit status 0 when everything holds, 1 on a failure (a plug-in without an
editor or a missing golden picture is one), 77 when Ardour or the X tools
cannot run here (the reason is printed on a SKIP line).
"""

import argparse
import contextlib
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import ardour_test as at  # noqa: E402  (scanner, sessions and the spy's log)
import gui_x11 as x11  # noqa: E402

SCREEN = (1600, 1000)
EDITOR = (710, 167)
STEP_TIMEOUT = 60  # seconds for any one thing to appear on screen

# Band 17's fader: left edge 65 + 20 * 17, 16 wide, top 3. Its value is
# 1 - (y - 5) / 100 at the pointer, so a press at y 55 keeps 0.5 and y 30
# gives 0.75 exactly.
FADER_X = 65 + 20 * 17 + 8
PRESS_Y = 55
RELEASE_Y = 30
PARAMETER = 19
DRAGGED_VALUE = 0.75
BAR_RED = (195, 0, 0)


class Skip(Exception):
    pass


Failure = at.Failure
log = at.log


def wait_for(what, probe, timeout=STEP_TIMEOUT, every=0.25):
    """probe() until it returns something true; its answer, or a Failure naming `what`."""
    end = time.monotonic() + timeout
    while True:
        got = probe()
        if got:
            return got
        if time.monotonic() > end:
            raise Failure(f"{what}: not within {timeout} s")
        time.sleep(every)


# ---------------------------------------------------------------- the display

def wait_alive(host, name, what, probe, timeout):
    """wait_for a host's window or state, failing at once with the end of the
    host's log when the host process ends meanwhile (host has alive(), proc
    and log_tail())."""
    def checked():
        if not host.alive():
            raise Failure(f"{name} ended (exit {host.proc.returncode}) while waiting for {what}:\n"
                          + host.log_tail())
        return probe()
    return wait_for(what, checked, timeout)


class Xvfb:
    """The display given (started by the caller, at least SCREEN large), or
    a private Xvfb on a display number it picks itself (-displayfd), so that
    no other server's display can be in the way."""

    def __init__(self, display=None):
        self.display = display
        self.proc = None

    def __enter__(self):
        if not self.display:
            reader, writer = os.pipe()
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(writer), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                 "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                pass_fds=(writer,))
            os.close(writer)
            with os.fdopen(reader) as numbers:
                number = numbers.readline().strip()
            if not number:
                self.proc.kill()
                raise Failure("Xvfb did not start")
            self.display = f":{number}"

        def up():
            try:
                return x11.Display(self.display)
            except OSError:
                return None
        self.x = wait_for(f"Xvfb on {self.display}", up, timeout=15)
        return self

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=dict(os.environ, DISPLAY=self.display), check=True,
                       timeout=STEP_TIMEOUT)

    def toplevel(self, title_part):
        """The mapped top-level window whose title holds `title_part`, or None."""
        for w, depth, (_, _, _, _, viewable, title) in self.x.tree():
            if depth == 0 and viewable and title_part in title:
                return w
        return None

    def editor_window(self, top):
        """The deepest mapped window of the editor's size below `top`, or None."""
        found = None
        for w, _, (_, _, width, height, viewable, _) in self.x.tree(top):
            if viewable and (width, height) == EDITOR:
                found = w
        return found

    def steady_picture(self, window):
        """The editor's pixels once two grabs half a second apart agree."""
        last = None

        def same():
            nonlocal last
            now = self.x.grab(window, *EDITOR)
            agree = now is not None and now == last
            last = now
            return now if agree else None
        return wait_for("a steady editor picture", same, every=0.5)


# ---------------------------------------------------------------- Ardour's GUI

# Without these Ardour starts with its new-user wizard or its Audio/MIDI
# Setup dialog, both waiting for a person: `.a7` marks the wizard as done,
# and the engine state names the Dummy backend, which release builds hide
# unless told otherwise.
CONFIG = """<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device="" output-device=""
               sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0"
               lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence"
               lru="1">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
"""


class GuiArdour(at.Ardour):
    def __init__(self, work, plugin, screen):
        super().__init__(work, plugin)
        self.screen = screen
        self.home = os.path.join(work, "home")
        os.makedirs(self.home, exist_ok=True)
        ardour7 = os.path.join(self.config, "ardour7")
        open(os.path.join(ardour7, ".a7"), "w").close()
        with open(os.path.join(ardour7, "config"), "w") as f:
            f.write(CONFIG)
        self.proc = None
        self.entry = None

    def make_session(self, name, plugin_name, **extra):
        """A new session with the plug-in on a stereo track, its editor marked open."""
        folder = os.path.join(self.work, "session")
        made, _, took = self.lua("gui_session.lua", os.path.join(self.work, "session.txt"),
                                 SORREL_PLUGIN=plugin_name, SORREL_SESSION_DIR=folder, SORREL_SESSION_NAME=name,
                                 **extra)
        path = os.path.join(folder, name + ".ardour")
        tree = ET.parse(path)
        root = tree.getroot()
        extra = root.find("Extra")
        if extra is None:
            extra = ET.SubElement(root, "Extra")
        ui = extra.find("UI")
        if ui is None:
            ui = ET.SubElement(extra, "UI")
        ET.SubElement(ui, "Window", {"name": f"P-{made['route']}-{made['processor']}", "visible": "1",
                                     "custom-ui": "1"})
        tree.write(path, encoding="UTF-8", xml_declaration=True)
        # Start on the mixer page, where the track's strip lists the plug-in.
        with open(os.path.join(folder, "instant.xml"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<instant>\n'
                    f'  <LastUsedSnapshot name="{name}"/>\n  <Main current-tab="mixer"/>\n</instant>\n')
        return path, took

    def start(self, session, **extra):
        env = self.env(HOME=self.home, DISPLAY=self.screen.display, **extra)
        self.log_path = os.path.join(self.work, "ardour.log")
        self.proc = subprocess.Popen(["ardour", "-a", "-n", session], env=env, cwd=self.work,
                                     stdin=subprocess.DEVNULL, stdout=open(self.log_path, "wb"),
                                     stderr=subprocess.STDOUT, start_new_session=True)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def log_tail(self):
        with open(self.log_path, errors="replace") as f:
            return "".join(f.readlines()[-15:])

    def quit(self):
        """Ctrl+Q in the main window: Ardour closes the editor and the plug-in
        as it does for a user. The session must be saved (or unchanged), or
        Ardour asks whether to save it."""
        if self.alive():
            self.screen.xdotool("windowfocus", "--sync", self.main_window(), "key", "ctrl+q")
            try:
                self.proc.wait(STEP_TIMEOUT)
            except subprocess.TimeoutExpired:
                raise Failure(f"Ardour did not quit on Ctrl+Q within {STEP_TIMEOUT} s")

    def snapshot(self):
        """The whole screen, for a look at what went wrong."""
        path = os.path.join(self.work, "screen.png")
        x11.write_png(path, *SCREEN, self.screen.x.grab(self.screen.x.root, *SCREEN))
        log(f"  (the screen at the failure: {path})")

    def stop(self):
        if not self.alive():
            return
        # Ardour runs in a process group of its own (its scanner and helpers too).
        try:
            os.killpg(self.proc.pid, signal.SIGTERM)
            self.proc.wait(15)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(15)
        except ProcessLookupError:
            pass

    def main_window(self):
        return self.screen.toplevel(" - Ardour")

    def wait(self, what, probe, timeout=STEP_TIMEOUT):
        return wait_alive(self, "Ardour", what, probe, timeout)


@contextlib.contextmanager
def running(ardour):
    """Ardour stopped however the steps inside end, with a picture of the
    screen where they found a fault."""
    try:
        yield
    except Failure:
        ardour.snapshot()
        raise
    finally:
        ardour.stop()


def shoot_editor(screen, editor, shot, golden):
    """The editor's settled picture, written to shot, with the golden
    picture's size and the count of pixels that differ from it (None where
    the sizes differ)."""
    picture = screen.steady_picture(editor)
    x11.write_png(shot, *EDITOR, picture)
    log(f"  screenshot: {shot}")
    gw, gh, want = x11.read_png(golden)
    differing = sum(picture[i:i + 3] != want[i:i + 3] for i in range(0, len(want), 3)) \
        if (gw, gh) == EDITOR else None
    return picture, (gw, gh), differing


def save_session(ardour, screen, session, main):
    """Ctrl+S in Ardour's main window, and the wait for the file to change."""
    before = os.path.getmtime(session)
    # No window manager gives Ardour's window the focus; the key goes to
    # the focused window.
    screen.xdotool("windowfocus", "--sync", main, "key", "ctrl+s")
    ardour.wait("the saved session", lambda: os.path.getmtime(session) != before)


def processor_entry(screen, main):
    """Root coordinates of the plug-in's entry in the track's mixer strip.

    The strip's processor box shows each plug-in as a row of its own color;
    the track's strip is the first from the left, so the topmost row of
    that color in the left half of the window is the plug-in's."""
    mx, my = screen.x.origin(main)
    _, _, w, h, _, _ = screen.x.info(main)
    pixels = screen.x.grab(main, w, h)
    for y in range(h // 2):
        run = 0
        for x in range(w // 2):
            i = (y * w + x) * 3
            r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
            # Plug-in rows are a dark red (the track's name button above
            # is a light one); fader rows are blue, the rest grey.
            run = run + 1 if r > 80 and g < 70 and b < 70 and r > g + 40 else 0
            if run == 40:
                return mx + x - 20, my + y + 4
    return None


# ---------------------------------------------------------------- checks

check_all = at.check_all


def count_color(pixels, width, box, color):
    left, top, right, bottom = box
    n = 0
    for y in range(top, bottom):
        for x in range(left, right):
            i = (y * width + x) * 3
            n += tuple(pixels[i:i + 3]) == color
    return n


def saved_parameter(session, index):
    """(control value, value in the chunk of the current program) of the saved session."""
    root = ET.parse(session).getroot()
    for proc in root.iter("Processor"):
        if proc.get("type") == "lxvst":
            control = next((c.get("value") for c in proc.iter("Controllable") if c.get("parameter") == str(index)),
                           None)
            program, bank = at.lxvst_state(session)
            values = at.record_values(bank, int(program or 0)) if len(bank) == at.NUM_PROGRAMS * at.RECORD_SIZE \
                else None
            return control, values[index] if values else None
    raise Failure(f"{session}: no VST processor saved")


def find_plugin(ardour, screen, title):
    """Root coordinates of the plug-in's entry in the mixer strip. Found
    once, while the entry shows its plain color (a selected entry is
    lighter); the plug-in's window, if shown, is moved off the strip first,
    since Ardour places it where the pointer was."""
    top = screen.toplevel(title)
    if top:
        screen.xdotool("windowmove", "--sync", top, SCREEN[0] - 800, SCREEN[1] - 400)
    if ardour.entry is None:
        main = ardour.main_window()
        ardour.entry = ardour.wait("the plug-in in the mixer strip", lambda: processor_entry(screen, main))
    return ardour.entry


def double_click_plugin(ardour, screen, title, *modifier):
    """Ardour's own gesture: a double click on the plug-in opens its
    editor, with Alt its generic controls."""
    x, y = find_plugin(ardour, screen, title)
    screen.xdotool("mousemove", x, y)
    for key in modifier:
        screen.xdotool("keydown", key)
    screen.xdotool("click", "--repeat", 2, "--delay", 80, 1)
    for key in modifier:
        screen.xdotool("keyup", key)


def close_window(ardour, screen, top, title):
    """Closes a top-level window as a window manager would."""
    screen.x.close_request(top)
    ardour.wait("the plug-in window to close", lambda: screen.toplevel(title) is None)
    # The window is gone before Ardour has noted it; a double click right
    # away can find the window still marked as shown.
    time.sleep(1)


def hide_and_show(ardour, screen, title):
    """Closing the plug-in window only hides it; a double click on the
    plug-in in the mixer strip shows it again. Returns the window."""
    close_window(ardour, screen, screen.toplevel(title), title)
    double_click_plugin(ardour, screen, title)
    return ardour.wait("the plug-in window to show again", lambda: screen.toplevel(title))


def reopen(ardour, screen, title):
    """A real close and open: asked for its generic controls, Ardour closes
    the plug-in's editor and shows its own window instead; closing that and
    double-clicking the plug-in opens the editor anew. Returns the window."""
    def another(old):
        def probe():
            now = screen.toplevel(title)
            return now if now not in (None, old) else None
        return probe
    first = screen.toplevel(title)
    double_click_plugin(ardour, screen, title, "alt")
    generic = ardour.wait("Ardour's generic window", another(first))
    close_window(ardour, screen, generic, title)
    double_click_plugin(ardour, screen, title)
    return ardour.wait("the plug-in window to reopen", another(generic))


def spy_run(spy, work, screen):
    """How Ardour opens, idles, closes and reopens a plug-in editor."""
    log("spy: Ardour's window with a plug-in that records every call (its editor draws nothing)")
    ardour = GuiArdour(work, spy, screen)
    ardour.scan()
    session, _ = ardour.make_session("spy", "SorrelSpy")
    calls = os.path.join(work, "calls.log")

    def text():
        return open(calls).read() if os.path.exists(calls) else ""

    def calls_during(step):
        before = len(text())
        step()
        time.sleep(2)
        return [line for line in text()[before:].splitlines() if line.startswith("dispatch")]
    started = time.monotonic()
    with running(ardour):
        ardour.start(session, SORREL_SPY_LOG=calls)
        ardour.wait("effEditOpen", lambda: "dispatch op=14 " in text())
        time.sleep(3)  # a few seconds of idle calls
        hidden = calls_during(lambda: hide_and_show(ardour, screen, "SorrelSpy"))
        swapped = calls_during(lambda: reopen(ardour, screen, "SorrelSpy"))
        ardour.quit()
    took = time.monotonic() - started
    lines = at.digest(calls)
    # The editor's part: from the first editor call on.
    first = next((i for i, line in enumerate(lines) if line.startswith("effEditOpen")), 0)
    log("  Ardour's calls from opening the editor at start to Ctrl+Q:")
    for line in lines[first:]:
        log(f"    {line}")
    log("  (threads in the order of their first call: 1 made the plug-in, 2 runs the audio; effEditOpen's "
        "ptr is the X window to open in, its value a pointer, presumably Ardour's X display connection)")
    log(f"  closing the window and double-clicking the plug-in: {len(hidden)} dispatcher calls")
    numbers = [int(line.split()[1][3:]) for line in swapped]
    opcodes = [at.OPCODE_NAMES.get(n, f"opcode {n}") for n in numbers if n not in at.QUERIES]
    log(f"  generic controls and back: {', '.join(opcodes)} and {len(numbers) - len(opcodes)} parameter text "
        "queries")
    return took


def sorrel_run(args, work, screen, golden):
    ardour = GuiArdour(work, os.path.abspath(args.plugin), screen)
    ardour.scan()
    session, _ = ardour.make_session("sorrel", "Sorrel")
    title = "Sorrel (by Quillmark)"
    started = time.monotonic()
    with running(ardour):
        ardour.start(session)
        log("picture: Ardour opens the editor at start")
        top = ardour.wait("Ardour's plug-in window", lambda: screen.toplevel(title), timeout=120)
        editor = ardour.wait("the 710 x 167 editor in Ardour's window", lambda: screen.editor_window(top))
        picture, size, differing = shoot_editor(screen, editor, args.shot, golden)
        check_all([("golden picture size", EDITOR, size),
                   (f"pixels differing from {os.path.relpath(golden)}", 0, differing)])

        log(f"drag: band 17's fader from y {PRESS_Y} to y {RELEASE_Y} (value {DRAGGED_VALUE})")
        drag_band_17(screen, editor)
        fader = (FADER_X - 8, 3, FADER_X + 8, 109)
        dragged = screen.steady_picture(editor)
        x11.write_png(args.shot.replace(".png", "-dragged.png"), *EDITOR, dragged)
        red_before = count_color(picture, EDITOR[0], fader, BAR_RED)
        red_after = count_color(dragged, EDITOR[0], fader, BAR_RED)
        # The bar shows in the groove's three inner columns from under the
        # handle (its end at row 31, the handle down to row 36) to the
        # middle (row 55).
        check_all([("red bar pixels before the drag", 0, red_before),
                   ("red bar pixels after the drag", 3 * (55 - 37), red_after)])

        save_session(ardour, screen, session, ardour.main_window())
        time.sleep(1)
        control, in_chunk = saved_parameter(session, PARAMETER)
        log(f"  recorded value: parameter {PARAMETER} = {in_chunk} in the saved chunk; Ardour's own control "
            f"for it holds {control}")
        # The editor reports the user's value through audioMasterAutomate and
        # Ardour's control holds exactly what it was given (so it must be the
        # normalised value); the chunk is what Ardour hands back to the
        # plug-in.
        check_all([(f"parameter {PARAMETER} in the saved chunk", DRAGGED_VALUE, in_chunk),
                   ("Ardour's own control holds the normalised new value", str(DRAGGED_VALUE), control)])

        log("reopen: the plug-in window closed and shown again from the mixer strip")
        top = hide_and_show(ardour, screen, title)
        shown = screen.steady_picture(ardour.wait("the editor shown again", lambda: screen.editor_window(top)))
        log("reopen: the editor closed for Ardour's generic controls and opened anew")
        top = reopen(ardour, screen, title)
        again = screen.steady_picture(ardour.wait("the reopened editor", lambda: screen.editor_window(top)))
        check_all([("the editor shown again shows the dragged fader", True, shown == dragged),
                   ("the editor opened anew shows the dragged fader", True, again == dragged)])
        ardour.quit()
    took = time.monotonic() - started

    log("reload: the saved session in ardour7-lua")
    reloaded, _, _ = ardour.lua("reload.lua", os.path.join(work, "reload.txt"), SORREL_TOTAL_SAMPLES=4800,
                                SORREL_SESSION_DIR=os.path.dirname(session), SORREL_SESSION_NAME="sorrel")
    check_all([(f"parameter {PARAMETER} after reload", DRAGGED_VALUE,
                float(reloaded.get(f"param.{PARAMETER}", "nan")))])
    return took


def lv2_run(lv2_dir, work, screen, golden, shot):
    """The LV2 build's editor, which Ardour opens through its X11 UI host in
    the plug-in window: it must equal the same golden picture."""
    ardour = GuiArdour(work, os.path.abspath(os.path.join(lv2_dir, "Sorrel.so")), screen)
    lv2_path = dict(LV2_PATH=f"{lv2_dir}:/usr/lib/lv2")
    session, _ = ardour.make_session("lv2", at.LV2_URI, SORREL_PLUGIN_TYPE="LV2", **lv2_path)
    title = "Sorrel"
    started = time.monotonic()
    with running(ardour):
        ardour.start(session, **lv2_path)
        log("lv2: Ardour opens the LV2 editor at start")
        top = ardour.wait("Ardour's window for the LV2 plug-in", lambda: screen.toplevel(title), timeout=120)
        editor = ardour.wait("the 710 x 167 LV2 editor in Ardour's window", lambda: screen.editor_window(top))
        _, _, differing = shoot_editor(screen, editor, shot, golden)
        check_all([(f"LV2 editor pixels differing from {os.path.relpath(golden)}", 0, differing)])

        # A fader drag goes to Ardour through the UI's port writes: the saved
        # session's control for band 17 must hold the dragged value in dB.
        log(f"lv2: band 17's fader dragged to {DRAGGED_VALUE}, the session saved")
        drag_band_17(screen, editor)
        save_session(ardour, screen, session, ardour.main_window())
        time.sleep(1)
        ports, program, bank, _ = at.lv2_state(os.path.dirname(session), session)
        whole = len(bank) == at.NUM_PROGRAMS * at.RECORD_SIZE and program is not None and program < at.NUM_PROGRAMS
        check_all([("band_440hz in the saved session (dB)", at.lv2_port_value(PARAMETER, DRAGGED_VALUE),
                    ports.get("band_440hz")),
                   (f"parameter {PARAMETER} in the saved state's current program", DRAGGED_VALUE,
                    at.record_values(bank, program)[PARAMETER] if whole else None)])
        ardour.quit()
    return time.monotonic() - started


def drag_band_17(screen, editor):
    screen.xdotool("mousemove", "--window", editor, FADER_X, PRESS_Y, "mousedown", 1)
    for y in range(PRESS_Y - 5, RELEASE_Y - 1, -5):
        time.sleep(0.05)
        screen.xdotool("mousemove", "--window", editor, FADER_X, y)
    time.sleep(0.2)
    screen.xdotool("mouseup", 1)
    # The pointer off the editor: resting over a fader it shows the value,
    # which no later picture of the editor would show.
    screen.xdotool("mousemove", 0, 0)


def vst3_port(session, index):
    """The value Ardour saved for the VST 3 plug-in's parameter (plain: dB)."""
    root = ET.parse(session).getroot()
    for proc in root.iter("Processor"):
        state = proc.find("vst3")
        if proc.get("type") == "vst3" and state is not None:
            return next((float(p.get("value")) for p in state.iter("Port") if p.get("id") == str(index)), None)
    raise Failure(f"{session}: no VST 3 processor saved")


def vst3_run(plugin, bundle, work, screen, golden, shot):
    """The VST 3 bundle's editor in Ardour's plug-in window: the golden
    picture, and a drag that reaches Ardour's control and the saved state."""
    ardour = GuiArdour(work, plugin, screen)
    ardour.scan_vst3(ardour.add_vst3(bundle))
    session, _ = ardour.make_session("vst3", "Sorrel", SORREL_PLUGIN_TYPE="VST3")
    title = "Sorrel"
    started = time.monotonic()
    with running(ardour):
        ardour.start(session)
        log("vst3: Ardour opens the VST 3 editor at start")
        top = ardour.wait("Ardour's window for the VST 3 plug-in", lambda: screen.toplevel(title), timeout=120)
        editor = ardour.wait("the 710 x 167 VST 3 editor in Ardour's window", lambda: screen.editor_window(top))
        # The pointer off the editor: over a fader it shows the value.
        screen.xdotool("mousemove", 0, 0)
        _, _, differing = shoot_editor(screen, editor, shot, golden)
        check_all([(f"VST 3 editor pixels differing from {os.path.relpath(golden)}", 0, differing)])

        log(f"vst3: band 17's fader dragged to {DRAGGED_VALUE}, the session saved")
        drag_band_17(screen, editor)
        save_session(ardour, screen, session, ardour.main_window())
        time.sleep(1)
        program, bank, _ = at.vst3_state(session)
        # A record is the name and one float per parameter, however many.
        record = len(bank) // at.NUM_PROGRAMS
        whole = len(bank) % at.NUM_PROGRAMS == 0 and program < at.NUM_PROGRAMS and record >= 32 + 4 * (PARAMETER + 1)
        in_state = struct.unpack_from("<f", bank, program * record + 32 + 4 * PARAMETER)[0] if whole else None
        check_all([("Ardour's control for band 17 (dB)", at.lv2_port_value(PARAMETER, DRAGGED_VALUE),
                    vst3_port(session, PARAMETER)),
                   (f"parameter {PARAMETER} in the saved state's current program", DRAGGED_VALUE, in_state)])
        ardour.quit()
    return time.monotonic() - started


def has_editor(host, plugin):
    p = subprocess.run([host, "info", plugin], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    flags = re.search(r"^Flags\s+(\d+)", p.stdout.decode(errors="replace"), re.M)
    if p.returncode != 0 or not flags:
        raise Failure(f"sorrel-host info failed:\n{p.stdout.decode(errors='replace')}")
    return bool(int(flags.group(1)) & 1)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--plugin", required=True, help="the built Linux plug-in (Sorrel.so)")
    ap.add_argument("--host", required=True, help="the sorrel-host executable of the same build")
    ap.add_argument("--spy", required=True, help="the spy plug-in")
    ap.add_argument("--golden", required=True, help="the headless picture of a fresh editor")
    ap.add_argument("--shot", required=True, help="where the screenshot of the editor goes (PNG)")
    ap.add_argument("--display", help="an X display to use, at least %dx%d (default: a private Xvfb)" % SCREEN)
    ap.add_argument("--work", help="working folder (default: a fresh temporary folder)")
    ap.add_argument("--keep", action="store_true", help="keep the working folder")
    ap.add_argument("--lv2", help="the build folder holding sorrel.lv2: also open the LV2 editor")
    ap.add_argument("--vst3", help="the Sorrel.vst3 bundle: also open the VST 3 editor")
    args = ap.parse_args()

    # timeout(1) ends the test with SIGTERM; Ardour and Xvfb must go with it.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    work = args.work or tempfile.mkdtemp(prefix="sorrel-ardour-gui-")
    os.makedirs(work, exist_ok=True)
    os.makedirs(os.path.dirname(os.path.abspath(args.shot)), exist_ok=True)
    started = time.monotonic()
    timings = []
    status = 0
    try:
        for tool in ("ardour", "Xvfb", "xdotool"):
            if shutil.which(tool) is None:
                raise Skip(f"{tool} is not installed")
        try:
            at.preflight(work)
        except at.Skip as e:
            raise Skip(str(e))
        editor = has_editor(args.host, args.plugin)
        with Xvfb(args.display) as screen:
            spy = spy_run(os.path.abspath(args.spy), os.path.join(work, "spy"), screen)
            timings.append(("spy", spy))
            if not editor:
                raise Failure("Sorrel offers no editor (effFlagsHasEditor is clear); only the spy run ran")
            if not os.path.exists(args.golden):
                raise Failure(f"no golden picture of a fresh editor at {args.golden}")
            ours = sorrel_run(args, os.path.join(work, "sorrel"), screen, args.golden)
            timings.append(("Sorrel", ours))
            if args.lv2:
                timings.append(("LV2", lv2_run(os.path.abspath(args.lv2), os.path.join(work, "lv2"), screen,
                                               args.golden, args.shot.replace(".png", "-lv2.png"))))
            if args.vst3:
                timings.append(("VST 3", vst3_run(os.path.abspath(args.plugin), os.path.abspath(args.vst3),
                                                  os.path.join(work, "vst3"), screen, args.golden,
                                                  args.shot.replace(".png", "-vst3.png"))))
    except Skip as e:
        log(f"SKIP: Ardour editor test: {e}")
        status = 77
    except Failure as e:
        log(f"FAIL: Ardour editor test: {e}")
        log(f"      (working folder kept: {work})")
        return 1
    at.report_timings(timings, started, args, work)
    if status == 0:
        log("PASS: Ardour editor test")
    return status


if __name__ == "__main__":
    sys.exit(main())
