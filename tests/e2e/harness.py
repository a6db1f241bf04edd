"""Drives the real launcher in a private X server: a throwaway game folder, the window found
and photographed, the pointer moved with xdotool, the stand-in emulator's record read back.
A Wayland desktop is a compositor inside that X server (Weston). Every wait here is bounded."""

import ctypes
import io
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

WIDTH, HEIGHT = 640, 480
TITLE = "Gorvex Launcher"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, probe, timeout, step=0.05):
    """Calls probe until it gives something true; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(step)


def end(process):
    """Ends a server process: asked first, then killed."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=5)


CLIPBOARD_TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "clipboard.py")


class LineReader:
    """The lines a helper process writes, each waited for at most until the deadline."""

    def __init__(self, stream, timeout):
        self.stream = stream
        self.deadline = time.monotonic() + timeout

    def next(self):
        """The next line without its end, or None when the process ended or time ran out."""
        line = b""
        while not line.endswith(b"\n"):
            remaining = self.deadline - time.monotonic()
            ready, _, _ = select.select([self.stream], [], [], max(remaining, 0))
            chunk = os.read(self.stream.fileno(), 1) if ready else b""
            if not chunk:
                return None
            line += chunk
        return line.strip()


class XServer:
    """Xvfb on a free display, depth 24, no network; `without` names extensions it leaves
    out."""

    def __init__(self, size="1024x768", without=()):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24",
             "-nolisten", "tcp", "-noreset"] + [a for e in without for a in ("-extension", e)],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(read_end, 64) if ready else b""
            if not chunk:
                os.close(read_end)
                self.stop()
                raise Failure("Xvfb did not report a display")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        return env

    # What a program of the desktop (the launcher, its dialogs) is started with: here the X
    # server itself.
    client_env = env
    factor = 1

    def launcher_window(self, expected=None):
        """The launcher's window and its client area's corner on the screen, or None."""
        window = (self.windows_named(TITLE) or [None])[0]
        return (window, self.geometry(window)[:2]) if window else None

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def pid_of(self, window):
        return int(self.run("xdotool", "getwindowpid", str(window)).strip())

    def lose_display(self):
        """The display goes away under the launcher."""
        self.process.kill()
        self.process.wait(timeout=10)

    def run(self, *args, timeout=10, check_status=True):
        done = subprocess.run(list(args), env=self.env(), capture_output=True, timeout=timeout)
        if check_status and done.returncode != 0:
            raise Failure("%s failed: %s" % (args[0], done.stderr.decode(errors="replace")))
        return done.stdout.decode(errors="replace")

    def xdotool(self, *args, timeout=10):
        return self.run("xdotool", *[str(a) for a in args], timeout=timeout)

    def paste(self, text, timeout=10):
        """Pastes the text into the focused field in one step: ctrl+v, with the clipboard ours.
        False when the field did not take it."""
        owner = subprocess.Popen([sys.executable, CLIPBOARD_TOOL, "offer", str(timeout), text],
                                 env=self.env(), stdout=subprocess.PIPE)
        try:
            lines = LineReader(owner.stdout, timeout)
            check(lines.next() == b"ready", "could not own the clipboard")
            self.xdotool("key", "ctrl+v")
            return lines.next() == b"given"
        finally:
            owner.kill()
            owner.wait(timeout=5)

    def copied(self):
        """The text ctrl+c put on the clipboard, or None."""
        self.xdotool("key", "ctrl+c")
        for _ in range(20):
            done = subprocess.run([sys.executable, CLIPBOARD_TOOL, "read", "2"], env=self.env(),
                                  capture_output=True, timeout=10)
            if done.returncode == 0:
                return os.fsdecode(done.stdout)
            time.sleep(0.1)
        return None

    def enter_path(self, path):
        """Puts the path into the location field of the focused GTK 3 or 4 file chooser and
        checks that the field holds it, for the caller to press Return. Typed letter by
        letter, GTK 4's completion mixes names into the path: it is pasted whole, a completion
        selected behind it is deleted, and the field is copied back."""
        held = None
        deadline = time.monotonic() + 30  # a busy machine's chooser takes keys late
        while time.monotonic() < deadline:
            self.xdotool("key", "ctrl+l")
            time.sleep(0.3)
            self.xdotool("key", "ctrl+a")
            if self.paste(path):
                time.sleep(0.3)
                self.xdotool("key", "Delete", "ctrl+a")
                held = self.copied()
                if held == path:
                    self.xdotool("key", "End")
                    return
        raise Failure("the chooser's location field holds %r, not %r" % (held, path))

    def windows_named(self, name):
        """Mapped top-level windows with exactly this title. xwininfo reads every kind of
        title property; xdotool misses a box whose title is typed "UTF-8"."""
        out = self.run("xwininfo", "-root", "-children", check_status=False)
        found = []
        for line in out.splitlines():
            match = re.match(r'\s*(0x[0-9a-f]+) "(.*)": ', line)
            if match and match.group(2) == name and self.mapped(int(match.group(1), 16)):
                found.append(int(match.group(1), 16))
        return found

    def mapped(self, window):
        out = self.run("xwininfo", "-id", str(window), check_status=False)
        return "Map State: IsViewable" in out

    def find_window(self, name, timeout=10):
        return wait_until("a window named " + name,
                          lambda: (self.windows_named(name) or [None])[0], timeout)

    def geometry(self, window):
        """Left, top, right and bottom (exclusive) of a window on the screen."""
        out = self.run("xwininfo", "-id", str(window))
        values = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        x, y = int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])
        return x, y, x + int(values["Width"]), y + int(values["Height"])

    def screenshot(self):
        done = subprocess.run(["import", "-window", "root", "png:-"], env=self.env(),
                              capture_output=True, timeout=10)
        check(done.returncode == 0, "import failed")
        return Image.open(io.BytesIO(done.stdout)).convert("RGB")

    def send_close_request(self, window):
        """What a window manager's close button does: WM_PROTOCOLS / WM_DELETE_WINDOW."""
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        display = x11.XOpenDisplay(self.display.encode())
        check(display, "cannot open " + self.display)
        event = Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x11.XFlush(display)
        x11.XCloseDisplay(display)

    def stop(self):
        end(self.process)


