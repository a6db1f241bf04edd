#!/usr/bin/python3
"""End-to-end checks of the Windows launcher: builds the `windows` preset, then runs the exe
under Wine in a private Xvfb and drives it with xdotool, the way a player would. The
emulator is tests/wine/stand_in.cpp, which records its command line and current folder.
The buttons and pointer cases are the Linux e2e cases themselves (tests/e2e/launcher_e2e.py),
given a launcher under Wine; the rest is Windows' own: frames, code pages, cmd.exe,
monitor scales.
Ends with "N passed, N failed" and a non-zero status when a check failed. Every wait here
is bounded."""

import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time
from fractions import Fraction

from PIL import Image, ImageChops

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import launcher_e2e  # noqa: E402
import xdnd  # noqa: E402
from harness import (Failure, Launcher, XServer, bmp_with_pattern, check,  # noqa: E402
                     enlarged_bounds, wait_until)

TITLE = "Gorvex Launcher"
DIALOG = "Выбири WAD-ник под Gorvex"
NO_RUN = "Такая вышла бОтва!"
NO_FILE = "ОЙ Игрушка потерялась!"
# Button tops of the main screen; a click goes 15 pixels below.
TOP_GAME, TOP_SETUP, TOP_MODS = 150, 240, 285
EXIT_X, EXIT_Y = 40, 467
EN_US = {"LC_ALL": "en_US.UTF-8"}


def within(timeout, probe, step=0.1):
    """What probe gives once it is true, or None after timeout seconds."""
    try:
        return wait_until("", probe, timeout, step)
    except Failure:
        return None


def wpath(path):
    """The Wine path of a Unix path (drive Z: is the Unix root)."""
    return "Z:" + path.replace("/", "\\")


def expect_record(command_line, folder):
    """The stand-in's record (UTF-8)."""
    return ("command line: %s\r\ncurrent folder: %s\r\n" % (command_line, folder)).encode()


def read_bytes(path):
    """The file's bytes, or None when it cannot be read."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def remove(path):
    """Removes a file when it is there."""
    if os.path.exists(path):
        os.unlink(path)


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def compare(shot, snap_path, x, y):
    """None when the snapshot equals the screenshot's area at (x, y); else what differs."""
    snap = Image.open(snap_path).convert("RGB")
    area = shot.crop((x, y, x + snap.width, y + snap.height))
    diff = ImageChops.difference(area, snap)
    box = diff.getbbox()
    if box is None:
        return None
    wrong = sum(1 for p in diff.getdata() if p != (0, 0, 0))
    return "%d pixels differ, within %s of the client area at (%d, %d)" % (wrong, box, x, y)


def compare_scaled(shot, snap_path, x, y, scale):
    """None when the screenshot's area at (x, y) shows the snapshot enlarged `scale` times (a
    Fraction) by the scaler's rule: exact inside every snapshot pixel, a straddling pixel
    between its neighbours' colours; else what differs."""
    snap = Image.open(snap_path).convert("RGB")
    low, high = enlarged_bounds(snap, scale)
    area = shot.crop((x, y, x + low.width, y + low.height))
    below = ImageChops.subtract(low, area).getbbox()
    above = ImageChops.subtract(area, high).getbbox()
    if below is None and above is None:
        return None
    return "outside the enlarged snapshot within %s / %s of the area at (%d, %d)" % (
        below, above, x, y)


