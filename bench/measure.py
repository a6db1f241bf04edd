#!/usr/bin/python3
"""Runs the launcher, the tkinter peer, the raw Xlib floor and an empty process side by side,
each in its own fresh Xvfb (depth 24), then the launcher and the plain wl_shm floor on Weston,
and prints one table of medians with min and max for each desktop.

    /usr/bin/python3 bench/measure.py BUILD_DIR [--runs N] [--idle SECONDS]

Per run of each program: time to the first complete screen (the clock is read right before
the process is started; the program appends its own CLOCK_MONOTONIC stamp), peak resident set
(VmHWM), wake-ups and CPU over an idle span with the pointer resting over the window (context
switches and run time of all its threads, from /proc/PID/task/*/status and schedstat), the
same for Xvfb, and for the launcher the time from a press on its first button reaching the
server to the emulator stand-in's start. The empty process has no window: only its idle
figures count.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

# The one harness for X servers, shared with the tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Failure, Weston, XServer  # noqa: E402

SCREEN_W, SCREEN_H = 1024, 768
WIN_W, WIN_H = 640, 480
REST = (600, 400)  # where the pointer rests, in window coordinates: over no button
BUTTON_1 = (320, 165)  # middle of "Запустить GORVEX"


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def xvfb():
    """A fresh X server of the test harness (depth 24, -noreset, a deadline that fires). It
    must not reset when its last client leaves: the pointer helper leaves right before each
    start, and a reset then would hold up the measured program's connection by 20 ms or more."""
    try:
        return XServer("%dx%d" % (SCREEN_W, SCREEN_H))
    except Failure as e:
        raise RuntimeError(str(e))


def cpu_ns(pid):
    """Run time of all threads of a process so far, in nanoseconds."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                    total += int(f.read().split()[0])
            except (FileNotFoundError, ProcessLookupError):
                pass
    except FileNotFoundError:
        return None
    return total


def context_switches(pid):
    """Voluntary and involuntary context switches of all threads of a process so far: each
    one is a wake-up or a preemption."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches:",
                                            "nonvoluntary_ctxt_switches:")):
                            total += int(line.split()[1])
            except (FileNotFoundError, ProcessLookupError):
                pass
    except FileNotFoundError:
        return None
    return total


def peak_rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return None


