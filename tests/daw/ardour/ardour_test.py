#!/usr/bin/env python3
"""Sorrel inside Ardour: scan, render, save and reload, headless.

Drives Debian's Ardour 7 through its own VST scanner and its Lua session tool
`ardour7-lua` (the "None (Dummy)" backend: no audio hardware, no JACK):

1. scan   Ardour's scanner reads the plug-in into a private cache; the cache
          must name Sorrel by Quillmark with 2 inputs and 2 outputs.
2. render a new session with one stereo track: a test signal bounced into a
          region, Sorrel on the track, a program and a few parameters set
          through Ardour, the track bounced through Sorrel. The bounce must
          equal `sorrel-host render` of the same input and settings.
3. reload the saved session in a new process: parameters, current program
          and chunk come back, and a second bounce equals the first.
4. lv2    with --lv2, the LV2 build on a stereo track in a session of its
          own with the same settings (ports in dB): the bounce must equal the
          VST bounce; the session reloaded (its saved state given program 3
          and the VST session's bank) must bring back ports, program and
          bank, and the same sound.
5. vst3   with --vst3, the VST 3 bundle: Ardour's VST 3 scanner lists it;
          on a stereo track with the same program and settings (parameters
          in dB, as Ardour shows them) its bounce must equal the VST 2.4
          bounce; its saved state must hold the program and the VST 2.4
          session's bank; reloaded, values, program and sound come back.

Exit status 0 when everything holds, 1 on a failure, 77 when Ardour cannot run
on this machine (the reason is printed on a SKIP line).
"""

import argparse
import base64
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ARDOUR_LIB = "/usr/lib/ardour7"
SCANNER = ARDOUR_LIB + "/ardour-vst-scanner"
SCANNER3 = ARDOUR_LIB + "/ardour-vst3-scanner"
LUA_SESSION = "ardour7-lua"

RATE = 48000
INPUT_SAMPLES = RATE * 3 // 2  # noise; the bounce runs on into silence
TOTAL_SAMPLES = RATE * 2

# What a host must see of the plug-in.
EXPECT_NAME = "Sorrel"
EXPECT_VENDOR = "Quillmark"
EXPECT_UNIQUE_ID = int.from_bytes(b"Sorl", "big")
BAND_NAMES = [
    "20Hz", "25Hz", "30Hz", "35Hz", "40Hz", "50Hz", "60Hz", "70Hz", "85Hz", "100Hz", "125Hz", "150Hz",
    "175Hz", "210Hz", "250Hz", "300Hz", "360Hz", "440Hz", "580Hz", "780Hz", "1kHz", "1.4kHz", "1.8kHz",
    "2.5kHz", "3.3kHz", "4.4kHz", "5.8kHz", "7.8kHz", "10kHz", "14kHz", "19kHz",
]
# The two meter switches have no name; Ardour shows what the plug-in wrote.
EXPECT_PARAM_NAMES = ["In gain", "Q"] + BAND_NAMES + ["Out gain", "", "", "Response"]
NUM_PARAMS = len(EXPECT_PARAM_NAMES)
NUM_PROGRAMS = 10
RECORD_SIZE = 32 + NUM_PARAMS * 4

# The settings made through Ardour: a program other than the first, then
# input gain, Q, three bands, output gain and one meter switch. Values are
# exact in binary so that Ardour's double and the host's float agree.
PROGRAM = 3
SETTINGS = {0: 0.4375, 1: 0.75, 7: 0.125, 19: 0.875, 30: 0.6875, 33: 0.5625, 35: 0.0}
TIMEOUT = 120  # seconds for each Ardour process (a run takes a few)

# The LV2 build of the same plug-in. Its ports carry readable units: gains in
# dB (0..1 is -12..+12 dB), Q and the switches as they are.
LV2_URI = "https://sorrel.quillmark.example/lv2/sorrel"
LV2_BANK_KEY = LV2_URI + "#bank"


def default_value(index):
    """A new instance's value: the meter switches on, the response switch
    at its first mode, everything else in the middle."""
    return 1.0 if index in (34, 35) else 0.0 if index == 36 else 0.5


def lv2_port_value(index, normalised):
    return normalised if index == 1 or index >= 34 else (normalised - 0.5) * 24.0


class Skip(Exception):
    pass


class Failure(Exception):
    pass


def log(*parts):
    print(*parts, flush=True)


# ---------------------------------------------------------------- wav files