class Weston(XServer):
    """A Wayland desktop: Weston inside a private X server (its X11 back end, the kiosk shell,
    which puts the launcher's window at the output's corner), one output of 640 x 480 points
    at `scale`. Programs of the desktop see only Wayland, or with `xwayland` an X display of
    Weston's too. xdotool and screenshots work on the X server below, where a point of the
    output is `scale` x `scale` pixels from the corner."""

    def __init__(self, size="1024x768", scale=1, xwayland=False):
        need_w, need_h = WIDTH * scale + 128, HEIGHT * scale + 64
        w, h = (int(v) for v in size.split("x"))
        XServer.__init__(self, "%dx%d" % (max(w, need_w), max(h, need_h)))
        self.factor = scale
        self.runtime = tempfile.mkdtemp(prefix="gorvex-wayland-")  # mode 0700, as required
        self.socket = "wayland-gorvex"
        self.log = os.path.join(self.runtime, "weston.log")
        self.x_display = None
        # Weston draws the pointer into the picture; until the X pointer comes in, it rests
        # at the point (100, 100).
        self.xdotool("mousemove", WIDTH * scale + 32, HEIGHT * scale + 32)
        self.pointer = (100 * scale, 100 * scale)
        self.compositor = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--shell=kiosk-shell.so",
             "--socket=" + self.socket, "--width=%d" % WIDTH, "--height=%d" % HEIGHT,
             "--scale=%d" % scale, "--use-pixman", "--idle-time=0", "--log=" + self.log]
            + (["--xwayland"] if xwayland else []),
            env=XServer.env(self, XDG_RUNTIME_DIR=self.runtime),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_until("Weston's socket", lambda: self.compositor.poll() is None
                       and os.path.exists(os.path.join(self.runtime, self.socket)), 15)
            if xwayland:
                self.x_display = wait_until("Weston's X display", self.xwayland_display, 15)
            self.output = wait_until("Weston's window", lambda: self.windows_named(
                "Weston Compositor - screen0") or None, 15)[0]
            # Weston's X11 back end drops the keyboard's focus when its window loses X's focus
            # and gives it back to the window that had it before: a dialog mapped in between
            # would never get a key. So the X focus is set once, before any client starts,
            # and stays, wherever the pointer goes.
            self.xdotool("windowfocus", "--sync", self.output)
        except BaseException:
            self.stop()
            raise

    def xdotool(self, *args, timeout=10):
        if args and args[0] == "mousemove":
            self.pointer = (int(args[-2]), int(args[-1]))
        return XServer.xdotool(self, *args, timeout=timeout)

    def hide_pointer(self, picture):
        """The picture of the output's corner with the pointer's sprite blanked where Weston
        last drew it (it stays at the output's edge once the pointer has left)."""
        k = self.factor
        x = min(max(self.pointer[0], 0), WIDTH * k - 1)
        y = min(max(self.pointer[1], 0), HEIGHT * k - 1)
        picture = picture.copy()
        picture.paste((0, 0, 0), (max(x - 4 * k, 0), max(y - 4 * k, 0), x + 36 * k, y + 36 * k))
        return picture

    def xwayland_display(self):
        with open(self.log, errors="replace") as f:
            match = re.search(r"xserver listening on display (:[0-9]+)", f.read())
        return match and match.group(1)

    def client_env(self, **extra):
        env = dict(os.environ, WAYLAND_DISPLAY=self.socket, XDG_RUNTIME_DIR=self.runtime)
        env.pop("DISPLAY", None)
        if self.x_display:
            env["DISPLAY"] = self.x_display
        env.update(extra)
        return env

    def launcher_window(self, expected=None):
        """The output's corner: the kiosk shell puts the one window there."""
        return (self.output, (0, 0))

    def windows_named(self, name):
        """Dialogs are Wayland windows: a dialog program on this desktop started with that
        title."""
        if name.startswith("Weston Compositor"):
            return XServer.windows_named(self, name)
        ours = b"XDG_RUNTIME_DIR=" + os.fsencode(self.runtime)
        found = []
        for pid in (p for p in os.listdir("/proc") if p.isdigit()):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    words = f.read().decode(errors="replace").split("\0")
                with open("/proc/%s/environ" % pid, "rb") as f:
                    environment = f.read().split(b"\0")
            except OSError:
                continue
            titled = "--title=" + name in words or ("--title" in words and name in words)
            if titled and ours in environment:
                found.append(int(pid))
        return found

    def find_window(self, name, timeout=10):
        """A dialog's process, once its window has changed the screen."""
        before = self.screenshot()
        pid = XServer.find_window(self, name, timeout)

        def changed():
            now = self.screenshot()
            # Pixels where any channel differs, counted by PIL rather than pixel by pixel.
            red, green, blue = ImageChops.difference(before, now).split()
            differing = sum(ImageChops.lighter(ImageChops.lighter(red, green), blue)
                            .histogram()[1:])
            return differing > WIDTH * HEIGHT * self.factor * self.factor // 10
        wait_until("the window of " + name, changed, timeout, step=0.2)
        time.sleep(0.3)  # keyboard focus follows the new window
        return pid

    def focus(self, window):
        """Nothing to do: Weston holds X's focus from the start and gives the keyboard to the
        newest window itself."""

    def pid_of(self, window):
        return window

    def lose_display(self):
        self.compositor.kill()
        self.compositor.wait(timeout=10)

    def stop(self):
        if getattr(self, "compositor", None):
            end(self.compositor)
        XServer.stop(self)
        if getattr(self, "runtime", None):
            shutil.rmtree(self.runtime, ignore_errors=True)


