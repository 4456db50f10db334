#!/usr/bin/env python3
"""Sorrel's three Linux formats in Qtractor, headless.

Debian's Qtractor runs on a private Xvfb display against a dummy JACK
server of its own name; where the machine has no ALSA sequencer, the
sequencer stand-in given with --seq-standin is preloaded. Qtractor opens a
session written here: one stereo audio track holding Sorrel as CLAP,
VST 2.4 and LV2 plug-in, in that order.

1. load     each plug-in's editor opens from the track's plug-in list (a
            double click on its row); each of the three shows the golden
            picture of a fresh editor, so each format loaded and runs.
2. drag     band 17's fader in the CLAP editor is dragged from the middle
            to 0.75; Qtractor's saved session (Ctrl+S) must hold the value
            (+6 dB) for the CLAP parameter and carry the plug-in's state.
3. exit     Qtractor's main window is closed as a window manager closes
            it; Qtractor ends with exit status 0.
4. reopen   the saved session in a new Qtractor: the CLAP editor shows the
            dragged fader as before, the session saved again holds the same
            values and state of all three plug-ins, and Qtractor exits
            cleanly again.

Exit status 0 when everything holds, 1 on a failure, 77 when Qtractor or
the X tools cannot run here (the reason is printed on a SKIP line).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "ardour"))

import gui_x11 as x11  # noqa: E402
from ardour_gui_test import (EDITOR, FADER_X, PARAMETER, Xvfb, drag_band_17,  # noqa: E402
                             wait_alive, wait_for, Failure, log)

CLAP_ID_OF_BAND_17 = PARAMETER
DRAGGED_DB = 6.0  # 0.75 normalised, in what the CLAP parameter carries
TYPES = ("CLAP", "VST2", "LV2")
LV2_URI = "https://sorrel.quillmark.example/lv2/sorrel"
MUTE_BUTTON = (75, 230)  # in the main window


class Skip(Exception):
    pass


# ---------------------------------------------------------------- the session

SESSION = """<!DOCTYPE qtractorSession>
<session name="{name}" version="Qtractor 0.9.31">
 <properties>
  <directory>{directory}</directory>
  <description></description>
  <sample-rate>48000</sample-rate>
  <tempo>120</tempo>
  <ticks-per-beat>960</ticks-per-beat>
  <beats-per-bar>4</beats-per-bar>
  <beat-divisor>2</beat-divisor>
 </properties>
 <state>
  <loop-start>0</loop-start>
  <loop-end>0</loop-end>
  <punch-in>0</punch-in>
  <punch-out>0</punch-out>
 </state>
 <files>
  <audio-list/>
  <midi-list/>
 </files>
 <devices>
  <audio-engine>
   <audio-bus mode="duplex" name="Master">
    <monitor>0</monitor>
    <channels>2</channels>
    <auto-connect>0</auto-connect>
   </audio-bus>
  </audio-engine>
 </devices>
 <tracks>
  <track type="audio" name="Track 1">
   <properties>
    <input-bus>Master</input-bus>
    <output-bus>Master</output-bus>
   </properties>
   <state>
    <mute>0</mute>
    <solo>0</solo>
    <record>0</record>
    <monitor>0</monitor>
    <gain>1</gain>
    <panning>0</panning>
   </state>
   <view>
    <height>120</height>
   </view>
   <clips/>
   <plugins>
{plugins}
   </plugins>
  </track>
 </tracks>
</session>
"""

PLUGIN = """    <plugin type="{type}">
     <filename>{filename}</filename>
     <index>0</index>
     <label>Sorrel</label>
     <activated>1</activated>
    </plugin>"""


def write_session(path, clap, vst2):
    plugins = "\n".join(PLUGIN.format(type=t, filename=f)
                        for t, f in (("CLAP", clap), ("VST2", vst2), ("LV2", LV2_URI)))
    with open(path, "w") as f:
        f.write(SESSION.format(name=os.path.splitext(os.path.basename(path))[0],
                               directory=os.path.dirname(path), plugins=plugins))


def write_config(home, clap_dir, vst_dir, lv2_dir):
    folder = os.path.join(home, ".config", "rncbc.org")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "Qtractor.conf"), "w") as f:
        f.write("[AutoSave]\nEnabled=false\n\n"
                f"[Plugins]\nClapPaths={clap_dir}\nVst2Paths={vst_dir}\nLv2Paths={lv2_dir}\n"
                "\n[Default]\nPluginActivate=true\n")


def saved_plugins(path):
    """{type: (params {index: value}, configs {key: text})} of the session's track."""
    out = {}
    for plugin in ET.parse(path).getroot().iter("plugin"):
        params = {int(p.get("index")): float(p.text) for p in plugin.iter("param")}
        configs = {c.get("key"): "".join((c.text or "").split()) for c in plugin.iter("config")}
        out[plugin.get("type")] = (params, configs)
    return out