def fitted(area, page=(640, 480)):
    """Full screen's page: the largest size of its shape in 120ths, and its corner."""
    units = max(1, min(area[0] * 120 // page[0], area[1] * 120 // page[1]))
    w, h = page[0] * units // 120, page[1] * units // 120
    return Fraction(units, 120), ((area[0] - w) // 2, (area[1] - h) // 2)


class Tally:
    """Counts the outcomes of one lane and says them: at once when `live`, else kept in
    `lines` for later."""

    def __init__(self, live):
        self.passed = 0
        self.failed = 0
        self.live = live
        self.lines = []

    def say(self, line):
        if self.live:
            print(line, flush=True)
        else:
            self.lines.append(line)

    def ok(self, name):
        self.say("PASS: " + name)
        self.passed += 1

    def fail(self, name, why=""):
        self.say("FAIL: %s%s" % (name, " (%s)" % why if why else ""))
        self.failed += 1

    def outcome(self, good, name, why=""):
        if good:
            self.ok(name)
        else:
            self.fail(name, why)

    def same_bytes(self, name, expected, actual):
        self.outcome(expected == actual, name, "expected %r got %r" % (expected, actual))


class Wine:
    """One lane's Wine side: its work folder with the Wine prefix in it, its X server, the
    launcher's process, and the lane's tally for what it has to say."""

    def __init__(self, work, bin_dir, server, thirty_two, tally):
        self.work = work
        self.prefix = os.path.join(work, "prefix")
        self.thirty_two = thirty_two
        self.bin = bin_dir
        self.server = server
        self.say = tally.say
        self.log = open(os.path.join(work, "launcher.log"), "ab")
        self.process = None
        self.win = None
        self.client = (640, 480)
        self.cx = self.cy = 0
        self.window_size = ""

    def env(self, **extra):
        """The environment of a Wine program in this lane: its X server and its prefix."""
        return self.server.env(WINEPREFIX=self.prefix, **extra)

    def run(self, *args, timeout=60, env=None, cwd=None):
        """A Wine command to its end; its status, or None when it ran over."""
        try:
            return subprocess.run(["wine"] + list(args), cwd=cwd, env=env or self.env(),
                                  stdout=self.log, stderr=self.log, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return None

    def wineserver(self, flag, timeout):
        try:
            return subprocess.run(["wineserver", flag], timeout=timeout, env=self.env(),
                                  stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def settle(self):
        """Waits for every Wine process (the stand-in too); stops them when they hang."""
        if not self.wineserver("-w", 30):
            self.say("   (Wine processes still running: stopped)")
            self.wineserver("-k", 20)
            time.sleep(0.5)
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)

    def reg_add(self, key, *values):
        self.run("reg", "add", key, *values, "/f")
        self.wineserver("-w", 60)

    def make_game(self, folder):
        """A game folder: the launcher, the snapshot tool, the stand-in as gorvex.exe, a
        picture."""
        os.makedirs(os.path.join(folder, "CFG"), exist_ok=True)
        os.makedirs(os.path.join(folder, "roms"), exist_ok=True)
        shutil.copy(os.path.join(self.work, "INTERPIC.bmp"), os.path.join(folder, "CFG"))
        for exe in ("gorvex-launcher.exe", "gorvex-snapshot.exe", "gorvex-hostile.exe"):
            shutil.copy(os.path.join(self.bin, exe), folder)
        shutil.copy(os.path.join(self.bin, "gorvex-stand-in.exe"),
                    os.path.join(folder, "gorvex.exe"))

    def snapshot_in(self, folder):
        """gorvex-snapshot's picture of start-up in folder, as folder/snap.bmp."""
        os.makedirs(os.path.join(folder, "CFG"), exist_ok=True)
        shutil.copy(os.path.join(self.work, "INTERPIC.bmp"), os.path.join(folder, "CFG"))
        shutil.copy(os.path.join(self.bin, "gorvex-snapshot.exe"), folder)
        return self.run("./gorvex-snapshot.exe", "snap.bmp", cwd=folder)

    def find_window(self, name, server=None):
        return ((server or self.server).windows_named(name) or [None])[0]

    def client_origin(self):
        """Sets cx, cy to the screen position of the client area: Wine's frame is as wide
        left, right and below, and the caption sits on top."""
        try:
            x, y, right, bottom = self.server.geometry(self.win)
        except Failure:
            return False
        w, h = right - x, bottom - y
        cw, ch = self.client
        self.window_size = "%dx%d" % (w, h)
        self.cx = x + (w - cw) // 2
        self.cy = y + h - ch - (w - cw) // 2
        return True

    def locate_launcher(self):
        """The launcher's window; Wine may replace the X window early on."""
        self.win = self.find_window(TITLE)
        return self.win is not None and self.client_origin()

    def start(self, cwd, game, env=None):
        """Starts game's launcher with cwd as current folder and waits for its window."""
        self.process = subprocess.Popen(["wine", os.path.join(game, "gorvex-launcher.exe")],
                                        cwd=cwd, env=env or self.env(),
                                        stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=self.log)
        if not within(30, self.locate_launcher):
            return False
        time.sleep(0.7)  # Wine may still report one move to the screen's centre
        return True

    def ended(self, timeout):
        """The launcher's status once it ended within timeout seconds, else None."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.process.poll() is None

    def xdotool(self, *args):
        return self.server.run("xdotool", *[str(a) for a in args], check_status=False)

    def move(self, x, y):
        self.xdotool("mousemove", self.cx + x, self.cy + y)

    def click(self, x, y, button=1, hold=0.1):
        """A human-length click at client coordinates, left unless told."""
        self.move(x + 1, y)
        time.sleep(0.1)
        self.move(x, y)
        time.sleep(0.2)
        self.xdotool("mousedown", button)
        time.sleep(hold)
        self.xdotool("mouseup", button)

    def focus(self, window):
        try:
            self.xdotool("windowfocus", "--sync", window)
        except subprocess.TimeoutExpired:
            pass

    def focus_and(self, window, *keys):
        """Focuses a window and presses keys."""
        self.focus(window)
        time.sleep(0.3)
        self.xdotool("key", *keys)

    def type_and_return(self, text):
        self.xdotool("type", "--delay", 30, text)
        self.xdotool("key", "Return")

    def screenshot(self):
        self.xdotool("mousemove", 1, 1)
        time.sleep(1)
        return self.server.screenshot()

    def mod_run(self, game, action, env=None):
        """Clicks the mod button, waits for the dialog and does action in it; 0 when the
        launcher then ended, else the step that failed."""
        if not self.start(game, game, env):
            return 1
        self.click(300, TOP_MODS + 15)
        dialog = within(20, lambda: self.find_window(DIALOG))
        if not dialog:
            return 2
        self.focus(dialog)
        time.sleep(0.5)
        action()
        return 0 if self.ended(30) is not None else 3


def check_window(t, w, game):
    """The window: pixels, close request, full screen, EXIT."""
    t.say("== window")
    # The first program after the new prefix once failed to start in a clean clone's run
    # (not seen again in five); the snapshot is the picture to compare with, so it gets one
    # more start before the check counts it as failed.
    if (w.run("./gorvex-snapshot.exe", "snap.bmp", cwd=game) != 0
            and w.run("./gorvex-snapshot.exe", "snap.bmp", cwd=game) != 0):
        t.fail("snapshot", "gorvex-snapshot.exe failed")
    snap = os.path.join(game, "snap.bmp")
    if not w.start(game, game):
        t.fail("the window opens")
        return
    t.ok("the window opens")
    # The frame Wine puts around the 640x480 client: 646x505 with Wine 8, 646x512 with Wine 10.
    windowed = w.window_size
    if w.window_size != "646x505":
        w.say("   (frame %s: the client area is assumed centred above the bottom border)"
              % w.window_size)
    why = compare(w.screenshot(), snap, w.cx, w.cy)
    t.outcome(why is None, "client area equals the snapshot", why)

    w.focus_and(w.win, "alt+F4")
    time.sleep(1.5)
    t.outcome(w.running() and w.find_window(TITLE), "Alt+F4 leaves the window open")

    w.focus_and(w.win, "alt+Return")
    time.sleep(1)
    w.client_origin()
    shot = w.server.screenshot()
    scale, (x, y) = fitted((1024, 768))
    why = compare_scaled(shot, snap, x, y, scale)
    t.outcome(w.window_size == "1024x768" and why is None,
              "Alt+Enter fits the picture to the screen", "window %s, %s" % (w.window_size, why))
    w.focus_and(w.win, "alt+Return")
    time.sleep(1)
    w.client_origin()
    t.outcome(w.window_size == windowed, "Alt+Enter again restores the window",
              "window %s, before full screen %s" % (w.window_size, windowed))

    w.click(EXIT_X, EXIT_Y)
    status = w.ended(15)
    t.outcome(status == 0 and within(5, lambda: not w.find_window(TITLE)),
              "EXIT ends with status 0", "status %s" % status)


# The e2e cases of the main screen that hold for the Windows launcher as they stand, run here
# through WineSession, which gives them the launcher under Wine with the same calls.
BUTTON_CASES = ["button1", "button2", "button3", "exit", "close_request"]
POINTER_CASES = ["border", "slide", "other_buttons", "quick_click"]


class WineGame:
    """A game folder as the e2e cases see it: its path and the stand-in's record."""

    def __init__(self, path):
        self.path = path
        self.record = os.path.join(path, "stand-in.txt")

    def recorded(self):
        """What the stand-in wrote, or None before it ran."""
        return read_bytes(self.record) or None


class WineLauncher:
    """The Windows launcher under Wine with the calls of the e2e cases' launcher. Wine hears
    of a pointer move a moment late, so moves are followed by a short wait; paths in the
    emulator's arguments have Windows' backslashes."""

    def __init__(self, w, game):
        self.w = w
        self.game = game
        self.poll_log = os.path.join(game.path, "polls.txt")
        write_bytes(self.poll_log, b"")
        self.polls_taken = 0
        env = dict(w.env(), GORVEX_POLL_LOG=wpath(self.poll_log))
        check(w.start(w.work, game.path, env), "the window did not open")
        self.window = w.win
        self.origin = (w.cx, w.cy)

    # Steps wait until the launcher's loop has seen them, as on Linux.
    polled = Launcher.polled
    polled_if = Launcher.polled_if
    idle_after = Launcher.idle_after

    def move(self, x, y):
        self.w.move(x, y)
        time.sleep(0.15)

    def click(self, x, y, button=1, hold=0.1):
        self.w.click(x, y, button, hold)

    def alive(self):
        return self.w.running()

    def stays_idle(self, seconds=0.4):
        time.sleep(max(seconds, 1.0))
        check(self.game.recorded() is None, "the emulator was started")
        check(self.alive(), "the launcher ended")

    def wait_exit(self, timeout=15):
        status = self.w.ended(timeout)
        check(status is not None, "the launcher did not end")
        return status

    def wait_hand_over(self, arguments, timeout=15):
        """The stand-in ran in the launcher's folder with these arguments, and the launcher
        ended with 0 (on Windows the emulator is a process of its own)."""
        check(self.wait_exit(timeout) == 0, "the launcher did not end with 0")
        self.w.settle()
        line = " ".join(["gorvex.exe"] + [a.replace("/", "\\") for a in arguments])
        record = self.game.recorded()
        check(record == expect_record(line, wpath(self.game.path)),
              "the emulator's record: %r" % record)


class WineSession:
    """What an e2e case gets: the X server, the game folder and a started launcher."""

    def __init__(self, w, game):
        self.server = w.server
        self.game = game
        remove(game.record)
        self.launcher = WineLauncher(w, game)


def check_shared_cases(t, w, game, names):
    """The e2e cases `names`, each with a launcher of its own, started from another folder."""
    t.say("== e2e cases")
    for name in names:
        try:
            launcher_e2e.WINDOW_CASES[name](WineSession(w, WineGame(game)))
            t.ok("e2e case " + name)
        except Failure as e:
            t.fail("e2e case " + name, str(e))
        w.settle()


def peak_memory_mb():
    """The largest peak resident set of the processes running the launcher's exe, in MB;
    None when none is found."""
    peak = None
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                if b"gorvex-launcher.exe" not in f.read():
                    continue
            with open("/proc/%s/status" % entry) as f:
                kb = int(re.search(r"VmHWM:\s*(\d+) kB", f.read()).group(1))
        except (OSError, AttributeError):
            continue
        peak = max(peak or 0, kb // 1024)
    return peak


# What another program posts or sends the window, and the case that must then still work:
# the window's state is the system's, not the messages' parameters, and a suggested place is
# kept on the screen.
HOSTILE_CASES = [("inactive", "button1"), ("minimised", "exit"), ("dpi", "exit")]
HOSTILE_MEMORY_MB = 64


def check_hostile(t, w, game):
    """Messages only the system should send, from another program, then a case; and a flood
    of posted moves during which a click still hands over, in bounded memory."""
    t.say("== another program's messages")
    for what, case in HOSTILE_CASES:
        name = "after a posted %s, e2e case %s" % (what, case)
        try:
            session = WineSession(w, WineGame(game))
            check(w.run("./gorvex-hostile.exe", what, cwd=game) == 0,
                  "gorvex-hostile.exe did not find the window")
            if what == "dpi":
                check(w.client_origin() and 0 <= w.cx < 1024 and 0 <= w.cy < 768,
                      "the window left the screen: client at %d,%d" % (w.cx, w.cy))
                session.launcher.origin = (w.cx, w.cy)
            launcher_e2e.WINDOW_CASES[case](session)
            t.ok(name)
        except Failure as e:
            t.fail(name, str(e))
        w.settle()
    name = "during a flood of posted moves, e2e case button1"
    flood = None
    try:
        session = WineSession(w, WineGame(game))
        flood = subprocess.Popen(["wine", "./gorvex-hostile.exe", "moves", "3000000"], cwd=game,
                                 env=w.env(), stdout=w.log, stderr=w.log)
        time.sleep(8)  # the flood under way; how far it got does not decide the outcome
        peak = peak_memory_mb()
        check(flood.poll() is None, "the flood ended before the click")
        launcher_e2e.WINDOW_CASES["button1"](session)
        t.outcome(peak is not None and peak < HOSTILE_MEMORY_MB, name,
                  "peak memory %s MB, more than %d" % (peak, HOSTILE_MEMORY_MB))
    except Failure as e:
        t.fail(name, str(e))
    finally:
        if flood is not None:
            flood.kill()
            flood.wait()
    w.settle()


def open_chooser(t, w, name, game, env=None):
    """Starts the launcher of `game` there, presses the mods button and focuses the file
    chooser: the chooser's window, or None after failing check `name` when the window or the
    chooser did not come."""
    if not w.start(game, game, env):
        t.fail(name, "no window")
        return None
    w.click(300, TOP_MODS + 15)
    dialog = within(20, lambda: w.find_window(DIALOG))
    if not dialog:
        t.fail(name, "no dialog")
        return None
    w.focus(dialog)
    time.sleep(0.5)
    return dialog


def check_mods(t, w, mods, wad):
    """Mods: the dialog, temp.bat, roms\\temp.wad, and a WAD dropped onto the window."""
    t.say("== mods")
    temp_wad = os.path.join(mods, "roms", "temp.wad")
    record = os.path.join(mods, "stand-in.txt")
    write_bytes(temp_wad, b"old level")
    result = w.mod_run(mods, lambda: w.type_and_return(wpath(wad)))
    w.settle()
    if result != 0:
        t.fail("the chosen WAD is installed", "step %d" % result)
    else:
        t.outcome(read_bytes(wad) == read_bytes(temp_wad),
                  "the chosen WAD is copied to roms\\temp.wad")
        t.outcome(not os.path.exists(os.path.join(mods, "temp.bat")), "temp.bat is removed")
        t.same_bytes("the emulator starts with plusmod.cnf",
                     expect_record("gorvex.exe -noconsole -conf CFG\\plusmod.cnf", wpath(mods)),
                     read_bytes(record))

    remove(record)
    write_bytes(temp_wad, b"old level")
    result = w.mod_run(mods, lambda: w.xdotool("key", "Escape"))
    w.settle()
    name = "a cancelled dialog removes the old roms\\temp.wad and still hands over"
    t.outcome(result == 0 and not os.path.exists(temp_wad)
              and not os.path.exists(os.path.join(mods, "temp.bat"))
              and b"plusmod.cnf" in (read_bytes(record) or b""), name, "step %d" % result)

    # A WAD dropped onto the window, through the X drag-and-drop that Wine turns into
    # WM_DROPFILES: installed as if chosen in the dialog.
    remove(record)
    write_bytes(temp_wad, b"old level")
    name = "a WAD dropped onto the window is installed and the game starts"
    if not w.start(mods, mods):
        t.fail(name, "no window")
        return
    try:
        log = str(xdnd.drop(w.server.display, w.win, w.cx + 600, w.cy + 400, [wad]))
    except Exception as e:  # the report names what went wrong
        log = "%s: %s" % (type(e).__name__, e)
    w.ended(30)
    w.settle()
    t.outcome(read_bytes(wad) == read_bytes(temp_wad)
              and b"plusmod.cnf" in (read_bytes(record) or b""), name, log)


def check_batch_bytes(t, w):
    """Wine's cmd reads batch lines in the OEM code page whatever chcp says, so this checks
    the bytes of temp.bat: the stand-in takes cmd.exe's place and keeps a copy."""
    t.say("== temp.bat bytes in a Cyrillic folder")
    # A 32-bit launcher in a 64-bit prefix finds its system folder's programs in syswow64.
    windows = os.path.join(w.prefix, "drive_c", "windows")
    system32 = os.path.join(windows, "syswow64" if w.thirty_two and os.path.isdir(
        os.path.join(windows, "syswow64")) else "system32")
    cmd = os.path.join(system32, "cmd.exe")
    cyr = os.path.join(w.work, "моя игра 100%")
    w.make_game(cyr)
    saved = os.path.join(w.work, "cmd.exe.saved")
    shutil.copy(cmd, saved)
    shutil.copy(os.path.join(w.bin, "gorvex-stand-in.exe"), cmd)
    env = w.env(WINEDLLOVERRIDES=os.environ["WINEDLLOVERRIDES"] + ";cmd.exe=n")
    try:
        result = w.mod_run(cyr, lambda: w.xdotool("key", "Escape"), env)
        w.settle()
        name = "temp.bat holds the CP1251 folder with %% doubled"
        if result != 0:
            t.fail(name, "step %d" % result)
        else:
            d = wpath(cyr).replace("%", "%%")
            batch = ('chcp 1251\r\ndel /f /q "{0}\\roms\\temp.wad"\r\n'
                     'copy /y "" "{0}\\roms\\temp.wad"\r\n').format(d)
            t.same_bytes(name, batch.encode("cp1251"),
                         read_bytes(os.path.join(system32, "batch-copy.bat")))
            # AutoRun commands off, delayed expansion off: as on a machine without either.
            t.same_bytes("temp.bat runs through cmd.exe /d /v:off in the launcher folder",
                         expect_record('cmd.exe /d /v:off /s /c ".\\temp.bat"', wpath(cyr)),
                         read_bytes(os.path.join(system32, "stand-in.txt")))
        check_copy_left_out(t, w, cyr, env)
    finally:
        shutil.copy(saved, cmd)


def check_copy_left_out(t, w, game, env):
    """With the stand-in as cmd.exe nothing is copied: a chosen level as long as the older
    one (two versions of one mod) must still give the NoCopy box, and no game."""
    temp_wad = os.path.join(game, "roms", "temp.wad")
    record = os.path.join(game, "stand-in.txt")
    wad = os.path.join(w.work, "same length.wad")
    write_bytes(temp_wad, b"old level")
    write_bytes(wad, b"new level")
    remove(record)
    name = "a level as long as the older one that did not arrive gives the NoCopy box"
    try:
        if not open_chooser(t, w, name, game, env):
            return
        w.type_and_return(wpath(wad))
        box = within(30, lambda: w.find_window(NO_RUN) if w.running() else "ended")
        if box in (None, "ended"):
            t.fail(name, "no box; the launcher %s" % ("ended" if box else "went on"))
            return
        w.focus_and(box, "Return")
        status = w.ended(15)
        t.outcome(status == 0 and read_bytes(temp_wad) == b"old level"
                  and not os.path.exists(record), name,
                  "status %s, roms\\temp.wad %r, emulator record %r"
                  % (status, read_bytes(temp_wad), read_bytes(record)))
    finally:
        w.settle()


def check_unicode_folder(t, w):
    """A game folder outside every code page."""
    t.say("== a game folder outside every code page")
    uni = os.path.join(w.work, "ゲーム Café 🎮")
    twin = os.path.join(w.work, "ムーゲ Cafñ 🎲")
    plain = os.path.join(w.work, "XXX CafX X")
    w.make_game(uni)
    # Letters without a CP1251 form show as '?': a twin folder with other such letters (one
    # of them Windows turns into a look-alike) draws the same about line, a folder of plain
    # letters in their places another.
    for folder in (uni, twin, plain):
        w.snapshot_in(folder)
    snap = read_bytes(os.path.join(uni, "snap.bmp"))
    t.outcome(snap and snap == read_bytes(os.path.join(twin, "snap.bmp"))
              and snap != read_bytes(os.path.join(plain, "snap.bmp")),
              "the about line shows '?' for the letters CP1251 lacks")
    if w.start(uni, uni):
        why = compare(w.screenshot(), os.path.join(uni, "snap.bmp"), w.cx, w.cy)
        t.outcome(why is None, "the window there equals its snapshot", why)
        w.click(EXIT_X, EXIT_Y)
        w.ended(15)
    else:
        t.fail("the window opens in a folder outside every code page")
    w.settle()
    record = os.path.join(uni, "stand-in.txt")
    for top, config in ((TOP_GAME, "gorvex"), (TOP_SETUP, "setup")):
        name = "button %s hands over from a folder outside every code page" % config
        remove(record)
        if w.start(w.work, uni):
            w.click(300, top + 15)
            status = w.ended(15)
            if status == 0:
                w.settle()
                t.same_bytes(name, expect_record("gorvex.exe -noconsole -conf CFG\\%s.cnf"
                                                 % config, wpath(uni)), read_bytes(record))
            else:
                t.fail(name, "status %s" % status)
        else:
            t.fail(name, "no window")
        w.settle()


def check_unicode_wad(t, w, mods):
    """A WAD named outside CP1251 beside a decoy that a wildcard would match: either its
    exact bytes arrive (through its short name), or the launcher refuses and changes
    nothing."""
    t.say("== a WAD named outside CP1251")
    wads = os.path.join(w.work, "wad names")
    os.makedirs(wads)
    wad = os.path.join(wads, "レベル.wad")
    write_bytes(wad, b"level\x1aafter the end-of-file byte" + os.urandom(2000))
    write_bytes(os.path.join(wads, "abc.wad"), b"decoy")
    record = os.path.join(mods, "stand-in.txt")
    temp_wad = os.path.join(mods, "roms", "temp.wad")
    remove(record)
    write_bytes(temp_wad, b"old level")
    name = "a WAD named outside CP1251 arrives exactly or is refused"
    dialog = open_chooser(t, w, name, mods)
    if not dialog:
        return
    # xdotool cannot type the name: the dialog opens the folder, and the name sorts first.
    w.type_and_return(wpath(wads) + "\\")
    time.sleep(1)
    dx, dy = w.server.geometry(dialog)[:2]
    w.xdotool("mousemove", dx + 300, dy + 120, "click", 1)  # on the list, below its names
    time.sleep(0.3)
    w.xdotool("key", "Home")
    time.sleep(0.3)
    w.xdotool("key", "Return")
    outcome = within(30, lambda: ("ended" if not w.running() else w.find_window(NO_RUN)))
    if not outcome:
        t.fail(name, "neither an end nor a refusal")
    elif outcome != "ended":
        t.outcome(read_bytes(temp_wad) == b"old level"
                  and not os.path.exists(os.path.join(mods, "temp.bat"))
                  and not os.path.exists(record), name + " (refused, nothing changed)",
                  "refused, but something changed")
        w.focus_and(outcome, "Return")
        w.ended(15)
    else:
        w.settle()
        t.outcome(read_bytes(wad) == read_bytes(temp_wad)
                  and b"plusmod" in (read_bytes(record) or b""), name + " (installed exactly)",
                  "roms\\temp.wad: %r" % (read_bytes(temp_wad) or b"")[:40])


def box_check(t, w, name, game, title, top, env=None):
    """Clicks the button at top, expects a box titled title, dismisses it with Return and
    expects the launcher to end with 0."""
    if not w.start(game, game, env):
        t.fail(name, "no window")
        return
    w.click(300, top + 15)
    box = within(20, lambda: w.find_window(title))
    if not box:
        t.fail(name, "no box titled " + title)
        return
    w.focus_and(box, "Return")
    status = w.ended(15)
    t.outcome(status == 0, name, "status %s" % status)


def check_failures(t, w, mods):
    """Code page 1252, and the message boxes."""
    t.say("== code page 1252")
    env = w.env(**EN_US)
    result = w.mod_run(mods, lambda: w.xdotool("key", "Escape"), env)
    w.settle()
    t.outcome(result == 0, "the dialog's Cyrillic title reads right under code page 1252",
              "step %d" % result)

    t.say("== failures")
    lost = os.path.join(w.work, "no emulator")
    w.make_game(lost)
    os.unlink(os.path.join(lost, "gorvex.exe"))
    box_check(t, w, "a missing emulator shows the NoFile box and ends with 0", lost, NO_FILE,
              TOP_GAME)
    w.settle()
    box_check(t, w, "the NoFile box's Cyrillic title reads right under code page 1252", lost,
              NO_FILE, TOP_GAME, env)
    w.settle()

    stuck = os.path.join(w.work, "batch blocked")
    w.make_game(stuck)
    os.mkdir(os.path.join(stuck, "temp.bat"))
    name = "a temp.bat that cannot run shows the NoTRun box"
    if w.start(stuck, stuck):
        w.click(300, TOP_MODS + 15)
    dialog = within(20, lambda: w.find_window(DIALOG))
    if not dialog:
        t.fail(name, "no dialog")
    else:
        w.focus_and(dialog, "Escape")
        box = within(20, lambda: w.find_window(NO_RUN))
        if not box:
            t.fail(name, "no box")
        else:
            w.focus_and(box, "Return")
            status = w.ended(15)
            t.outcome(status == 0, name, "status %s" % status)
    w.settle()


# The monitor scales of the scaled mode: LogPixels and the page's size at it.
SCALES = [(120, (800, 600)), (144, (960, 720)), (168, (1120, 840)), (192, (1280, 960))]
SCALED_SCREEN = (1920, 1080)


def client_size(w, game):
    """The launcher window's client size as the system gives it, or None."""
    out = os.path.join(game, "client.txt")
    remove(out)
    if w.run("./gorvex-hostile.exe", "size", "client.txt", cwd=game) != 0:
        return None
    text = (read_bytes(out) or b"").split()
    return tuple(int(n) for n in text) if len(text) == 2 else None


def check_at_scale(t, w, game, dpi, client):
    """One monitor scale: the client size, the page by the scaler's rule, Alt+Enter there and
    back, and a click on the game button's right end, which hands over."""
    percent = dpi * 100 // 96
    scale = Fraction(dpi, 96)
    snap = os.path.join(game, "snap.bmp")
    record = os.path.join(game, "stand-in.txt")
    remove(record)
    w.client = client
    if not w.start(game, game):
        t.fail("at %d %% the window opens" % percent)
        return
    size = client_size(w, game)
    t.outcome(size == client, "at %d %% the client area is %dx%d" % ((percent,) + client),
              "client %s" % (size,))
    why = compare_scaled(w.screenshot(), snap, w.cx, w.cy, scale)
    t.outcome(why is None, "at %d %% the page is the snapshot enlarged by the rule" % percent,
              "window %s: %s" % (w.window_size, why))
    if dpi == 144:
        # A WM_DPICHANGED that says 200 %, far off every screen, as a monitor move would send:
        # laid out anew at the scale the system gives the window, on the screen, whole.
        w.run("./gorvex-hostile.exe", "dpi", cwd=game)
        w.client_origin()
        size = client_size(w, game)
        why = compare_scaled(w.screenshot(), snap, w.cx, w.cy, scale)
        t.outcome(size == client and why is None and 0 <= w.cx < SCALED_SCREEN[0],
                  "at 150 % a monitor change keeps the system's scale and a whole page",
                  "client %s at %d,%d: %s" % (size, w.cx, w.cy, why))
    windowed = w.window_size
    w.focus_and(w.win, "alt+Return")
    time.sleep(1)
    w.client_origin()
    fit, (x, y) = fitted(SCALED_SCREEN)
    why = compare_scaled(w.screenshot(), snap, x, y, fit)
    t.outcome(w.window_size == "%dx%d" % SCALED_SCREEN and why is None,
              "at %d %% Alt+Enter fits the page to the screen" % percent,
              "window %s, %s" % (w.window_size, why))
    w.focus_and(w.win, "alt+Return")
    time.sleep(1)
    w.client_origin()
    t.outcome(w.window_size == windowed and client_size(w, game) == client,
              "at %d %% Alt+Enter again brings the window back" % percent,
              "window %s, before %s" % (w.window_size, windowed))
    # The game button's right end: taken as a page point unscaled, it lies off the page.
    w.click(int((460 + 0.5) * scale), int((TOP_GAME + 15 + 0.5) * scale))
    name = "at %d %% a click lands on the button drawn there" % percent
    if w.ended(15) == 0:
        w.settle()
        t.outcome(b"gorvex.cnf" in (read_bytes(record) or b""), name, "no hand-over recorded")
    else:
        t.fail(name, "the launcher is still running")


def check_scaled(t, w, game):
    """Monitors at 125, 150, 175 and 200 % on a 1920 x 1080 screen."""
    t.say("== monitor scales")
    try:
        big = XServer("%dx%d" % SCALED_SCREEN)
    except Failure:
        t.fail("a second X server for the monitor scales")
        w.settle()
        return
    small = w.server
    w.server = big
    try:
        for dpi, client in SCALES:
            w.reg_add("HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                      "/d", str(dpi))
            check_at_scale(t, w, game, dpi, client)
            w.settle()
    finally:
        w.server, w.client = small, (640, 480)
        w.reg_add("HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                  "96")
        w.settle()
        big.stop()


def check_no_display(t, w, game):
    """Without a display the launcher ends with status 1."""
    status = w.run("./gorvex-launcher.exe", cwd=game, env=w.env(DISPLAY=""))
    t.outcome(status == 1, "without a display the launcher ends with status 1",
              "status %s" % status)
    w.settle()


def make_locales():
    """Wine takes the ANSI code page from the locale variables: ru_RU gives 1251, en_US
    1252."""
    have = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
    for loc in ("ru_RU", "en_US"):
        if not re.search(r"^%s\.utf-?8$" % loc, have, re.I | re.M):
            print("== generating the %s.UTF-8 locale" % loc, flush=True)
            if subprocess.run(["localedef", "-i", loc, "-f", "UTF-8", loc + ".UTF-8"]).returncode:
                sys.exit("cannot generate %s.UTF-8" % loc)


def runs_32_bit():
    """Whether Wine's 32-bit side starts here (a kernel booted with ia32_emulation off
    cannot)."""
    loader = "/usr/lib/wine/wine"
    if not os.access(loader, os.X_OK):
        return True
    try:
        return subprocess.run([loader, "--version"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def use_wine64(work):
    """`wine` (also for timeout and subprocesses) is the 64-bit loader."""
    os.makedirs(os.path.join(work, "bin"))
    shim = os.path.join(work, "bin", "wine")
    with open(shim, "w") as f:
        f.write('#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n')
    os.chmod(shim, os.stat(shim).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    os.environ["PATH"] = os.path.join(work, "bin") + os.pathsep + os.environ["PATH"]
    os.environ["WINELOADER"] = "/usr/lib/wine/wine64"


def build(preset):
    """Builds what the checks run from the preset; False when it fails."""
    print("== build (build-%s/), and a Wine prefix beside it" % preset, flush=True)
    # Warnings are errors here, as in every developer's and CI's build.
    return (subprocess.run(["cmake", "--preset", preset, "-DGORVEX_WERROR=ON"], cwd=ROOT,
                           stdout=subprocess.DEVNULL).returncode == 0
            and subprocess.run(["cmake", "--build", "--preset", preset, "--target",
                                "gorvex-launcher", "gorvex-snapshot", "gorvex-stand-in", "gorvex-hostile"],
                               cwd=ROOT).returncode == 0)


def prepare_prefix(w):
    """A fresh Wine prefix where Wine draws the frame itself and closes windows
    promptly, and the test picture beside it; False when wineboot failed."""
    if w.run("wineboot.exe", "-i", timeout=180) != 0:
        return False
    w.reg_add("HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N")
    w.settle()
    bmp_with_pattern(os.path.join(w.work, "INTERPIC.bmp"))
    return True


def window_lane(t, w):
    """The main window and its buttons, in one game folder."""
    game = os.path.join(w.work, "игра Gorvex")
    w.make_game(game)
    if os.environ.get("GORVEX_WINE_HOSTILE_ONLY"):  # by hand, while working on them
        check_hostile(t, w, game)
        return
    check_window(t, w, game)
    w.settle()
    check_shared_cases(t, w, game, BUTTON_CASES)
    check_hostile(t, w, game)


def display_lane(t, w):
    """The pointer, monitors at 125 to 200 %, no display at all."""
    game = os.path.join(w.work, "игра Gorvex")
    w.make_game(game)
    check_shared_cases(t, w, game, POINTER_CASES)
    if w.run("./gorvex-snapshot.exe", "snap.bmp", cwd=game) != 0:
        t.fail("snapshot", "gorvex-snapshot.exe failed")
    check_scaled(t, w, game)
    check_no_display(t, w, game)


def mods_lane(t, w):
    """A level through the dialog and by a drop, temp.bat's bytes, and a game folder
    outside every code page."""
    mods = os.path.join(w.work, "mod folder")
    w.make_game(mods)
    wad_dir = os.path.join(w.work, "wads", "50% off & more")
    os.makedirs(wad_dir)
    wad = os.path.join(wad_dir, "level one.wad")
    write_bytes(wad, os.urandom(3000))
    check_mods(t, w, mods, wad)
    check_batch_bytes(t, w)
    check_unicode_folder(t, w)


def failures_lane(t, w):
    """A WAD named outside CP1251, code page 1252 and the failure boxes."""
    mods = os.path.join(w.work, "mod folder")
    w.make_game(mods)
    check_unicode_wad(t, w, mods)
    w.settle()
    check_failures(t, w, mods)


def run_lane(lane, t, w):
    """Runs a lane; an error in the checks themselves counts as a failure."""
    began = time.monotonic()
    try:
        lane(t, w)
    except Exception as e:  # noqa: BLE001 - reported as a failed check
        t.fail(lane.__name__, "%s: %s" % (type(e).__name__, e))
    t.say("   (%s: %.0f s)" % (lane.__name__, time.monotonic() - began))


def main():
    make_locales()
    preset, note = "windows", ""
    if not runs_32_bit():
        preset, note = "windows-x64", " (the 64-bit build: this kernel runs no 32-bit programs)"
        print("== Wine's 32-bit side cannot start here: checking the windows-x64 build instead",
              flush=True)
    work = tempfile.mkdtemp(prefix="gorvex-wine.")
    if preset == "windows-x64":
        use_wine64(work)
    os.environ.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="ru_RU.UTF-8")
    bin_dir = os.path.join(ROOT, "build-" + preset, "bin")
    # Four lanes side by side, each with its own X server, work folder and Wine prefix (a
    # copy of the first): the checks mostly wait for Wine. The first lane speaks as it goes,
    # the others when all are done.
    # GORVEX_WINE_LANES=window_lane,mods_lane runs those lanes only (by hand).
    chosen = os.environ.get("GORVEX_WINE_LANES", "").split(",")
    lanes = [lane for lane in (window_lane, display_lane, mods_lane, failures_lane)
             if chosen == [""] or lane.__name__ in chosen]
    lanes = [(lane, Tally(live=lane is lanes[0])) for lane in lanes]
    wines = []

    def add_wine(tally):
        lane_work = os.path.join(work, "lane-%d" % (len(wines) + 1))
        if wines:
            shutil.copytree(wines[0].work, lane_work, symlinks=True)
        else:
            os.makedirs(lane_work)
        wines.append(Wine(lane_work, bin_dir, XServer("1024x768"),
                          thirty_two=preset == "windows", tally=tally))

    try:
        add_wine(lanes[0][1])
        # The first prefix is made while the exe is built: neither needs the other.
        prefix = {}
        maker = threading.Thread(target=lambda: prefix.update(ready=prepare_prefix(wines[0])))
        maker.start()
        built = build(preset)
        maker.join()
        if not built:
            print("0 passed, 1 failed (the Windows build)")
            return 1
        if not prefix.get("ready"):
            wines[0].log.flush()
            with open(os.path.join(wines[0].work, "launcher.log"), errors="replace") as f:
                sys.stdout.write(f.read())
            print("0 passed, 1 failed (wineboot)")
            return 1
        for _, tally in lanes[1:]:
            add_wine(tally)
        threads = [threading.Thread(target=run_lane, args=(lane, tally, w))
                   for (lane, tally), w in zip(lanes, wines)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    finally:
        for w in wines:
            w.wineserver("-k", 20)
            w.log.close()
            w.server.stop()
        shutil.rmtree(work, ignore_errors=True)
    for _, tally in lanes[1:]:
        print("\n".join(tally.lines), flush=True)
    passed = sum(tally.passed for _, tally in lanes)
    failed = sum(tally.failed for _, tally in lanes)
    print("%d passed, %d failed%s" % (passed, failed, note))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