class Sway(Weston):
    """A Wayland desktop that scales fractionally: sway (wlroots' X11 back end inside the
    private X server, software rendering), one output of 640 x 480 points at `scale`, so
    960 x 720 pixels at 1.5, at the X server's corner. Every window floats there without a
    border, as the kiosk shell puts it. sway 1.8 and later tell clients the fractional scale."""

    def __init__(self, size="1024x768", scale=1.5):
        w, h = round(WIDTH * scale), round(HEIGHT * scale)
        self.begin(size, scale, "sway")
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("output X11-1 mode --custom %dx%d position 0 0 scale %g\n" % (w, h, scale)
                    + "default_border none\ndefault_floating_border none\n"
                    "for_window [title=\".*\"] floating enable, border none, move position 0 0\n"
                    "xwayland disable\n")
        self.start(["sway", "-c", config], (w + 32, h + 32))

    def begin(self, size, scale, name):
        w, h = (int(v) for v in size.split("x"))
        need_w, need_h = round(WIDTH * scale) + 128, round(HEIGHT * scale) + 64
        XServer.__init__(self, "%dx%d" % (max(w, need_w), max(h, need_h)))
        self.factor = scale
        self.name = name
        self.runtime = tempfile.mkdtemp(prefix="gorvex-%s-" % name)
        self.log = os.path.join(self.runtime, name + ".log")
        self.x_display = None

    def start(self, command, pointer):
        """Starts the compositor on wlroots' X11 back end, the X pointer out of its way."""
        self.xdotool("mousemove", *pointer)
        with open(self.log, "wb") as log:
            self.compositor = subprocess.Popen(
                command, env=XServer.env(self, XDG_RUNTIME_DIR=self.runtime, WLR_BACKENDS="x11",
                                         WLR_RENDERER="pixman", WLR_X11_OUTPUTS="1"),
                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            self.socket = wait_until(self.name + "'s socket", self.find_socket, 15)
            # The output's X window, the compositor's only one, has no name.
            self.output = wait_until(self.name + "'s window", lambda: re.findall(
                r"^\s+(0x[0-9a-f]+) ", self.run("xwininfo", "-root", "-children"), re.M)
                or None, 15)[0]
            self.xdotool("windowfocus", "--sync", self.output)
        except BaseException:
            self.stop()
            raise

    def find_socket(self):
        check(self.compositor.poll() is None, "%s ended: see %s" % (self.name, self.log))
        names = [n for n in os.listdir(self.runtime)
                 if n.startswith("wayland-") and not n.endswith(".lock")]
        return names[0] if names else None

    def hide_pointer(self, picture):
        """sway's pointer is the X server's own: it is not in the picture."""
        return picture


class Labwc(Sway):
    """A wlroots desktop that draws title bars itself: labwc, configured to prefer client-side
    title bars, which it still leaves to the compositor when the client asks for server-side
    ones, as the launcher does. The window goes where labwc places it; the page is found on
    the screen by its picture."""

    def __init__(self, size="1024x768"):
        self.begin(size, 1, "labwc")
        config = os.path.join(self.runtime, "labwc")
        os.makedirs(config)
        with open(os.path.join(config, "rc.xml"), "w") as f:
            f.write("<labwc_config><core><decoration>client</decoration></core></labwc_config>\n")
        w, h = (int(v) for v in size.split("x"))
        self.start(["labwc", "-C", config], (w - 1, h - 1))

    def launcher_window(self, expected=None):
        """Where the page's picture stands on the screen, or None."""
        if expected is None:
            return None
        found = find_picture(self.screenshot(), expected)
        return (self.output, found) if found else None


def find_picture(screen, picture):
    """The top-left corner where `picture` stands whole on `screen`, or None."""
    rows = [screen.crop((0, y, screen.width, y + 1)).tobytes() for y in range(screen.height)]
    first = picture.crop((0, 0, picture.width, 1)).tobytes()
    for y in range(screen.height - picture.height + 1):
        at = rows[y].find(first)
        while at >= 0:
            if at % 3 == 0:
                x = at // 3
                box = (x, y, x + picture.width, y + picture.height)
                if screen.crop(box).tobytes() == picture.tobytes():
                    return (x, y)
            at = rows[y].find(first, at + 1)
    return None


def kwin_version(kwin):
    """The release of the program `kwin`, as numbers: (6, 3, 6); () when unknown."""
    done = subprocess.run([kwin, "--version"], capture_output=True, timeout=30,
                          stdin=subprocess.DEVNULL)
    match = re.search(rb"\b(\d+)\.(\d+)(?:\.(\d+))?\b", done.stdout)
    return tuple(int(n) for n in match.groups() if n is not None) if match else ()


def seed_kwin_output(home, size, scale):
    """Output settings KWin 6 reads from HOME at its start: its one output (its window on
    the X server below) `size` pixels large at `scale`, at the corner."""
    os.makedirs(os.path.join(home, ".config"), exist_ok=True)
    output = {"connectorName": "X11-0", "scale": scale,
              "mode": {"width": size[0], "height": size[1], "refreshRate": 60000}}
    setup = {"lidClosed": False, "outputs": [{"enabled": True, "outputIndex": 0,
                                              "position": {"x": 0, "y": 0}, "priority": 0}]}
    with open(os.path.join(home, ".config", "kwinoutputconfig.json"), "w") as f:
        json.dump([{"name": "outputs", "data": [output]},
                   {"name": "setups", "data": [setup]}], f)


class KWin(Weston):
    """A Wayland desktop that scales by a fraction: KWin 5.27 or later inside a private X
    server, one output at `scale`, which KWin offers the window through
    wp_fractional_scale_v1. The output is larger than the window with its title bar, KWin's
    own or with `client_side` the launcher's (no decoration plugin for KWin); KWin places
    the window where it likes and the page is found there. xdotool and screenshots work on
    the X server below, where a point of the output is `scale` pixels wide."""

    MARGIN = 60  # points of the output beside and below the page, for title bar and borders

    def __init__(self, size="1024x768", scale=1.5, client_side=False):
        width, height = WIDTH + KWin.MARGIN, HEIGHT + KWin.MARGIN
        w, h = (int(v) for v in size.split("x"))
        XServer.__init__(self, "%dx%d" % (max(w, int(width * scale) + 128),
                                          max(h, int(height * scale) + 64)))
        self.factor = scale
        self.runtime = tempfile.mkdtemp(prefix="gorvex-kwin-")  # mode 0700, as required
        if client_side:
            os.makedirs(os.path.join(self.runtime, ".config"), exist_ok=True)
            with open(os.path.join(self.runtime, ".config", "kwinrc"), "w") as f:
                f.write("[org.kde.kdecoration2]\nNoPlugin=true\n")
        self.socket = "wayland-gorvex"
        self.log = os.path.join(self.runtime, "kwin.log")
        self.x_display = None
        self.pointer = (0, 0)
        # The package gives kwin_wayland a file capability that a container may refuse to
        # grant ("Operation not permitted"); a copy runs without it. It keeps its name: KWin
        # uses its own Qt platform plugin only in a program named kwin_wayland.
        kwin = os.path.join(self.runtime, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), kwin)
        if kwin_version(kwin) >= (6, 0):
            # KWin 6 takes an output's scale only from its saved output settings (--scale
            # would just enlarge its window): its window is the output's size in pixels.
            size = (round(width * scale), round(height * scale))
            seed_kwin_output(self.runtime, size, scale)
            size_options = ["--width=%d" % size[0], "--height=%d" % size[1]]
        else:
            size_options = ["--width=%d" % width, "--height=%d" % height, "--scale=%s" % scale]
        with open(self.log, "wb") as log:
            self.compositor = subprocess.Popen(
                ["dbus-run-session", kwin, "--x11-display", self.display, "--socket",
                 self.socket] + size_options + ["--no-lockscreen", "--no-global-shortcuts",
                                                "--no-kactivities"],
                env=XServer.env(self, XDG_RUNTIME_DIR=self.runtime, HOME=self.runtime),
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True)
        try:
            wait_until("KWin's socket", lambda: self.compositor.poll() is None
                       and os.path.exists(os.path.join(self.runtime, self.socket)), 30)
            # KWin 5 names its socket in its window's title, KWin 6 does not.
            titles = ["KDE Wayland Compositor%s - Press right control key to grab input" % s
                      for s in (" (%s)" % self.socket, "")]
            self.output = wait_until("KWin's window", lambda: self.windows_named(titles[0])
                                     or self.windows_named(titles[1]) or None, 15)[0]
            self.xdotool("windowfocus", "--sync", self.output)
        except BaseException:
            self.stop()
            raise

    def windows_named(self, name):
        if name.startswith("KDE Wayland Compositor"):
            return XServer.windows_named(self, name)
        return Weston.windows_named(self, name)

    def hide_pointer(self, picture):
        return picture  # the pointer is the X server's, not in the picture

    def launcher_window(self, expected=None):
        """The output and where the page's corner shows on it, below the title bar."""
        origin = self.page_origin(expected) if expected is not None else (0, 0)
        return (self.output, origin) if origin else None

    def page_origin(self, expected):
        """Where the page's corner is: the first place, row by row, from which the page's top
        band shows by the fractional rule; None before it shows."""
        k = self.factor
        bounds = enlarged_bounds(expected.crop((0, 0, 60, 8)), k)
        shot = self.screenshot()
        pixels = shot.load()
        corner = expected.getpixel((0, 0))  # the first screen pixel lies inside it
        size = bounds[0].size
        reach = int(round(KWin.MARGIN * k))
        for y in range(reach + 1):
            for x in range(reach + 1):
                if pixels[x, y] == corner and within(
                        shot.crop((x, y, x + size[0], y + size[1])), bounds):
                    return (x, y)
        return None

    def lose_display(self):
        self.stop_compositor(signal.SIGKILL)

    def stop_compositor(self, how=signal.SIGTERM):
        """dbus-run-session does not pass an ending on to KWin: the whole group goes."""
        if getattr(self, "compositor", None) and self.compositor.poll() is None:
            try:
                os.killpg(self.compositor.pid, how)
                self.compositor.wait(timeout=10)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                os.killpg(self.compositor.pid, signal.SIGKILL)
                self.compositor.wait(timeout=10)
        try:
            os.killpg(self.compositor.pid, signal.SIGKILL)  # what is left of the group
        except (ProcessLookupError, AttributeError):
            pass

    def stop(self):
        self.stop_compositor()
        Weston.stop(self)