# ---------------------------------------------------------------- JACK and Qtractor

class Jack:
    """A dummy JACK server under a name of its own, so that no other server
    of the machine is in the way."""

    def __init__(self, work):
        self.name = f"sorrel-qtr-{os.getpid()}"
        self.log = open(os.path.join(work, "jackd.log"), "w")
        self.proc = None

    def __enter__(self):
        self.proc = subprocess.Popen(["jackd", "-n", self.name, "--no-realtime", "-d", "dummy", "-r", "48000",
                                      "-p", "1024"], stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT)
        env = dict(os.environ, JACK_DEFAULT_SERVER=self.name)

        def up():
            if self.proc.poll() is not None:
                raise Skip(f"jackd did not start (exit {self.proc.returncode})")
            return subprocess.run(["jack_lsp"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0
        wait_for("the dummy JACK server", up, timeout=20)
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        self.log.close()


class Qtractor:
    def __init__(self, work, screen, jack, env):
        self.work, self.screen = work, screen
        self.env = dict(os.environ, DISPLAY=screen.display, JACK_DEFAULT_SERVER=jack.name, **env)
        self.proc = None
        self.logs = 0

    def start(self, session):
        self.logs += 1
        self.log_path = os.path.join(self.work, f"qtractor-{self.logs}.log")
        self.proc = subprocess.Popen(["qtractor", session], env=self.env, stdin=subprocess.DEVNULL,
                                     stdout=open(self.log_path, "w"), stderr=subprocess.STDOUT)
        # The title names the session file ("/path/name.qtr — Qtractor"; the
        # window's plain name holds only the part before the dash).
        self.main = self.wait("Qtractor's main window", lambda: self.toplevel(lambda t: t.startswith(session)))

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def log_tail(self, lines=15):
        try:
            with open(self.log_path, errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""

    def wait(self, what, probe, timeout=60):
        return wait_alive(self, "Qtractor", what, probe, timeout)

    def toplevel(self, accept):
        for w, depth, (_, _, _, _, viewable, title) in self.screen.x.tree():
            if depth == 0 and viewable and accept(title):
                return w
        return None

    def editors(self):
        """Every mapped window of the editor's size, in stacking order."""
        return [w for w, _, (_, _, width, height, viewable, _) in self.screen.x.tree()
                if viewable and (width, height) == EDITOR]

    def key(self, keys):
        # No window manager: the main window gets the keyboard focus itself.
        self.screen.xdotool("windowfocus", self.main)
        time.sleep(0.3)
        self.screen.xdotool("key", keys)

    def plugin_rows(self):
        """Root coordinates of the plug-in rows in the track's header: each
        row starts with the plug-in's light, a shaded bright green while
        active (the bus icon above them is drawn in flat pure greens)."""
        mx, my, mw, mh, _, _ = self.screen.x.info(self.main)
        ox, oy = self.screen.x.origin(self.main)
        width, height = min(mw, 400), min(mh, 400)
        pixels = self.screen.x.grab(self.main, width, height)
        rows = []
        for y in range(110, height):
            for x in range(100, width):
                r, g, b = pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]
                if g > 220 and r < 120 and 10 < b < 120:
                    if not rows or y - rows[-1][1] > 6:
                        rows.append((x, y))
                    break
        return [(ox + x + 20, oy + y + 1) for x, y in rows]

    def open_editor(self, row, known):
        """Double-clicks the plug-in row and answers the editor window that
        appears beside the known ones."""
        self.screen.xdotool("mousemove", row[0], row[1], "click", "--repeat", 2, "--delay", 80, 1)
        # The deepest of the new ones: a host may frame the editor in a
        # window of the same size.
        return self.wait(f"an editor window from the plug-in row at {row}",
                         lambda: ([w for w in self.editors() if w not in known] or [None])[-1])

    def save(self, path):
        # Qtractor saves only a session it holds modified, and a plug-in's
        # own edits do not count as one: the track's mute button, pressed
        # on and off again, does (the button's place in the track header is
        # Qtractor's default layout).
        for _ in range(2):
            self.screen.xdotool("mousemove", "--window", self.main, *MUTE_BUTTON, "click", 1)
            time.sleep(0.3)
        before = os.path.getmtime(path)
        self.key("ctrl+s")
        self.wait("the saved session", lambda: os.path.getmtime(path) != before)
        time.sleep(0.5)

    def quit(self):
        # As a window manager closes the main window at the user's click.
        self.screen.x.close_request(self.main)
        try:
            code = self.proc.wait(30)
        except subprocess.TimeoutExpired:
            raise Failure("Qtractor did not exit within 30 s of closing its window:\n" + self.log_tail())
        if code != 0:
            raise Failure(f"Qtractor exited with status {code}:\n" + self.log_tail())

    def stop(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()


# ---------------------------------------------------------------- checks

def differing(picture, want):
    return sum(picture[i:i + 3] != want[i:i + 3] for i in range(0, len(want), 3))


def settled(screen, window, want, timeout=20):
    """The window's picture once it equals want, or its last one when it
    does not within timeout: a host may take a while to let the editor
    paint for the first time."""
    end = time.monotonic() + timeout
    while True:
        picture = screen.x.grab(window, *EDITOR)
        if picture == want or time.monotonic() > end:
            return picture
        time.sleep(0.5)


def run(args, work, screen):
    # Folders holding only the plug-in under test, so that the hosts' scans
    # see nothing else of the build.
    clap_dir, vst_dir, lv2_dir = (os.path.join(work, f) for f in ("clap", "vst", "lv2"))
    for folder, source in ((clap_dir, args.clap), (vst_dir, args.vst2)):
        os.makedirs(folder)
        shutil.copy(source, folder)
    shutil.copytree(os.path.join(args.lv2, "sorrel.lv2"), os.path.join(lv2_dir, "sorrel.lv2"))
    clap = os.path.join(clap_dir, os.path.basename(args.clap))
    vst2 = os.path.join(vst_dir, os.path.basename(args.vst2))
    home = os.path.join(work, "home")
    write_config(home, clap_dir, vst_dir, lv2_dir)
    session_dir = os.path.join(work, "session")
    os.makedirs(session_dir)
    session = os.path.join(session_dir, "sorrel.qtr")
    write_session(session, clap, vst2)
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {"HOME": home, "LV2_PATH": lv2_dir, "CLAP_PATH": clap_dir, "XDG_RUNTIME_DIR": runtime}
    if args.seq_standin:
        env["LD_PRELOAD"] = args.seq_standin
    gw, gh, golden = x11.read_png(args.golden)
    if (gw, gh) != EDITOR:
        raise Failure(f"golden picture is {gw} x {gh}, not {EDITOR[0]} x {EDITOR[1]}")

    with Jack(work) as jack:
        qtr = Qtractor(work, screen, jack, env)
        try:
            log("load: the three formats on one stereo track")
            qtr.start(session)
            rows = qtr.wait("three plug-in rows in the track's header",
                            lambda: (lambda r: r if len(r) >= 3 else None)(qtr.plugin_rows()))
            editors = {}

            def open_and_check(kind, row):
                editors[kind] = qtr.open_editor(row, list(editors.values()))
                picture = settled(screen, editors[kind], golden)
                shot = os.path.join(args.shots, f"qtractor-{kind.lower()}.png")
                x11.write_png(shot, *EDITOR, picture)
                bad = differing(picture, golden)
                log(f"  {kind}: editor open, {bad} pixels differ from the golden picture ({shot})")
                if bad:
                    raise Failure(f"{kind} editor in Qtractor differs from {args.golden} in {bad} pixels")

            # The CLAP editor is dragged before the others open: hosts place
            # every editor at the same spot, the newest on top.
            open_and_check("CLAP", rows[0])
            log("drag: band 17 in the CLAP editor")
            drag_band_17(screen, editors["CLAP"])
            # The pointer leaves, and with it the fader's readout.
            screen.xdotool("mousemove", 5, 995)
            time.sleep(1)
            dragged = screen.steady_picture(editors["CLAP"])
            x11.write_png(os.path.join(args.shots, "qtractor-clap-dragged.png"), *EDITOR, dragged)
            if dragged == golden:
                raise Failure("the CLAP editor did not move band 17's fader")
            for kind, row in zip(TYPES[1:], rows[1:]):
                open_and_check(kind, row)
            qtr.save(session)
            first = saved_plugins(session)
            if sorted(first) != sorted(TYPES):
                raise Failure(f"saved session holds plug-ins {sorted(first)}")
            held = first["CLAP"][0].get(CLAP_ID_OF_BAND_17)
            log(f"  Qtractor holds {held} for band 17 of the CLAP plug-in")
            if held is None or abs(held - DRAGGED_DB) > 1e-4:
                raise Failure(f"Qtractor holds {held} for band 17, not {DRAGGED_DB}")
            if not first["CLAP"][1].get("state"):
                raise Failure("the saved session carries no CLAP state")

            log("exit: the main window closed")
            qtr.quit()

            log("reopen: the saved session")
            qtr.start(session)
            rows = qtr.wait("three plug-in rows in the track's header",
                            lambda: (lambda r: r if len(r) >= 3 else None)(qtr.plugin_rows()))
            editor = qtr.open_editor(rows[0], [])
            # Band 17's column as it was after the drag, everything else as
            # in a fresh editor (the fader's readout, shown while dragging,
            # is no part of the values).
            column = range(FADER_X - 8, FADER_X + 8)
            expected = bytearray(golden)
            for y in range(EDITOR[1]):
                for x in column:
                    i = (y * EDITOR[0] + x) * 3
                    expected[i:i + 3] = dragged[i:i + 3]
            again = settled(screen, editor, bytes(expected))
            x11.write_png(os.path.join(args.shots, "qtractor-clap-reopened.png"), *EDITOR, again)
            bad = differing(again, bytes(expected))
            log(f"  CLAP editor: {bad} pixels differ from band 17 as dragged on a fresh editor")
            if bad:
                raise Failure(f"reopened CLAP editor differs from band 17 as dragged in {bad} pixels")
            qtr.save(session)
            second = saved_plugins(session)
            for kind in TYPES:
                if second.get(kind) != first[kind]:
                    raise Failure(f"{kind}: values or state differ after reopening:\n"
                                  f"  first  {first[kind]}\n  second {second.get(kind)}")
            log("  values and state of all three formats as saved")
            log("exit: the main window closed")
            qtr.quit()
        except Failure:
            # What the screen showed, for whoever reads the failure.
            if qtr.alive():
                x11.write_png(os.path.join(args.shots, "qtractor-failure.png"), 1600, 1000,
                              screen.x.grab(screen.x.root, 1600, 1000))
            raise
        finally:
            qtr.stop()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--clap", required=True, help="the built Sorrel.clap")
    ap.add_argument("--vst2", required=True, help="the built Sorrel.so")
    ap.add_argument("--lv2", required=True, help="the folder holding sorrel.lv2")
    ap.add_argument("--golden", required=True, help="the headless picture of a fresh editor")
    ap.add_argument("--shots", required=True, help="where the editors' screenshots go")
    ap.add_argument("--seq-standin", help="the ALSA sequencer stand-in to preload")
    ap.add_argument("--display", help="an X display to use, at least 1600x1000 (default: a private Xvfb)")
    ap.add_argument("--work", help="working folder (default: a fresh temporary folder)")
    args = ap.parse_args()
    args.lv2 = os.path.abspath(args.lv2)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    work = args.work or tempfile.mkdtemp(prefix="sorrel-qtractor-")
    os.makedirs(work, exist_ok=True)
    os.makedirs(args.shots, exist_ok=True)
    started = time.monotonic()
    try:
        for tool in ("qtractor", "jackd", "jack_lsp", "Xvfb", "xdotool"):
            if shutil.which(tool) is None:
                raise Skip(f"{tool} is not installed")
        with Xvfb(args.display) as screen:
            run(args, work, screen)
    except Skip as e:
        log(f"SKIP: Qtractor test: {e}")
        return 77
    except Failure as e:
        log(f"FAIL: Qtractor test: {e}")
        log(f"      (working folder kept: {work})")
        return 1
    log(f"PASS: Qtractor test ({time.monotonic() - started:.1f} s)")
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