def read_wav(path):
    """Returns (rate, channels as lists of floats) of a float32 or PCM16/24/32 WAV."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise Failure(f"{path}: not a WAV file")
    pos, fmt, body = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        if tag == b"fmt ":
            fmt = data[pos + 8:pos + 8 + size]
        elif tag == b"data":
            body = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    if fmt is None or body is None:
        raise Failure(f"{path}: no fmt or data chunk")
    tag, channels, rate = struct.unpack_from("<HHI", fmt, 0)
    bits = struct.unpack_from("<H", fmt, 14)[0]
    if tag == 0xFFFE and len(fmt) >= 26:
        tag = struct.unpack_from("<H", fmt, 24)[0]
    width = bits // 8
    frames = len(body) // (width * channels)
    if tag == 3 and bits == 32:
        flat = struct.unpack_from(f"<{frames * channels}f", body)
    elif tag == 1 and bits in (16, 24, 32):
        scale = float(1 << (bits - 1))
        flat = [int.from_bytes(body[i:i + width], "little", signed=True) / scale
                for i in range(0, frames * channels * width, width)]
    else:
        raise Failure(f"{path}: unsupported sample format {tag}/{bits}")
    return rate, [list(flat[c::channels]) for c in range(channels)]


def write_float_wav(path, rate, channels):
    frames = len(channels[0])
    flat = [channels[c][i] for i in range(frames) for c in range(len(channels))]
    body = struct.pack(f"<{len(flat)}f", *flat)
    fmt = struct.pack("<HHIIHH", 3, len(channels), rate, rate * 4 * len(channels), 4 * len(channels), 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(body)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(body)) + body)


def compare(reference, candidate):
    """Largest absolute difference, number of differing samples, first difference."""
    largest, differing, first = 0.0, 0, None
    for c, (a, b) in enumerate(zip(reference, candidate)):
        for i, (x, y) in enumerate(zip(a, b)):
            if x != y:
                differing += 1
                largest = max(largest, abs(x - y))
                if first is None:
                    first = (c, i, x, y)
    return largest, differing, first


# ---------------------------------------------------------------- Ardour

class Ardour:
    """A private Ardour installation: plug-in folder, configuration and cache."""

    def __init__(self, work, plugin):
        self.work = work
        os.makedirs(work, exist_ok=True)
        self.vst = os.path.join(work, "vst")
        self.vst3 = os.path.join(work, "vst3")
        self.config = os.path.join(work, "config")
        self.cache = os.path.join(work, "cache")
        for d in (self.vst, self.vst3, self.config, self.cache):
            os.makedirs(d, exist_ok=True)
        scripts = os.path.join(self.config, "ardour7", "scripts")
        os.makedirs(scripts, exist_ok=True)
        shutil.copy(os.path.join(HERE, "test_signal.lua"), scripts)
        self.plugin = os.path.join(self.vst, os.path.basename(plugin))
        shutil.copy(plugin, self.plugin)
        # Ardour ignores a cache entry that is not newer than the plug-in by
        # whole seconds, so the copy is dated back.
        past = time.time() - 60
        os.utime(self.plugin, (past, past))

    def env(self, **extra):
        e = dict(os.environ)
        e.update(XDG_CONFIG_HOME=self.config, XDG_CACHE_HOME=self.cache, LXVST_PATH=self.vst,
                 VST_PATH=self.vst, VST3_PATH=self.vst3, SORREL_SCRIPT_DIR=HERE)
        e.pop("DISPLAY", None)
        e.update({k: str(v) for k, v in extra.items()})
        return e

    def run(self, argv, env, what):
        start = time.monotonic()
        try:
            p = subprocess.run(argv, env=env, cwd=self.work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIMEOUT)
        except subprocess.TimeoutExpired as e:
            out = (e.stdout or b"").decode(errors="replace")
            raise Failure(f"{what}: no answer within {TIMEOUT} s\n{out[-3000:]}")
        out = p.stdout.decode(errors="replace")
        return p.returncode, out, time.monotonic() - start

    def scan(self):
        return self.scan_with(SCANNER, self.plugin, ".v2i", "VST2Info", "the scanner cache")

    def scan_with(self, scanner, target, suffix, element, cache):
        """Runs one of Ardour's scanners on target and returns the plug-in
        entry its one cache file holds, and the time it took."""
        env = self.env(LD_LIBRARY_PATH=ARDOUR_LIB)
        name = os.path.basename(scanner)
        rc, out, took = self.run([scanner, "-f", "-v", target], env, name)
        found = [os.path.join(d, f) for d, _, fs in os.walk(os.path.join(self.cache, "ardour7")) for f in fs
                 if f.endswith(suffix)]
        # The scanner exits 0 even when it found nothing, so the cache file
        # is the only proof of a scan.
        if rc != 0 or len(found) != 1:
            raise Failure(f"{name} (exit {rc}) left {len(found)} cache files\n{out[-3000:]}")
        info = ET.parse(found[0]).getroot().find(element)
        if info is None:
            raise Failure(f"{cache} has no plug-in entry:\n{open(found[0]).read()}")
        return dict(info.attrib), took

    def add_vst3(self, bundle):
        """Copies the bundle into the private VST 3 folder, dated back like
        the VST 2.4 copy, and returns the copy's path."""
        copy = os.path.join(self.vst3, os.path.basename(bundle.rstrip("/")))
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(bundle, copy)
        past = time.time() - 60
        for d, dirs, files in os.walk(copy):
            for name in dirs + files:
                os.utime(os.path.join(d, name), (past, past))
        os.utime(copy, (past, past))
        return copy

    def scan_vst3(self, bundle):
        return self.scan_with(SCANNER3, bundle, ".v3i", "VST3Info", "the VST 3 scanner cache")

    def lua(self, script, report, **settings):
        env = self.env(SORREL_REPORT=report, **settings)
        rc, out, took = self.run([LUA_SESSION, os.path.join(HERE, script)], env, script)
        values = read_report(report) if os.path.exists(report) else {}
        if values.get("done") != "1":
            raise Failure(f"{script} did not finish (exit {rc}):\n{out[-3000:]}")
        return values, out, took