# The desktops the session can be: GORVEX_E2E_DESKTOP names one (X11 when unset).
DESKTOPS = {
    "x11": XServer,
    # A server without shared memory for images (as one reached over the network is) and
    # without a screen saver to suspend.
    "x11-bare": lambda size: XServer(size, without=("MIT-SHM", "MIT-SCREEN-SAVER")),
    "wayland": lambda size: Weston(size),
    "wayland-2": lambda size: Weston(size, scale=2),
    "wayland-3": lambda size: Weston(size, scale=3),
    "xwayland-2": lambda size: Weston(size, scale=2, xwayland=True),
    "sway-1.5": lambda size: Sway(size, scale=1.5),
    "labwc": lambda size: Labwc(size),
    "kwin-1.5": lambda size: KWin(size, scale=1.5),
    "kwin-csd-1.5": lambda size: KWin(size, scale=1.5, client_side=True),
}


def enlarged_bounds(picture, k):
    """The least and the most each pixel of `picture` enlarged `k` times may show, channel by
    channel: inside a source pixel its own colour exactly; a pixel that straddles two or
    four source pixels anything between their colours. At a whole k both are the plain
    enlargement."""
    if k == int(k):
        k = int(k)
        plain = picture.resize((picture.width * k, picture.height * k), Image.NEAREST)
        return plain, plain
    w, h = round(picture.width * k), round(picture.height * k)

    def first(i, n):  # the source pixel where target pixel i begins, and where it ends
        return min(int(i / k), n - 1)

    def last(i, n):
        return min(int((i + 1) / k - 1e-9), n - 1)

    def gather(columns, rows):
        wide = Image.new(picture.mode, (w, picture.height))
        for x in range(w):
            c = columns(x, picture.width)
            wide.paste(picture.crop((c, 0, c + 1, picture.height)), (x, 0))
        out = Image.new(picture.mode, (w, h))
        for y in range(h):
            r = rows(y, picture.height)
            out.paste(wide.crop((0, r, w, r + 1)), (0, y))
        return out
    corners = [gather(c, r) for c in (first, last) for r in (first, last)]
    low, high = corners[0], corners[0]
    for corner in corners[1:]:
        low, high = ImageChops.darker(low, corner), ImageChops.lighter(high, corner)
    return low, high