def wait_for_line(path, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with open(path) as f:
                text = f.read()
            if text.endswith("\n"):
                return text.split("\n")[0]
        except FileNotFoundError:
            pass
        time.sleep(0.001)
    return None


class Bench:
    def __init__(self, build, runs, idle):
        self.build = os.path.abspath(build)
        self.bin = os.path.join(self.build, "bin")
        self.runs = runs
        self.extra_starts = 4  # start-ups measured only for their first screen, per round
        self.idle = idle
        self.here = os.path.dirname(os.path.abspath(__file__))
        self.tmp = tempfile.mkdtemp(prefix="gorvex-bench-")
        self.results = {}  # (program, measure) -> list of values
        self.prepare()

    def tool(self, name):
        return os.path.join(self.bin, name)

    def prepare(self):
        """A launcher folder: the launcher, the stand-in as gorvex.exe, CFG/INTERPIC.bmp."""
        self.folder = os.path.join(self.tmp, "game")
        os.makedirs(os.path.join(self.folder, "CFG"))
        shutil.copy2(self.tool("gorvex-launcher"), self.folder)
        shutil.copy2(self.tool("gorvex-bench-stand-in"), os.path.join(self.folder, "gorvex.exe"))
        bmp = os.path.join(self.folder, "CFG", "INTERPIC.bmp")
        subprocess.run([self.tool("gorvex-demo-picture"), bmp], check=True,
                       stdout=subprocess.DEVNULL)
        self.png = ""
        try:
            from PIL import Image
            self.png = os.path.join(self.tmp, "interpic.png")
            Image.open(bmp).convert("RGB").save(self.png)
        except ImportError:
            log("python3-pil missing: the tkinter peer runs without its picture")

    def command(self, program):
        if program == "launcher":
            return [os.path.join(self.folder, "gorvex-launcher")], "Gorvex Launcher"
        if program == "tk peer":
            peer = [os.path.join(self.here, "peer_tk.py")] + ([self.png] if self.png else [])
            return ["/usr/bin/python3"] + peer, "Gorvex tk peer"
        if program == "Wayland floor":
            return [self.tool("gorvex-bench-floor-wayland")], "Gorvex floor"
        if program == "empty":
            return ["sleep", "1000"], None
        return [self.tool("gorvex-bench-floor")], "Gorvex floor"

    def note(self, program, measure, value):
        if value is not None:
            self.results.setdefault((program, measure), []).append(value)

    def press(self, env, *args):
        return subprocess.run([self.tool("gorvex-bench-press")] + [str(a) for a in args],
                              env=env, capture_output=True, text=True, timeout=10).stdout

    def run_one(self, program, measured, full=True, wayland=False):
        """One start of `program`, in Xvfb or, `wayland`, on Weston in its own Xvfb (the
        kiosk shell puts the window at the corner); figures go under "program (Wayland)"."""
        x = Weston() if wayland else xvfb()
        argv, title = self.command(program)
        if wayland:
            program += " (Wayland)"
        stamp = os.path.join(self.tmp, "presented")
        handover = os.path.join(self.tmp, "handed-over")
        for p in (stamp, handover):
            if os.path.exists(p):
                os.unlink(p)
        env = dict(os.environ, DISPLAY=x.display, GORVEX_PRESENTED_STAMP=stamp,
                   GORVEX_HANDOVER_STAMP=handover)
        left, top = (SCREEN_W - WIN_W) // 2, (SCREEN_H - WIN_H) // 2
        if wayland:
            left = top = 0
        self.press(env, "move", left + REST[0], top + REST[1])
        # The pointer helper works on the X server; the program sees only the compositor.
        server = x.compositor if wayland else x.process
        if wayland:
            env = x.client_env(GORVEX_PRESENTED_STAMP=stamp, GORVEX_HANDOVER_STAMP=handover)
        proc = None
        try:
            t0 = time.monotonic_ns()
            proc = subprocess.Popen(argv, env=env, cwd=self.folder, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            if title is not None:
                line = wait_for_line(stamp, 15)
                if line is None:
                    log(f"{program}: no first-screen stamp")
                    return
                first_ms = (int(line.split()[0]) - t0) / 1e6
                if not measured:
                    return
                self.note(program, "first", first_ms)
                if not full:
                    return
                if not wayland:
                    found = self.press(env, "find", title).split()
                    if len(found) == 4:
                        left, top = int(found[0]), int(found[1])
                    else:
                        log(f"{program}: window not found, pointer placed by the centre")
                    self.press(env, "move", left + REST[0], top + REST[1])
            elif not measured or not full:
                return
            time.sleep(1.0)  # let start-up work settle before the idle span
            c0, x0 = cpu_ns(proc.pid), cpu_ns(server.pid)
            s0, y0 = context_switches(proc.pid), context_switches(server.pid)
            w0 = time.monotonic_ns()
            time.sleep(self.idle)
            c1, x1 = cpu_ns(proc.pid), cpu_ns(server.pid)
            s1, y1 = context_switches(proc.pid), context_switches(server.pid)
            span = time.monotonic_ns() - w0
            self.note(program, "idle", 100 * (c1 - c0) / span)
            self.note(program, "xvfb idle", 100 * (x1 - x0) / span)
            self.note(program, "wakeups", (s1 - s0) / (span / 1e9))
            self.note(program, "xvfb wakeups", (y1 - y0) / (span / 1e9))
            self.note(program, "rss", peak_rss_mb(proc.pid))
            if program == "launcher":  # on X11 only: the press helper times X's events
                sent = self.press(env, "press", left + BUTTON_1[0], top + BUTTON_1[1]).split()
                got = wait_for_line(handover, 10)
                if sent and got:
                    self.note(program, "handover", (int(got.split()[0]) - int(sent[0])) / 1e6)
                    if "gorvex.cnf" not in got:
                        log(f"launcher: stand-in got unexpected arguments: {got}")
                else:
                    log("launcher: no hand-over seen")
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    log("launcher: still running after the hand-over")
            self.note(program, "xvfb rss", peak_rss_mb(server.pid))
        finally:
            if proc is not None and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
            x.stop()

    def run_windows(self):
        for p in PROGRAMS:  # warm the file cache; not counted
            self.run_one(p, measured=False)
        for p in WAYLAND_PROGRAMS:
            self.run_one(p, measured=False, wayland=True)
        for r in range(self.runs):
            log(f"round {r + 1} of {self.runs}")
            for p in PROGRAMS:  # interleaved, so that a busy spell hits all alike
                if p != "empty":
                    for _ in range(self.extra_starts):
                        self.run_one(p, measured=True, full=False)
                self.run_one(p, measured=True)
            for p in WAYLAND_PROGRAMS:
                for _ in range(self.extra_starts):
                    self.run_one(p, measured=True, full=False, wayland=True)
                self.run_one(p, measured=True, wayland=True)

    def run_drawing(self):
        out = subprocess.run(
            [self.tool("gorvex-bench-draw"), "--benchmark_repetitions=5",
             "--benchmark_min_time=0.05", "--benchmark_format=json"],
            capture_output=True, text=True, check=True, cwd=self.tmp).stdout
        for b in json.loads(out)["benchmarks"]:
            if b.get("run_type") != "iteration":
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[b["time_unit"]]  # to ms
            # Rows timed by the clock on the wall say so in their name; they are noted in ms,
            # the others in us.
            if b["run_name"].endswith("/real_time"):
                self.note("launcher", "draw " + b["run_name"], b["real_time"] * scale)
            else:
                self.note("launcher", "draw " + b["run_name"], b["cpu_time"] * scale * 1000)

    def close(self):
        shutil.rmtree(self.tmp, ignore_errors=True)


PROGRAMS = ["launcher", "tk peer", "floor", "empty"]
# On Weston (its X11 back end in Xvfb, kiosk shell, scale 1): the launcher beside the plain
# wl_shm toplevel, one buffer presented once.
WAYLAND_PROGRAMS = ["launcher", "Wayland floor"]
# A target "<= 2x" holds the launcher's figure against the floor's.
WAYLAND_ROWS = [
    ("first", "first complete screen, ms", "<= 2x"),
    ("rss", "peak resident set, MB", "<= 16"),
    ("wakeups", "idle wake-ups per second, all threads", "<= 0.5"),
    ("idle", "idle CPU, % of a core", "<= 0.01"),
    ("xvfb wakeups", "Weston wake-ups per second meanwhile", ""),
    ("xvfb idle", "Weston CPU meanwhile, %", ""),
]
COLUMNS = ["launcher", "tk peer", "Xlib floor", "empty process"]
# A target "<= 1.3x" holds the launcher's figure against the Xlib floor's.
ROWS = [
    ("first", "first complete screen, ms", "<= 1.3x"),
    ("rss", "peak resident set, MB", "<= 7"),
    ("wakeups", "idle wake-ups per second, all threads", "<= 0.5"),
    ("idle", "idle CPU, % of a core", "<= 0.01"),
    ("xvfb wakeups", "Xvfb wake-ups per second meanwhile", ""),
    ("xvfb idle", "Xvfb CPU meanwhile, %", ""),
    ("xvfb rss", "Xvfb peak resident set, MB", ""),
    ("handover", "click to hand-over, ms", "<= 5"),
]
DRAW_ROWS = [
    ("BM_StartScreenDrawing", "start screen drawn (widgets, about), us", "< 1000"),
    ("BM_StartUpWhole", "start-up whole, headless, us", ""),
    ("BM_PressedButton", "pressed button (1, Inv, scale 2), us", ""),
    ("BM_FloodFillButtonFace", "flood_fill of a button face, us", ""),
    ("BM_LoadBmp640x480x8", "load_bmp 640x480x8, us", ""),
    ("BM_PresentFullPage", "presentation pass, full page, us", ""),
    ("BM_PresentOneRow", "presentation pass, one row, us", ""),
    ("BM_IdlePresentationPass", "presentation pass, nothing changed, us", ""),
    ("BM_ScaledPresentAt150", "present at 150 %, 960x720 whole, us", ""),
    ("BM_ScaledPresentOneRowAt150", "present at 150 %, one page row, us", ""),
    ("BM_CompareCopiedLevel/20/real_time", "20 MB level checked after its copy, ms", ""),
]


def figure(values):
    if not values:
        return None, "n/a"
    m = statistics.median(values)
    digits = 3 if m < 1 else 2 if m < 10 else 1
    return m, f"{m:.{digits}f} [{min(values):.{digits}f}..{max(values):.{digits}f}]"


def verdict(value, target, against_floor=None):
    if value is None or not target:
        return ""
    op, limit = target.split()
    if limit.endswith("x"):
        if against_floor is None:
            return ""
        value = against_floor
    limit = float(limit.rstrip("x"))
    return "ok" if (value <= limit if op == "<=" else value < limit) else "MISSED"


def machine():
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    try:
        with open("/etc/debian_version") as f:
            debian = "Debian " + f.read().strip()
    except OSError:
        debian = platform.platform()
    return f"{cpu}, {os.cpu_count()} cores, {debian}, kernel {platform.release()}"


def print_table(bench, started, load):
    r = bench.results
    print(f"Gorvex launcher benchmark, {started:%Y-%m-%d %H:%M}, {machine()}")
    starts = bench.runs * (1 + bench.extra_starts)
    print(f"Xvfb {SCREEN_W}x{SCREEN_H}x24, a fresh server per start; median [min..max] of "
          f"{starts} starts (first screen) or {bench.runs} runs (the rest); idle span "
          f"{bench.idle:g} s; load average at start {load:.2f}")
    head = (f"{'measure':40}" + "".join(f" {c:22}" for c in COLUMNS) +
            f" {'/tk':>5} {'/Xlib':>6}  {'target':8} ")
    print(head)
    print("-" * len(head))
    for key, label, target in ROWS:
        figures = [figure(r.get((p, key))) for p in PROGRAMS]
        mine = figures[0][0]
        texts = [text for _, text in figures]
        if key == "handover":
            texts[1:] = ["-"] * (len(texts) - 1)
        ratios = []
        for other in (figures[1][0], figures[2][0]):
            ratios.append(mine / other if mine is not None and other else None)
        ratio_texts = [f"{q:.2f}" if q is not None else "-" for q in ratios]
        print(f"{label:40}" + "".join(f" {t:22}" for t in texts) +
              f" {ratio_texts[0]:>5} {ratio_texts[1]:>6}  {target:8} "
              f"{verdict(mine, target, ratios[1])}")
    for key, label, target in DRAW_ROWS:
        mine, mine_text = figure(r.get(("launcher", "draw " + key)))
        print(f"{label:40} {mine_text:22}" + f" {'-':22}" * (len(COLUMNS) - 1) +
              f" {'-':>5} {'-':>6}  {target:8} {verdict(mine, target)}")
    print()
    print("On Wayland: Weston 640x480 (X11 back end in a fresh Xvfb each start, kiosk shell, "
          "pixman)")
    head = f"{'measure':40} {'launcher':22} {'wl_shm floor':22} {'/floor':>6}  {'target':8} "
    print(head)
    print("-" * len(head))
    for key, label, target in WAYLAND_ROWS:
        mine, mine_text = figure(r.get(("launcher (Wayland)", key)))
        floor, floor_text = figure(r.get(("Wayland floor (Wayland)", key)))
        ratio = mine / floor if mine is not None and floor else None
        print(f"{label:40} {mine_text:22} {floor_text:22} "
              f"{(f'{ratio:.2f}' if ratio is not None else '-'):>6}  {target:8} "
              f"{verdict(mine, target, ratio)}")
    print("Drawing rows: CPU time per call (Google Benchmark, 5 repetitions); the level check "
          "in wall time, its files cached. Idle rows: over the idle span, all threads; wake-ups "
          "are voluntary and involuntary context switches, CPU is run time as % of one core.")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--idle", type=float, default=10.0)
    args = ap.parse_args()
    started = datetime.datetime.now()
    load = os.getloadavg()[0]
    bench = Bench(args.build, args.runs, args.idle)
    try:
        bench.run_windows()
        log("drawing benchmarks")
        bench.run_drawing()
        print_table(bench, started, load)
    finally:
        bench.close()


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    main()