def read_report(path):
    """A Lua script's report: one key and value a line, a tab between."""
    values = {}
    with open(path) as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("\t")
            values[key] = value
    return values


def preflight(work):
    """An empty session without Sorrel: tells 'Ardour cannot run here' from a fault of ours."""
    if shutil.which(LUA_SESSION) is None or not os.access(SCANNER, os.X_OK):
        raise Skip("Ardour 7 (Debian package ardour) is not installed")
    probe = os.path.join(work, "probe.lua")
    with open(probe, "w") as f:
        f.write('io.stdout:setvbuf("no")\n'
                f'assert(create_session("{work}/probe", "probe", {RATE}))\n'
                'print("probe-ok")\nclose_session()\n')
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "probe-config"),
               XDG_CACHE_HOME=os.path.join(work, "probe-cache"))
    try:
        p = subprocess.run([LUA_SESSION, probe], env=env, cwd=work, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    except subprocess.TimeoutExpired:
        raise Skip("ardour7-lua cannot create an empty session within 120 s")
    out = p.stdout.decode(errors="replace")
    if "probe-ok" not in out:
        tail = " | ".join(out.strip().splitlines()[-3:])
        raise Skip(f"ardour7-lua cannot create an empty session (exit {p.returncode}): {tail}")


# ---------------------------------------------------------------- checks

def check_all(rows):
    """rows: (what, expected, actual). Prints each; raises with every mismatch."""
    bad = []
    for what, expected, actual in rows:
        ok = expected == actual
        log(f"  {'ok  ' if ok else 'FAIL'} {what}: {actual!r}" + ("" if ok else f" (expected {expected!r})"))
        if not ok:
            bad.append(what)
    if bad:
        raise Failure("mismatch: " + ", ".join(bad))


def lxvst_state(session_file):
    """(current program, bank chunk bytes) that Ardour saved for the plug-in."""
    root = ET.parse(session_file).getroot()
    for proc in root.iter("Processor"):
        if proc.get("type") == "lxvst":
            state = proc.find("lxvst")
            chunk = state.find("chunk") if state is not None else None
            if state is None or chunk is None:
                raise Failure(f"{session_file}: the plug-in state has no chunk")
            return chunk.get("program"), base64.b64decode(chunk.text or "")
    raise Failure(f"{session_file}: no VST processor saved")


def vst3_state(session_file):
    """(current program, bank bytes, whole component state) that Ardour saved
    for the VST 3 plug-in. Ardour keeps the states in the format's preset file
    layout: a header, the states, and a list naming each one's place."""
    root = ET.parse(session_file).getroot()
    for proc in root.iter("Processor"):
        state = proc.find("vst3")
        if proc.get("type") != "vst3" or state is None or state.find("chunk") is None:
            continue
        blob = base64.b64decode(state.find("chunk").text or "")
        if blob[:4] != b"VST3":
            raise Failure(f"{session_file}: the VST 3 state is no preset file")
        list_at = struct.unpack_from("<q", blob, 40)[0]
        if blob[list_at:list_at + 4] != b"List":
            raise Failure(f"{session_file}: the VST 3 state has no list")
        count = struct.unpack_from("<i", blob, list_at + 4)[0]
        for k in range(count):
            tag, offset, size = struct.unpack_from("<4sqq", blob, list_at + 8 + 20 * k)
            if tag == b"Comp":
                component = blob[offset:offset + size]
                version, program = struct.unpack_from("<II", component)
                if version != 1:
                    raise Failure(f"{session_file}: the component state has version {version}")
                return program, component[8:], component
        raise Failure(f"{session_file}: the VST 3 state holds no component state")
    raise Failure(f"{session_file}: no VST 3 processor saved")


def record_values(bank, program):
    record = bank[program * RECORD_SIZE:(program + 1) * RECORD_SIZE]
    return list(struct.unpack_from(f"<{NUM_PARAMS}f", record, 32))


def lv2_state(session_dir, session_file):
    """(port values by symbol, program, bank bytes) that Ardour saved for the
    LV2 plug-in: ports in the session file, the state property base64 in
    plugins/<id>/<state dir>/state.ttl."""
    root = ET.parse(session_file).getroot()
    for proc in root.iter("Processor"):
        state = proc.find("lv2")
        if proc.get("type") != "lv2" or state is None:
            continue
        ports = {p.get("symbol"): float(p.get("value")) for p in state.iter("Port")}
        ttl_path = os.path.join(session_dir, "plugins", proc.get("id"), state.get("state-dir", ""), "state.ttl")
        if not os.path.exists(ttl_path):
            raise Failure(f"{session_file}: no plug-in state at {ttl_path}")
        ttl = open(ttl_path).read()
        # serd writes long literals in triple quotes, broken into lines.
        m = re.search(re.escape(f"<{LV2_BANK_KEY}>") + r'\s+("""|")(.*?)\1\^\^', ttl, re.S)
        if not m:
            raise Failure(f"{ttl_path} holds no bank property:\n{ttl[:2000]}")
        raw = base64.b64decode(re.sub(r"\s", "", m.group(2)))
        program = struct.unpack_from("<I", raw)[0] if len(raw) >= 4 else None
        return ports, program, raw[4:], ttl_path
    raise Failure(f"{session_file}: no LV2 processor saved")


def replace_lv2_state(ttl_path, program, bank):
    """Puts another program and bank into Ardour's saved state file, as a
    session saved with that program selected would hold them."""
    ttl = open(ttl_path).read()
    value = base64.b64encode(struct.pack("<I", program) + bank).decode()
    ttl, n = re.subn(re.escape(f"<{LV2_BANK_KEY}>") + r'(\s+)("""|")(.*?)\2\^\^',
                     lambda m: f'<{LV2_BANK_KEY}>{m.group(1)}"{value}"^^', ttl, flags=re.S)
    if n != 1:
        raise Failure(f"{ttl_path}: the bank property was not found once")
    with open(ttl_path, "w") as f:
        f.write(ttl)


# ---------------------------------------------------------------- the spy

OPCODE_NAMES = {
    0: "effOpen", 1: "effClose", 2: "effSetProgram", 3: "effGetProgram", 10: "effSetSampleRate",
    11: "effSetBlockSize", 12: "effMainsChanged", 13: "effEditGetRect", 14: "effEditOpen", 15: "effEditClose",
    23: "effGetChunk", 24: "effSetChunk", 35: "effGetPlugCategory", 45: "effGetEffectName",
    47: "effGetVendorString", 48: "effGetProductString", 49: "effGetVendorVersion", 51: "effCanDo",
    58: "effGetVstVersion", 67: "effBeginSetProgram", 68: "effEndSetProgram",
}
# Per-parameter and per-program queries: summarised, not listed.
QUERIES = {5, 6, 7, 8, 26, 29, 56}


def digest(path):
    """The spy's log in readable form, with runs of name queries folded."""
    lines, queries = [], 0
    with open(path) as f:
        for raw in f:
            raw = raw.strip()
            m = re.match(r"dispatch op=(\d+) (.*)", raw)
            if m and int(m.group(1)) in QUERIES:
                queries += 1
                continue
            if queries:
                lines.append(f"({queries} parameter and program text queries)")
                queries = 0
            if m:
                op = int(m.group(1))
                raw = f"{OPCODE_NAMES.get(op, 'opcode ' + str(op))} {m.group(2)}"
            lines.append(raw)
    if queries:
        lines.append(f"({queries} parameter and program text queries)")
    return lines


def record_calls(spy, work):
    """Runs the same session flow with the spy and prints what Ardour called."""
    log("spy: the same flow with a plug-in that records every call")
    ardour = Ardour(work, spy)
    start = time.monotonic()
    logs = {}
    for step in ("scan", "render", "reload"):
        logs[step] = os.path.join(work, step + ".log")
    os.environ["SORREL_SPY_LOG"] = logs["scan"]
    ardour.scan()
    session = dict(SORREL_SESSION_DIR=os.path.join(work, "session"), SORREL_SESSION_NAME="spy",
                   SORREL_RATE=RATE, SORREL_TOTAL_SAMPLES=TOTAL_SAMPLES)
    params = ",".join(f"{i}={v}" for i, v in SETTINGS.items())
    os.environ["SORREL_SPY_LOG"] = logs["render"]
    ardour.lua("render.lua", os.path.join(work, "render.txt"), SORREL_PLUGIN="SorrelSpy",
               SORREL_INPUT_SAMPLES=INPUT_SAMPLES, SORREL_PROGRAM=PROGRAM, SORREL_PARAMS=params, **session)
    os.environ["SORREL_SPY_LOG"] = logs["reload"]
    ardour.lua("reload.lua", os.path.join(work, "reload.txt"), **session)
    del os.environ["SORREL_SPY_LOG"]
    for step, path in logs.items():
        log(f"  {step} process:")
        for line in digest(path):
            log(f"    {line}")
    return time.monotonic() - start


def report_timings(timings, started, args, work):
    """Logs each part's time and the total, and removes a working folder the
    test made for itself unless asked to keep it."""
    total = time.monotonic() - started
    log("timing: " + ", ".join(f"{k} {v:.1f} s" for k, v in timings) + f"; total {total:.1f} s")
    if not args.keep and not args.work:
        shutil.rmtree(work, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--plugin", required=True, help="the built Linux plug-in (Sorrel.so)")
    ap.add_argument("--host", required=True, help="the sorrel-host executable of the same build")
    ap.add_argument("--work", help="working folder (default: a fresh temporary folder)")
    ap.add_argument("--keep", action="store_true", help="keep the working folder")
    ap.add_argument("--spy", help="the spy plug-in: also record and print how Ardour drives a plug-in")
    ap.add_argument("--lv2", help="the build folder holding sorrel.lv2: also check the LV2 plug-in")
    ap.add_argument("--vst3", help="the Sorrel.vst3 bundle: also check the VST 3 plug-in")
    args = ap.parse_args()

    for path in (args.plugin, args.host):
        if not os.path.exists(path):
            log(f"FAIL: {path} does not exist (build the linux preset first)")
            return 1
    work = args.work or tempfile.mkdtemp(prefix="sorrel-ardour-")
    os.makedirs(work, exist_ok=True)
    started = time.monotonic()
    try:
        preflight(work)
        ardour = Ardour(work, os.path.abspath(args.plugin))
        timings = run_checks(ardour, os.path.abspath(args.host), work)
        if args.lv2:
            timings += run_lv2_checks(ardour, os.path.abspath(args.lv2), work)
        if args.vst3:
            timings += run_vst3_checks(ardour, os.path.abspath(args.vst3), work)
        if args.spy:
            timings.append(("spy", record_calls(os.path.abspath(args.spy), os.path.join(work, "spy"))))
    except Skip as e:
        log(f"SKIP: Ardour host test: {e}")
        if not args.keep and not args.work:
            shutil.rmtree(work, ignore_errors=True)
        return 77
    except Failure as e:
        log(f"FAIL: Ardour host test: {e}")
        log(f"      (working folder kept: {work})")
        return 1
    report_timings(timings, started, args, work)
    log("PASS: Ardour host test")
    return 0


def run_checks(ardour, host, work):
    timings = []

    log("scan: ardour-vst-scanner")
    info, took = ardour.scan()
    timings.append(("scan", took))
    log("  Ardour read: " + ", ".join(f"{k}={info.get(k)}" for k in
                                        ("name", "creator", "id", "category", "n_inputs", "n_outputs",
                                         "can_process_replace", "has_editor")))
    # The editor flag must read the same as in our own host.
    p = subprocess.run([host, "info", ardour.plugin], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       timeout=TIMEOUT)
    flags = re.search(r"^Flags\s+(\d+)", p.stdout.decode(errors="replace"), re.M)
    if p.returncode != 0 or not flags:
        raise Failure(f"sorrel-host info failed:\n{p.stdout.decode(errors='replace')}")
    check_all([
        ("name", EXPECT_NAME, info.get("name")),
        ("editor, as sorrel-host reads the flags", str(int(flags.group(1)) & 1), info.get("has_editor")),
        ("vendor", EXPECT_VENDOR, info.get("creator")),
        ("unique id", str(EXPECT_UNIQUE_ID), info.get("id")),
        ("inputs", "2", info.get("n_inputs")),
        ("outputs", "2", info.get("n_outputs")),
        ("category", "Effect", info.get("category")),
        ("replacing audio call", "1", info.get("can_process_replace")),
    ])

    session = os.path.join(work, "session")
    common = dict(SORREL_SESSION_DIR=session, SORREL_SESSION_NAME="sorrel", SORREL_RATE=RATE,
                  SORREL_TOTAL_SAMPLES=TOTAL_SAMPLES)
    params = ",".join(f"{i}={v}" for i, v in SETTINGS.items())
    log(f"render: program {PROGRAM}, parameters {params}, bounce of {TOTAL_SAMPLES} samples at {RATE} Hz")
    first, _, took = ardour.lua("render.lua", os.path.join(work, "render.txt"), SORREL_PLUGIN=EXPECT_NAME,
                                SORREL_INPUT_SAMPLES=INPUT_SAMPLES, SORREL_PROGRAM=PROGRAM,
                                SORREL_PARAMS=params, **common)
    timings.append(("render session", took))
    names = [first.get(f"name.{i}") for i in range(len(EXPECT_PARAM_NAMES))]
    expected_values = [SETTINGS.get(i, default_value(i)) for i in range(NUM_PARAMS)]
    check_all([
        ("session rate", str(RATE), first.get("rate")),
        ("plug-in name", EXPECT_NAME, first.get("name")),
        ("plug-in vendor", EXPECT_VENDOR, first.get("maker")),
        ("instances on a stereo track", "1", first.get("instances")),
        ("audio inputs", "2", first.get("inputs")),
        ("audio outputs", "2", first.get("outputs")),
        ("parameter count", str(len(EXPECT_PARAM_NAMES)), first.get("param.count")),
        ("parameter names", EXPECT_PARAM_NAMES, names),
        ("programs offered", str(NUM_PROGRAMS), first.get("presets")),
        ("parameters after the settings", expected_values,
         [float(first.get(f"param.{i}", "nan")) for i in range(NUM_PARAMS)]),
    ])
    log(f"  Ardour block size {first['block']}; program {PROGRAM} is offered as {first.get('program_label')!r}")

    # The same input through sorrel-host.
    rate, left = read_wav(first["input.0"])
    _, right = read_wav(first["input.1"])
    if rate != RATE or len(left[0]) != INPUT_SAMPLES:
        raise Failure(f"the input bounce has {len(left[0])} samples at {rate} Hz")
    pad = [0.0] * (TOTAL_SAMPLES - INPUT_SAMPLES)
    source = [left[0] + pad, right[0] + pad]
    host_in = os.path.join(work, "input.wav")
    host_out = os.path.join(work, "sorrel-host.wav")
    write_float_wav(host_in, RATE, source)
    argv = [host, "render", ardour.plugin, host_in, host_out, "--program", str(PROGRAM)]
    for i, v in SETTINGS.items():
        argv += ["--set", f"{i}={v}"]
    start = time.monotonic()
    p = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIMEOUT)
    timings.append(("sorrel-host render", time.monotonic() - start))
    if p.returncode != 0:
        raise Failure(f"{' '.join(argv)} failed:\n{p.stdout.decode(errors='replace')}")
    _, reference = read_wav(host_out)

    bounced = [read_wav(first["output.0"])[1][0], read_wav(first["output.1"])[1][0]]
    check_all([
        ("bounce length", [TOTAL_SAMPLES] * 2, [len(c) for c in bounced]),
        ("sorrel-host length", [TOTAL_SAMPLES] * 2, [len(c) for c in reference]),
    ])
    largest, differing, where = compare(reference, bounced)
    log(f"  Ardour bounce against sorrel-host render: largest difference {largest:.3g}, "
        f"{differing} of {2 * TOTAL_SAMPLES} samples differ")
    if differing:
        c, i, x, y = where
        raise Failure(f"the Ardour bounce differs from sorrel-host render; first at channel {c} sample {i}: "
                      f"sorrel-host {x!r}, Ardour {y!r}")
    if max(abs(x) for x in bounced[0] + bounced[1]) == 0.0:
        raise Failure("the bounce is silent")

    saved_program, saved_bank = lxvst_state(os.path.join(session, "sorrel.ardour"))
    whole = len(saved_bank) == NUM_PROGRAMS * RECORD_SIZE
    defaults = [default_value(i) for i in range(NUM_PARAMS)]
    check_all([
        ("saved current program", str(PROGRAM), saved_program),
        ("saved chunk size", NUM_PROGRAMS * RECORD_SIZE, len(saved_bank)),
        (f"saved values of program {PROGRAM}", expected_values, record_values(saved_bank, PROGRAM) if whole else None),
        ("saved programs left at their defaults", [p for p in range(NUM_PROGRAMS) if p != PROGRAM],
         [p for p in range(NUM_PROGRAMS) if whole and record_values(saved_bank, p) == defaults]),
    ])

    log("reload: the saved session in a new process")
    second, _, took = ardour.lua("reload.lua", os.path.join(work, "reload.txt"), **common)
    timings.append(("reload session", took))
    again = [read_wav(second["reloaded.0"])[1][0], read_wav(second["reloaded.1"])[1][0]]
    largest_again, differing_again, _ = compare(bounced, again)
    reloaded_program, reloaded_bank = lxvst_state(os.path.join(session, "reloaded.ardour"))
    check_all([
        ("parameters after reload", [first.get(f"param.{i}") for i in range(NUM_PARAMS)],
         [second.get(f"param.{i}") for i in range(NUM_PARAMS)]),
        ("current program after reload", str(PROGRAM), reloaded_program),
        ("chunk after reload equals the saved chunk", True, reloaded_bank == saved_bank),
        ("samples differing between the bounce after reload and the first", 0, differing_again),
    ])
    return timings


def same_input(report, reference):
    return all(read_wav(report[f"input.{c}"]) == read_wav(reference[f"input.{c}"]) for c in range(2))


def render_like(ardour, work, report_name, reference, session, **settings):
    """Renders a session whose input must equal the reference session's. The
    test signal runs in Ardour's process cycles too, so a cycle that slips in
    between adding it and bouncing it starts the noise further on; such a
    run is made again once in a fresh folder instead of failing the test."""
    for attempt in range(2):
        shutil.rmtree(session, ignore_errors=True)
        values, _, took = ardour.lua("render.lua", os.path.join(work, report_name), **settings)
        if "input.0" not in values or same_input(values, reference) or attempt:
            return values, took
        log("  the test signal ran ahead of the bounce; rendering the session again")


def check_bounce(vst_report, report, kind, reference):
    """Another format's bounce of the same session must be as long as the
    VST 2.4 plug-in's and the same sample for sample; returns its channels."""
    vst_out = [read_wav(vst_report[f"output.{c}"])[1][0] for c in range(2)]
    out = [read_wav(report[f"output.{c}"])[1][0] for c in range(2)]
    largest, differing, _ = compare(vst_out, out)
    log(f"  {kind} bounce against the {reference} bounce: largest difference {largest:.3g}, "
        f"{differing} of {2 * TOTAL_SAMPLES} samples differ")
    check_all([(f"{kind} bounce length", [TOTAL_SAMPLES] * 2, [len(c) for c in out]),
               (f"samples differing between the {kind} and the {reference} bounce", 0, differing)])
    return out


def run_lv2_checks(ardour, lv2_dir, work):
    """The LV2 build in the same flow: bounced with the same settings it must
    equal the VST bounce; reloaded, its ports, program and bank come back."""
    timings = []
    vst = os.path.join(work, "session")
    _, vst_bank = lxvst_state(os.path.join(vst, "sorrel.ardour"))
    session = os.path.join(work, "session-lv2")
    common = dict(SORREL_SESSION_DIR=session, SORREL_SESSION_NAME="sorrel-lv2", SORREL_RATE=RATE,
                  SORREL_TOTAL_SAMPLES=TOTAL_SAMPLES, LV2_PATH=f"{lv2_dir}:/usr/lib/lv2")
    ports = ",".join(f"{i}={lv2_port_value(i, v)!r}" for i, v in SETTINGS.items())
    log(f"lv2: {LV2_URI} on a stereo track, ports {ports}")
    vst_report = read_report(os.path.join(work, "render.txt"))
    lv2, took = render_like(ardour, work, "render-lv2.txt", vst_report, session, SORREL_PLUGIN=LV2_URI,
                            SORREL_PLUGIN_TYPE="LV2", SORREL_INPUT_SAMPLES=INPUT_SAMPLES, SORREL_PARAMS=ports,
                            **common)
    timings.append(("LV2 render session", took))
    expected_ports = [lv2_port_value(i, SETTINGS.get(i, default_value(i))) for i in range(NUM_PARAMS)]
    check_all([
        ("LV2 plug-in name", EXPECT_NAME, lv2.get("name")),
        ("LV2 instances on a stereo track", "1", lv2.get("instances")),
        ("LV2 audio inputs", "2", lv2.get("inputs")),
        ("LV2 audio outputs", "2", lv2.get("outputs")),
        ("LV2 ports after the settings", expected_ports, [float(lv2.get(f"param.{i}", "nan")) for i in range(NUM_PARAMS)]),
        ("the LV2 session's input equals the VST session's", True, same_input(lv2, vst_report)),
    ])
    lv2_out = check_bounce(vst_report, lv2, "LV2", "VST")

    saved = os.path.join(session, "sorrel-lv2.ardour")
    saved_ports, program, bank, ttl = lv2_state(session, saved)
    check_all([("saved LV2 program", 0, program),
               ("saved LV2 bank size", NUM_PROGRAMS * RECORD_SIZE, len(bank)),
               ("saved LV2 bank: program 0 holds the port values",
                [SETTINGS.get(i, default_value(i)) for i in range(NUM_PARAMS)],
                record_values(bank, 0) if len(bank) == NUM_PROGRAMS * RECORD_SIZE else None)])
    # Headless Ardour has no way to pick a program of an LV2 plug-in, so the
    # saved state is made to hold the VST session's: program 3 selected, with
    # the same values as the ports.
    replace_lv2_state(ttl, PROGRAM, vst_bank)

    log("lv2: the saved session in a new process")
    again, _, took = ardour.lua("reload.lua", os.path.join(work, "reload-lv2.txt"), **common)
    timings.append(("LV2 reload session", took))
    reloaded = [read_wav(again[f"reloaded.{c}"])[1][0] for c in range(2)]
    _, differing_again, _ = compare(lv2_out, reloaded)
    ports_again, program_again, bank_again, _ = lv2_state(session, os.path.join(session, "reloaded.ardour"))
    check_all([
        ("LV2 ports after reload", [lv2.get(f"param.{i}") for i in range(NUM_PARAMS)],
         [again.get(f"param.{i}") for i in range(NUM_PARAMS)]),
        ("LV2 ports saved after reload", saved_ports, ports_again),
        ("LV2 program after reload", PROGRAM, program_again),
        ("LV2 bank after reload equals the one loaded", True, bank_again == vst_bank),
        ("samples differing between the LV2 bounce after reload and the first", 0, differing_again),
    ])
    return timings


def run_vst3_checks(ardour, bundle, work):
    """The VST 3 bundle in the same flow: Ardour's scanner lists it; bounced
    with the same program and settings it must equal the VST 2.4 bounce;
    its saved state holds the program and the VST 2.4 session's bank; the
    session reloaded brings back values, program and sound."""
    timings = []
    copy = ardour.add_vst3(bundle)
    log("vst3: ardour-vst3-scanner")
    info, took = ardour.scan_vst3(copy)
    timings.append(("VST 3 scan", took))
    check_all([
        ("VST 3 name", EXPECT_NAME, info.get("name")),
        ("VST 3 vendor", EXPECT_VENDOR, info.get("vendor")),
        ("VST 3 category", "Fx|EQ", info.get("category")),
        ("VST 3 inputs", "2", info.get("n_inputs")),
        ("VST 3 outputs", "2", info.get("n_outputs")),
    ])

    _, vst_bank = lxvst_state(os.path.join(work, "session", "sorrel.ardour"))
    vst_report = read_report(os.path.join(work, "render.txt"))
    session = os.path.join(work, "session-vst3")
    common = dict(SORREL_SESSION_DIR=session, SORREL_SESSION_NAME="sorrel-vst3", SORREL_RATE=RATE,
                  SORREL_TOTAL_SAMPLES=TOTAL_SAMPLES)
    # Ardour shows and takes a VST 3 parameter's plain value: dB for gains.
    params = ",".join(f"{i}={lv2_port_value(i, v)!r}" for i, v in SETTINGS.items())
    log(f"vst3: program {PROGRAM}, parameters {params}")
    first, took = render_like(ardour, work, "render-vst3.txt", vst_report, session, SORREL_PLUGIN=EXPECT_NAME,
                              SORREL_PLUGIN_TYPE="VST3", SORREL_INPUT_SAMPLES=INPUT_SAMPLES,
                              SORREL_PROGRAM=PROGRAM, SORREL_PARAMS=params, **common)
    timings.append(("VST 3 render session", took))
    # The same parameters as the VST 2.4 session, in the same order, as
    # Ardour reads them back: their plain values.
    count = int(vst_report["param.count"])
    expected_plain = [lv2_port_value(i, float(vst_report[f"param.{i}"])) for i in range(count)]
    long_names = ["Input gain", "Bandwidth (Q)"] + [n.replace("Hz", " Hz").replace("k Hz", " kHz")
                                                      for n in BAND_NAMES] + \
                 ["Output gain", "Meters before band gain", "Meters after band gain"]
    check_all([
        ("VST 3 plug-in name", EXPECT_NAME, first.get("name")),
        ("VST 3 plug-in vendor", EXPECT_VENDOR, first.get("maker")),
        ("VST 3 instances on a stereo track", "1", first.get("instances")),
        ("VST 3 audio inputs", "2", first.get("inputs")),
        ("VST 3 audio outputs", "2", first.get("outputs")),
        ("VST 3 parameter count, as the VST 2.4 plug-in's", str(count), first.get("param.count")),
        ("VST 3 parameter names", long_names, [first.get(f"name.{i}") for i in range(len(long_names))]),
        ("VST 3 programs offered", str(NUM_PROGRAMS), first.get("presets")),
        ("VST 3 parameters after the settings", expected_plain,
         [float(first.get(f"param.{i}", "nan")) for i in range(count)]),
        ("the VST 3 session's input equals the VST 2.4 session's", True, same_input(first, vst_report)),
    ])
    vst3_out = check_bounce(vst_report, first, "VST 3", "VST 2.4")

    program, bank, component = vst3_state(os.path.join(session, "sorrel-vst3.ardour"))
    check_all([("saved VST 3 program", PROGRAM, program),
               ("saved VST 3 bank equals the VST 2.4 session's", True, bank == vst_bank)])

    log("vst3: the saved session in a new process")
    again, _, took = ardour.lua("reload.lua", os.path.join(work, "reload-vst3.txt"), **common)
    timings.append(("VST 3 reload session", took))
    reloaded = [read_wav(again[f"reloaded.{c}"])[1][0] for c in range(2)]
    _, differing_again, _ = compare(vst3_out, reloaded)
    program_again, _, component_again = vst3_state(os.path.join(session, "reloaded.ardour"))
    check_all([
        ("VST 3 parameters after reload", [first.get(f"param.{i}") for i in range(count)],
         [again.get(f"param.{i}") for i in range(count)]),
        ("VST 3 program after reload", PROGRAM, program_again),
        ("VST 3 state after reload equals the saved one", True, component_again == component),
        ("samples differing between the VST 3 bounce after reload and the first", 0, differing_again),
    ])
    return timings


if __name__ == "__main__":
    sys.exit(main())