def within(picture, bounds):
    """Whether every channel of every pixel lies within the bounds of enlarged_bounds."""
    low, high = bounds
    return (ImageChops.subtract(low, picture).getbbox() is None
            and ImageChops.subtract(picture, high).getbbox() is None)


def desktop(size="1024x768"):
    name = os.environ.get("GORVEX_E2E_DESKTOP", "x11")
    if name.startswith("sway-") and name not in DESKTOPS:  # sway at any scale, by hand
        return Sway(size, scale=float(name[len("sway-"):]))
    return DESKTOPS[name](size)


STAND_IN = """#!/bin/sh
# Stand-in emulator: records how it was started, then ends.
{ echo "pid=$$"; echo "cwd=$(pwd -P)"; for a in "$@"; do echo "arg=$a"; done
  for f in /proc/$$/fd/*; do echo "fd=$(readlink "$f")"; done; } > '%s.part'
mv '%s.part' '%s'
"""


def bmp_with_pattern(path):
    """An 8-bit picture that uses every colour index in bands and a checkerboard."""
    picture = Image.new("P", (WIDTH, HEIGHT))
    picture.putpalette([(i * 37 + k * 91) % 256 for i in range(256) for k in range(3)])
    picture.putdata([((x // 5) ^ (y // 3)) % 256 for y in range(HEIGHT) for x in range(WIDTH)])
    picture.save(path)


def launcher_dir(bin_dir):
    """Where gorvex-launcher and gorvex-cmd come from: GORVEX_E2E_LAUNCHER_DIR, a build for
    another machine (aarch64), or else bin_dir."""
    return os.environ.get("GORVEX_E2E_LAUNCHER_DIR") or bin_dir


def launcher_command(path):
    """The command that starts the launcher at path: GORVEX_E2E_LAUNCHER_RUNNER (such as
    qemu-aarch64-static, where the kernel cannot start the program itself) before it."""
    return os.environ.get("GORVEX_E2E_LAUNCHER_RUNNER", "").split() + [path]


class GameFolder:
    """A throwaway launcher folder: the launcher, gorvex-cmd, CFG/INTERPIC.bmp, roms/ and,
    unless told otherwise, the stand-in emulator."""

    def __init__(self, bin_dir, name="game", emulator=True):
        self.temp = tempfile.mkdtemp(prefix="gorvex-e2e-")
        self.path = os.path.join(self.temp, name)
        self.record = os.path.join(self.temp, "record")
        self.bin_dir = bin_dir
        os.makedirs(os.path.join(self.path, "CFG"))
        os.makedirs(os.path.join(self.path, "roms"))
        # Copies, not links: the launcher finds its folder from its own resolved path.
        programs = launcher_dir(bin_dir)
        shutil.copy2(os.path.join(programs, "gorvex-launcher"), self.path)
        if os.path.exists(os.path.join(programs, "gorvex-cmd")):
            shutil.copy2(os.path.join(programs, "gorvex-cmd"), self.path)
        bmp_with_pattern(os.path.join(self.path, "CFG", "INTERPIC.bmp"))
        if emulator:
            script = os.path.join(self.path, "gorvex.exe")
            with open(script, "w") as f:
                f.write(STAND_IN % (self.record, self.record, self.record))
            os.chmod(script, 0o755)

    def file(self, *parts):
        return os.path.join(self.path, *parts)

    def snapshot(self, pressed=None):
        """The start screen as gorvex-snapshot draws it from the same folder, in RGB;
        with a slot, that widget in its pressed look."""
        tool = os.path.join(self.path, "gorvex-snapshot")
        shutil.copy2(os.path.join(self.bin_dir, "gorvex-snapshot"), tool)
        out = os.path.join(self.temp, "snapshot.bmp")
        press = ["--press", str(pressed)] if pressed is not None else []
        done = subprocess.run([tool, out] + press, cwd=self.path, capture_output=True,
                              timeout=30)
        os.unlink(tool)
        check(done.returncode == 0, "gorvex-snapshot failed: %r" % done.stderr)
        return Image.open(out).convert("RGB")

    def recorded(self):
        """The stand-in's record as (pid, cwd, args, open files), or None before it ran."""
        if not os.path.exists(self.record):
            return None
        with open(self.record, "rb") as f:
            lines = f.read().decode("utf-8", "surrogateescape").splitlines()
        values = [line.split("=", 1) for line in lines]
        pid = int(values[0][1])
        cwd = values[1][1]
        return (pid, cwd, [v for k, v in values[2:] if k == "arg"],
                [v for k, v in values[2:] if k == "fd"])

    def remove(self):
        shutil.rmtree(self.temp, ignore_errors=True)


class Launcher:
    """The launcher started in its folder on a private X server."""

    def __init__(self, server, game, env=None, cwd=None):
        self.server = server
        self.game = game
        self.stderr_path = os.path.join(game.temp, "stderr")
        self.stderr = open(self.stderr_path, "wb")
        # A descriptor the launcher inherits and must not pass on to what it starts.
        self.marker = os.path.join(game.temp, "inherited-descriptor")
        # What each poll of the main loop saw: steps wait until the loop has seen them.
        log, self.poll_log = tempfile.mkstemp(prefix="polls-", dir=game.temp)
        os.close(log)
        self.polls_taken = 0
        env = dict(env or server.env(), GORVEX_POLL_LOG=self.poll_log)
        with open(self.marker, "wb") as marker:
            self.process = subprocess.Popen(
                launcher_command(game.file("gorvex-launcher")), cwd=cwd or game.path,
                env=env,
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.stderr,
                pass_fds=[marker.fileno()])
        self.window = None
        self.origin = (0, 0)

    def wait_for_start_screen(self, expected, timeout=30):
        """Waits until the window shows the expected start screen; the loop then runs."""
        def window_or_end():
            check(self.alive(), "the launcher ended with %s (Xvfb on %s %s)"
                  % (self.process.poll(), self.server.display,
                     "running" if self.server.process.poll() is None else "gone"))
            return self.server.launcher_window(expected)
        self.window, self.origin = wait_until("the launcher's window", window_or_end, timeout)
        self.shows(expected, timeout=timeout)

    def shows(self, expected, rows=(0, HEIGHT), timeout=15):
        """Waits until the window's rows first..last-1 show the expected picture's, each
        pixel a k x k block on a desktop scaled k times (at a fractional k, the rule of
        enlarged_bounds)."""
        k = self.server.factor
        box = (0, round(rows[0] * k), round(WIDTH * k), round(rows[1] * k))
        hide = getattr(self.server, "hide_pointer", lambda picture: picture)
        low, high = (hide(b).crop(box) for b in enlarged_bounds(expected, k))
        wait_until("rows %d..%d as expected" % (rows[0], rows[1] - 1),
                   lambda: within(hide(self.window_pixels()).crop(box), (low, high)),
                   timeout, step=0.1)

    def window_pixels(self):
        """The window's client area as the screen shows it, k x k pixels a point."""
        x, y = self.origin
        k = self.server.factor
        return self.server.screenshot().crop((x, y, x + round(WIDTH * k), y + round(HEIGHT * k)))

    def move(self, x, y):
        """To the middle of page pixel (x, y); at a whole scale its top-left screen pixel."""
        ox, oy = self.origin
        k = self.server.factor
        if k == int(k):
            self.server.xdotool("mousemove", ox + x * k, oy + y * k)
        else:
            self.server.xdotool("mousemove", ox + int((x + 0.5) * k), oy + int((y + 0.5) * k))

    def click(self, x, y, button=1, hold=0.1):
        """A human-length click: press, hold, release."""
        self.move(x, y)
        self.server.xdotool("mousedown", button)
        time.sleep(hold)
        self.server.xdotool("mouseup", button)

    def alive(self):
        return self.process.poll() is None

    def polled(self, what, buttons, at=None, timeout=30):
        """Waits until a poll of the main loop after the ones waited for so far saw `buttons`
        (at page pixel `at`, if given; (-1, -1) with buttons -1 when the pointer is off the
        page): the loop has then acted on everything before it."""
        self.polled_if(what, lambda x, y, held: held == buttons
                       and (at is None or (x, y) == tuple(at)), timeout)

    def polled_if(self, what, wanted, timeout=30):
        """Waits until a poll after the ones waited for so far saw x, y and buttons for which
        `wanted` holds. Fails at once if the launcher ended meanwhile."""
        def seen():
            with open(self.poll_log) as f:
                lines = f.read().split("\n")[:-1]  # whole lines only
            for number in range(self.polls_taken, len(lines)):
                if wanted(*(int(v) for v in lines[number].split())):
                    self.polls_taken = number + 1
                    return True
            check(self.alive(), "the launcher ended before its loop saw %s%s" % (
                what, ": %r" % (self.game.recorded(),) if self.game.recorded() else ""))
            return False
        try:
            wait_until("the loop to see " + what, seen, timeout, step=0.02)
        except Failure as e:
            with open(self.poll_log) as f:
                since = f.read().split("\n")[self.polls_taken:-1]
            raise Failure("%s; the polls since: %s" % (e, " | ".join(since[-8:]) or "none"))

    def idle_after(self, what):
        """The loop saw the buttons released, after all that came before, and acted on none
        of it: nothing was started and the launcher runs on."""
        self.polled(what, 0)
        check(self.game.recorded() is None,
              "the emulator was started: %r" % (self.game.recorded(),))
        check(self.alive(), "the launcher ended")

    def wait_exit(self, timeout=10):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the launcher did not end")

    def wait_hand_over(self, arguments, timeout=30):
        """The stand-in ran in the launcher's process, in its folder, with these arguments."""
        record = wait_until("the emulator to start", self.game.recorded, timeout)
        pid, cwd, args, files = record
        check(self.marker not in files, "the emulator inherited the launcher's descriptor")
        check(pid == self.process.pid, "emulator pid %d, launcher pid %d"
              % (pid, self.process.pid))
        check(os.fsencode(cwd) == os.fsencode(os.path.realpath(self.game.path)),
              "emulator started in %r" % cwd)
        check(args == arguments, "emulator arguments %r" % args)
        check(self.wait_exit() == 0, "the stand-in's process did not end with 0")

    def stays_idle(self, seconds=0.4):
        """Nothing happened: the launcher runs on and nothing was started."""
        time.sleep(seconds)
        check(self.game.recorded() is None, "the emulator was started: %r" % (self.game.recorded(),))
        check(self.alive(), "the launcher ended with %s" % self.process.poll())

    def errors(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    def finish(self):
        if self.alive():
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)
        self.stderr.close()
        report = self.errors()
        if report:
            sys.stderr.write("launcher stderr:\n" + report)
        for marker in ("ThreadSanitizer", "AddressSanitizer", "runtime error:"):
            check(marker not in report, "sanitizer report:\n" + report)


def screenshot_of_launcher(folder, out, scaled=False):
    """Starts the launcher of `folder` there in a private X server, saves its window as the
    PNG `out` once it shows its screen, and ends both. `scaled`: on a 4K screen set to 200 %."""
    server = XServer("3840x2160" if scaled else "1024x768")
    launcher = None
    try:
        if scaled:
            subprocess.run(["xrdb", "-merge"], input=b"Xft.dpi: 192\n", env=server.env(),
                           check=True, timeout=10)
        launcher = subprocess.Popen(["./gorvex-launcher"], cwd=folder,
                                    env=server.env(GSETTINGS_BACKEND="memory"),
                                    stdin=subprocess.DEVNULL)
        window = server.find_window(TITLE, timeout=15)
        x, y, right, bottom = server.geometry(window)
        time.sleep(0.5)  # the first frames
        server.screenshot().crop((x, y, right, bottom)).save(out)
    finally:
        if launcher is not None and launcher.poll() is None:
            launcher.kill()
            launcher.wait(timeout=10)
        server.stop()


if __name__ == "__main__":
    # harness.py shot FOLDER OUT.png [--scaled]: a screenshot of the launcher in FOLDER.
    if len(sys.argv) not in (4, 5) or sys.argv[1] != "shot" or sys.argv[4:] not in ([],
                                                                                    ["--scaled"]):
        sys.exit("usage: harness.py shot FOLDER OUT.png [--scaled]")
    try:
        screenshot_of_launcher(sys.argv[2], sys.argv[3], scaled=len(sys.argv) == 5)
    except Failure as e:
        sys.exit("harness.py: %s" % e)
