#!/usr/bin/python3
"""End-to-end checks of the launcher in a real X server.
    launcher_e2e.py BIN_DIR CASE
BIN_DIR holds gorvex-launcher, gorvex-snapshot and gorvex-cmd."""

import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import time

import xdnd
from PIL import Image

from harness import (HEIGHT, TITLE, WIDTH, Failure, GameFolder, Launcher, Weston, check, desktop,
                     wait_until)

# The status of a case that cannot run here (CTest's SKIP_RETURN_CODE).
SKIPPED = 77


class Skipped(Exception):
    """The case needs what this machine does not allow."""

GAME = ["-noconsole", "-conf", "CFG/gorvex.cnf"]
EDITOR = ["-noconsole", "-conf", "CFG/editor.cnf"]
SETUP = ["-noconsole", "-conf", "CFG/setup.cnf"]
PLUSMOD = ["-noconsole", "-conf", "CFG/plusmod.cnf"]

# Points inside the widgets (screen coordinates).
BUTTON = {1: (300, 165), 2: (300, 210), 3: (300, 255), 4: (300, 300)}
EXIT = (39, 467)
NOWHERE = (50, 300)

DIALOG_TITLE = "Выбири WAD-ник под Gorvex"
NO_FILE_CAPTION = "ОЙ Игрушка потерялась!"
TROUBLE_CAPTION = "Такая вышла бОтва!"


class Session:
    """One X server of `size`, one game folder, one launcher; unless `wait` is off, the
    launcher shows its start screen (`expected`, as the snapshot draws it) at 640 x 480.
    `resources` are merged into the X resources, `manager` starts a window manager,
    `prepare(game)` changes the folder before the snapshot, and `cwd` names a folder beside
    the game folder that is made and started from."""

    def __init__(self, bin_dir, folder_name="game", emulator=True, path=None, size="1024x768",
                 resources=None, manager=False, prepare=None, cwd=None, wait=True):
        self.server = desktop(size)
        self.bin_dir = bin_dir
        self.game = GameFolder(bin_dir, folder_name, emulator)
        # The window manager first, settled before the launcher maps its window, as on a
        # desktop: a manager still starting up can take the window's first map and keep it
        # from showing. Openbox runs its start-up command once it is ready.
        ready = os.path.join(self.game.temp, "manager-ready")
        self.manager = subprocess.Popen(
            ["openbox", "--sm-disable", "--startup", "touch '%s'" % ready],
            env=self.server.env(), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL) if manager else None
        self.path = path
        self.launcher = None
        try:
            if manager:
                wait_until("the window manager", lambda: os.path.exists(ready), 15)
            if resources:
                subprocess.run(["xrdb", "-merge"], input=resources.encode(),
                               env=self.server.env(), check=True, timeout=10)
            if prepare:
                prepare(self.game)
            self.cwd = None
            if cwd:
                self.cwd = os.path.join(self.game.temp, cwd)
                os.mkdir(self.cwd)
            self.expected = self.game.snapshot()
            self.launcher = self.start()
            if wait:
                self.launcher.wait_for_start_screen(self.expected)
        except BaseException:
            self.close()
            raise

    def start(self, **extra):
        """Another launcher of the game folder on the same desktop, `extra` in its
        environment."""
        env = self.server.client_env(HOME=self.game.temp, GSETTINGS_BACKEND="memory", **extra)
        if self.path is not None:
            env["PATH"] = self.path(self.game)
        return Launcher(self.server, self.game, env, cwd=self.cwd)

    def close(self):
        # With GORVEX_E2E_SHOTS set, the screen as it was at the end, for a look afterwards.
        shots = os.environ.get("GORVEX_E2E_SHOTS")
        if shots and self.server.process.poll() is None:
            os.makedirs(shots, exist_ok=True)
            self.server.screenshot().save(os.path.join(shots, "%s-%d.png" % (
                os.path.basename(self.game.path).encode("ascii", "replace").decode(),
                os.getpid())))
        try:
            if self.launcher:
                self.launcher.finish()
        finally:
            if self.manager:
                self.manager.kill()
                self.manager.wait(timeout=10)
            self.server.stop()
            self.game.remove()


# --- Clicks on the main screen ---

def case_pixels(s):
    # The start screen itself was compared while waiting for it: the palette and every
    # pixel came through the window. Hovering must not change it, and the window paints
    # itself again after being hidden.
    expected = s.game.snapshot()
    s.launcher.move(*BUTTON[1])
    s.launcher.idle_after("the pointer over button 1")
    s.launcher.shows(expected)
    s.server.xdotool("windowunmap", "--sync", s.launcher.window)
    s.server.xdotool("windowmap", "--sync", s.launcher.window)
    s.launcher.shows(expected)
    check(not s.launcher.errors(), "a normal start printed: %r" % s.launcher.errors())


def button_case(number, arguments):
    def case(s):
        s.launcher.click(*BUTTON[number])
        s.launcher.wait_hand_over(arguments)
    return case


def case_border(s):
    s.launcher.click(170, 160)
    s.launcher.polled("the press on the border", 1, at=(170, 160))
    s.launcher.idle_after("the release on the border")
    s.launcher.click(171, 160)
    s.launcher.wait_hand_over(GAME)


def case_slide(s):
    # A press outside every widget latches: sliding onto a button and letting go does nothing.
    # Each step waits until the loop has seen it (a loop that sees the press only once the
    # pointer is on the button acts there).
    s.launcher.move(*NOWHERE)
    s.server.xdotool("mousedown", 1)
    s.launcher.polled("the press outside every widget", 1, at=NOWHERE)
    for step in range(1, 6):
        x = NOWHERE[0] + (BUTTON[1][0] - NOWHERE[0]) * step // 5
        y = NOWHERE[1] + (BUTTON[1][1] - NOWHERE[1]) * step // 5
        s.launcher.move(x, y)
        time.sleep(0.03)
    s.launcher.polled("the held press on button 1", 1, at=BUTTON[1])
    s.server.xdotool("mouseup", 1)
    s.launcher.idle_after("the release on button 1")
    s.launcher.click(*BUTTON[1])
    s.launcher.wait_hand_over(GAME)


def case_other_buttons(s):
    s.launcher.click(*BUTTON[1], button=3)
    s.launcher.polled("the right button", 2, at=BUTTON[1])
    s.launcher.idle_after("the right button released")
    # Left pressed while right is held is not the left button alone. (Seen only after both
    # were released, a press of the left button alone would be reported.)
    s.server.xdotool("mousedown", 3)
    s.server.xdotool("mousedown", 1)
    s.launcher.polled("both buttons held", 3, at=BUTTON[1])
    s.server.xdotool("mouseup", 1)
    s.server.xdotool("mouseup", 3)
    s.launcher.idle_after("both buttons released")
    s.launcher.click(*BUTTON[1])
    s.launcher.wait_hand_over(GAME)


def case_drag_out(s):
    # Dragging off the window with the button held reports no position; coming back in still
    # holds the press, which acts on nothing since it started outside a widget. Each step
    # waits until the loop has seen it.
    s.launcher.move(*NOWHERE)
    s.server.xdotool("mousedown", 1)
    s.launcher.polled("the press inside", 1, at=NOWHERE)
    s.launcher.move(WIDTH + 50, 100)
    # X reports no position off the window; Weston holds its pointer at the output's edge.
    s.launcher.polled_if("the pointer dragged off", lambda x, y, held: held != 0
                         and (x, y) != NOWHERE)
    s.launcher.move(*BUTTON[2])
    # Weston in an X server may hold its pointer at the output's edge and then move it back by
    # the X pointer's motion, landing it left of where xdotool put it: anywhere on button 2
    # (x 170-470, y 195-225) will do.
    s.launcher.polled_if("the held press back on button 2", lambda x, y, held: held == 1
                         and 170 <= x <= 470 and 195 <= y <= 225)
    s.server.xdotool("mouseup", 1)
    s.launcher.idle_after("the release on button 2")
    s.launcher.click(*BUTTON[2])
    s.launcher.wait_hand_over(EDITOR)


def case_quick_click(s):
    s.launcher.move(*BUTTON[1])
    s.server.xdotool("click", 1)
    s.launcher.wait_hand_over(GAME)


def case_exit(s):
    s.launcher.click(*EXIT)
    check(s.launcher.wait_exit() == 0, "EXIT did not end with status 0")
    check(s.game.recorded() is None, "EXIT started the emulator")


def case_close_request(s):
    for _ in range(3):
        s.server.send_close_request(s.launcher.window)
        time.sleep(0.1)
    s.launcher.stays_idle(0.5)
    check(s.launcher.window in s.server.windows_named("Gorvex Launcher"),
          "the window went away")
    s.launcher.click(*BUTTON[3])
    s.launcher.wait_hand_over(SETUP)


# --- Mods and failures ---

def open_fds(pid):
    """What each descriptor of a process refers to, as (device, inode, name); anonymous
    inodes left out. Two processes' memory files may share a name, never an inode."""
    targets = {}
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            target = os.readlink("/proc/%d/fd/%s" % (pid, fd))
            st = os.stat("/proc/%d/fd/%s" % (pid, fd))
        except OSError:
            continue
        if not target.startswith("anon_inode:"):
            targets[int(fd)] = (st.st_dev, st.st_ino, target)
    return targets


def dialog_pid(window, s):
    return s.server.pid_of(window)


def ended(pid, timeout):
    """Whether the process has ended (or waits to be reaped) within `timeout` seconds."""
    def gone():
        try:
            with open("/proc/%d/status" % pid) as f:
                return "\nState:\tZ" in f.read()
        except OSError:
            return True
    try:
        return wait_until("process %d to end" % pid, gone, timeout)
    except Failure:
        return False


def press_until_ended(s, key, pid, what):
    """Presses the key until the process has ended: a busy desktop may hand a new window its
    keyboard late."""
    def pressed():
        s.server.xdotool("key", key)
        return ended(pid, 1.0)
    wait_until(what, pressed, 15, step=0)


def dialog_answer(s, path, check_descriptors=False):
    """Waits for the file dialog and enters a path into it, or presses Escape for None."""
    window = s.server.find_window(DIALOG_TITLE, timeout=20)
    if check_descriptors:
        ours = set(open_fds(s.launcher.process.pid).values())
        check(s.launcher.marker in {name for _, _, name in ours},
              "the launcher lost its inherited descriptor")
        for fd, target in open_fds(dialog_pid(window, s)).items():
            check(fd <= 2 or target not in ours or target[2] == "/dev/null",
                  "the dialog inherited descriptor %d: %s" % (fd, target[2]))
    s.server.focus(window)
    time.sleep(0.2)
    if path is None:
        press_until_ended(s, "Escape", dialog_pid(window, s), "the dialog to close")
        return
    s.server.enter_path(path)
    s.server.xdotool("key", "Return")


def install_case(folder_name, wad_folder, wad_name, typed):
    """Chooses a WAD in the dialog by entering `typed` (the full path, or a name relative to
    the dialog's starting folder, which is the launcher's). Cyrillic parts of a path come
    from the folders, not from what is entered."""
    def case(bin_dir):
        s = Session(bin_dir, folder_name)
        try:
            source_dir = os.path.join(s.game.temp, wad_folder)
            os.makedirs(source_dir, exist_ok=True)
            source = os.path.join(source_dir, wad_name)
            content = os.urandom(70000)
            with open(source, "wb") as f:
                f.write(content)
            s.launcher.click(*BUTTON[4])
            dialog_answer(s, typed(source), check_descriptors=True)
            s.launcher.wait_hand_over(PLUSMOD)
            with open(s.game.file("roms", "temp.wad"), "rb") as f:
                check(f.read() == content, "roms/temp.wad differs from the chosen file")
            check(not os.path.exists(s.game.file("temp.bat")), "temp.bat was left behind")
        finally:
            s.close()
    return case


def case_mod_cancelled(bin_dir):
    s = Session(bin_dir)
    try:
        with open(s.game.file("roms", "temp.wad"), "wb") as f:
            f.write(b"an older level")
        s.launcher.click(*BUTTON[4])
        dialog_answer(s, None)
        s.launcher.wait_hand_over(PLUSMOD)
        check(not os.path.exists(s.game.file("roms", "temp.wad")), "the old temp.wad stayed")
        check(not os.path.exists(s.game.file("temp.bat")), "temp.bat was left behind")
    finally:
        s.close()


def path_without_choosers(game):
    """A search path with only what the stand-in emulator needs: no zenity, no kdialog."""
    folder = os.path.join(game.temp, "bin")
    os.mkdir(folder)
    for tool in ("readlink", "mv"):
        os.symlink(shutil.which(tool), os.path.join(folder, tool))
    return folder


def case_no_chooser(bin_dir):
    # No file chooser is no cancel: a box says so, and nothing changes on disk.
    s = Session(bin_dir, path=path_without_choosers)
    try:
        with open(s.game.file("roms", "temp.wad"), "wb") as f:
            f.write(b"an older level")
        s.launcher.click(*BUTTON[4])
        dismiss_box(s, TROUBLE_CAPTION)
        check("install zenity" in s.launcher.errors(), "stderr: %r" % s.launcher.errors())
        check(s.game.recorded() is None, "the emulator was started")
        with open(s.game.file("roms", "temp.wad"), "rb") as f:
            check(f.read() == b"an older level", "roms/temp.wad changed")
        check(not os.path.exists(s.game.file("temp.bat")), "temp.bat was written")
    finally:
        s.close()


def dismiss_box(s, caption):
    box = s.server.find_window(caption, timeout=15)
    s.server.focus(box)
    time.sleep(0.2)
    press_until_ended(s, "Return", s.launcher.process.pid, "the box to end the launcher")
    check(s.launcher.wait_exit() == 0, "the box did not end the launcher with status 0")


def case_no_emulator(bin_dir):
    s = Session(bin_dir, emulator=False)
    try:
        s.launcher.click(*BUTTON[1])
        dismiss_box(s, NO_FILE_CAPTION)
        check("gorvex.exe in %s cannot be started: No such file or directory; on Linux link it "
              "to DOSBox: ln -s /usr/bin/dosbox gorvex.exe" % os.path.realpath(s.game.path)
              in s.launcher.errors(), "stderr: %r" % s.launcher.errors())
    finally:
        s.close()


def case_icon(s):
    """The window carries the launcher's icon: _NET_WM_ICON holds the 48-pixel picture of the
    icon file that the build drew. On Wayland the desktop finds the icon through the app id,
    which names the menu entry as WM_CLASS does on X11."""
    if isinstance(s.server, Weston):
        s.launcher.finish()
        s.launcher = Launcher(s.server, s.game, s.server.client_env(
            HOME=s.game.temp, WAYLAND_DEBUG="client"))
        s.launcher.wait_for_start_screen(s.expected)
        log = s.launcher.errors()
        check('set_app_id("gorvex-launcher")' in log and 'set_title("%s")' % TITLE in log,
              "no app id or title in the protocol log")
        return
    prop = s.server.run("xprop", "-id", str(s.launcher.window), "-notype", "32c", "_NET_WM_ICON")
    values = [int(v) for v in prop.split("=", 1)[1].replace(",", " ").split()]
    check(values[:2] == [48, 48] and len(values) == 2 + 48 * 48, "_NET_WM_ICON: %r" % prop[:80])
    ico = Image.open(os.path.join(s.game.bin_dir, "..", "icon", "gorvex-launcher.ico"))
    drawn = ico.ico.getimage((48, 48)).convert("RGBA")
    shown = [((v >> 16) & 255, (v >> 8) & 255, v & 255, v >> 24) for v in values[2:]]
    check(shown == list(drawn.getdata()), "the window's icon differs from the drawn one")
    # The menu entry's StartupWMClass names the window's class.
    wm_class = s.server.run("xprop", "-id", str(s.launcher.window), "WM_CLASS")
    check('"gorvex-launcher"' in wm_class, "WM_CLASS: %r" % wm_class)


def case_other_folder(bin_dir):
    """Started from another folder (a shortcut without one): the picture still shows, and
    without any picture stderr says which file is missing."""
    s = Session(bin_dir, cwd="elsewhere")
    try:
        s.launcher.click(*EXIT)
        check(s.launcher.wait_exit() == 0, "EXIT did not end with status 0")
        check("background picture" not in s.launcher.errors(), s.launcher.errors())
        s.launcher.finish()

        os.unlink(s.game.file("CFG", "INTERPIC.bmp"))
        s.launcher = s.start()
        s.launcher.wait_for_start_screen(s.game.snapshot())
        check("the background picture CFG/INTERPIC.bmp (in the current folder or in %s) cannot "
              "be opened" % os.path.realpath(s.game.path) in s.launcher.errors(),
              "stderr: %r" % s.launcher.errors())
    finally:
        s.close()


def case_batch_not_created(bin_dir):
    s = Session(bin_dir)
    try:
        os.mkdir(s.game.file("temp.bat"))  # cannot be written, and is no file to run
        s.launcher.click(*BUTTON[4])
        dialog_answer(s, None)
        # Below the box, the window shows the pressed button again where the dialog was.
        box = s.server.find_window(TROUBLE_CAPTION, timeout=15)
        box_bottom = s.server.geometry(box)[3] - s.launcher.origin[1]
        s.launcher.shows(s.game.snapshot(pressed=4), rows=(max(box_bottom, 0), HEIGHT))
        dismiss_box(s, TROUBLE_CAPTION)
        check(s.game.recorded() is None, "the emulator was started")
    finally:
        s.close()


def case_no_display(bin_dir):
    game = GameFolder(bin_dir)
    try:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        done = subprocess.run([game.file("gorvex-launcher")], cwd=game.path, env=env,
                              capture_output=True, timeout=20)
        err = done.stderr.decode(errors="replace")
        check(done.returncode == 1, "status %d without a display" % done.returncode)
        # Libraries that probe for a display may talk first; ours is the one last line.
        lines = err.splitlines()
        ours = [line for line in lines if line.startswith("gorvex-launcher: cannot open a window: "
                                                          "DISPLAY and WAYLAND_DISPLAY are unset")]
        check(len(ours) == 1 and ours[0] == lines[-1], "stderr: %r" % err)
        # With a display named that cannot be reached, the line names it.
        env["DISPLAY"] = ":4095"
        done = subprocess.run([game.file("gorvex-launcher")], cwd=game.path, env=env,
                              capture_output=True, timeout=20)
        err = done.stderr.decode(errors="replace")
        check(done.returncode == 1 and 'gorvex-launcher: cannot open display ":4095": '
              in err.splitlines()[-1], "stderr: %r" % err)
    finally:
        game.remove()


# --- Hostile names and files ---

OLD_LEVEL = b"the older level"


class Victim:
    """A folder outside the game folder, with a file that no case may change."""

    def __init__(self, temp):
        self.path = os.path.join(temp, "victim")
        os.makedirs(self.path)
        self.important = os.path.join(self.path, "important")
        with open(self.important, "wb") as f:
            f.write(b"keep me")

    def check_untouched(self):
        check(sorted(os.listdir(self.path)) == ["important"],
              "the victim folder changed: %r" % os.listdir(self.path))
        with open(self.important, "rb") as f:
            check(f.read() == b"keep me", "the victim's file changed")


def stand_in_chooser(answer):
    """A search path whose first zenity prints `answer` (bytes, a path) as zenity would."""
    def path(game):
        folder = os.path.join(game.temp, "chooser")
        os.makedirs(folder)
        answer_file = os.path.join(folder, "answer")
        with open(answer_file, "wb") as f:
            f.write(answer(game) + b"\n")
        script = os.path.join(folder, "zenity")
        with open(script, "w") as f:
            f.write("#!/bin/sh\nexec cat '%s'\n" % answer_file)
        os.chmod(script, 0o755)
        return folder + ":" + os.environ.get("PATH", "/usr/bin:/bin")
    return path


def waiting_chooser(game):
    """A search path whose zenity waits until the file `chooser/go` exists (a minute at the
    most), then cancels."""
    folder = os.path.join(game.temp, "chooser")
    os.makedirs(folder)
    script = os.path.join(folder, "zenity")
    with open(script, "w") as f:
        f.write("#!/bin/sh\nfor i in $(seq 600); do [ -e '%s/go' ] && exit 1; sleep 0.1; done\n"
                "exit 1\n" % folder)
    os.chmod(script, 0o755)
    return folder + ":" + os.environ.get("PATH", "/usr/bin:/bin")


def case_pressed_look(bin_dir):
    """A change after the first screen reaches the window whole: while the chooser is open
    the mod button shows pressed and every other pixel as before; a cancel then starts the
    game with its add-on configuration."""
    s = Session(bin_dir, path=waiting_chooser)
    try:
        s.launcher.click(*BUTTON[4])
        s.launcher.shows(s.game.snapshot(pressed=4), timeout=30)
        with open(os.path.join(s.game.temp, "chooser", "go"), "w"):
            pass
        s.launcher.wait_hand_over(PLUSMOD)
    finally:
        s.close()


NAME_REFUSED = "cannot go into temp.bat: it holds "
NOT_COPIED = "was not copied to roms/temp.wad"


def hostile_case(answer, outcome, folder_name="game", prepare=None, says=NAME_REFUSED):
    """The mod button with a stand-in chooser answering `answer(game)`; `prepare(game)` may
    lay traps first. `outcome` is "refused" (the trouble box, nothing changed), "installed"
    (level.wad in place, handed over) or "kept" (the older level kept, handed over). A
    refusal `says` why on stderr."""
    def case(bin_dir):
        s = Session(bin_dir, folder_name, path=stand_in_chooser(answer))
        try:
            victim = Victim(s.game.temp)
            level = s.game.file("roms", "temp.wad")
            with open(level, "wb") as f:
                f.write(OLD_LEVEL)
            wad = os.path.join(s.game.temp, "level.wad")
            with open(wad, "wb") as f:
                f.write(os.urandom(5000))
            if prepare:
                prepare(s.game, victim)
            s.launcher.click(*BUTTON[4])
            if outcome == "refused":
                dismiss_box(s, TROUBLE_CAPTION)
                check(says in s.launcher.errors(), "stderr: %r" % s.launcher.errors())
                check(s.game.recorded() is None, "the emulator was started")
                if os.path.isdir(s.game.file("roms")):
                    check(os.path.exists(level), "roms/temp.wad was deleted")
                    with open(level, "rb") as f:
                        check(f.read() == OLD_LEVEL, "roms/temp.wad changed")
            else:
                s.launcher.wait_hand_over(PLUSMOD)
                with open(level, "rb") as f, open(wad, "rb") as chosen:
                    expected = chosen.read() if outcome == "installed" else OLD_LEVEL
                    check(f.read() == expected, "roms/temp.wad is not the level expected")
            check(not os.path.lexists(s.game.file("temp.bat"))
                  or os.path.isdir(s.game.file("temp.bat")), "temp.bat was left behind")
            victim.check_untouched()
        finally:
            s.close()
    return case


def named(name):
    """The answer: a file of that name (bytes) beside the game folder, made with content."""
    def answer(game):
        path = os.path.join(os.fsencode(game.temp), name)
        with open(path, "wb") as f:
            f.write(b"an attacker's level")
        return path
    return answer


def victim_path(game, *parts):
    return os.fsencode(os.path.join(game.temp, "victim", *parts)).replace(b"/", b"\\")


def link_batch_to(*parts):
    def prepare(game, victim):
        os.symlink(os.path.join(victim.path, *parts), game.file("temp.bat"))
    return prepare


def roms_is_a_file(game, victim):
    shutil.rmtree(game.file("roms"))
    with open(game.file("roms"), "wb") as f:
        f.write(b"not a folder")


def unreadable_wad(game):
    """A level the launcher cannot copy: no read permission, or, for root, a pipe."""
    path = os.path.join(game.temp, "locked.wad")
    if os.geteuid() == 0:
        os.mkfifo(path)
    else:
        with open(path, "wb") as f:
            f.write(b"locked")
        os.chmod(path, 0)
    return os.fsencode(path)


def level_wad(game):
    return os.fsencode(os.path.join(game.temp, "level.wad"))


def bind_read_only(folder):
    """Mounts the folder onto itself, read-only; Skipped where mounting is not allowed."""
    done = subprocess.run(["mount", "--bind", folder, folder], capture_output=True,
                          timeout=30)
    if done.returncode != 0:
        raise Skipped("cannot bind-mount here: %r" % done.stderr)
    done = subprocess.run(["mount", "-o", "remount,bind,ro", folder], capture_output=True,
                          timeout=30)
    if done.returncode != 0:
        unmount(folder)
        raise Skipped("cannot remount read-only here: %r" % done.stderr)


def unmount(folder):
    if subprocess.run(["umount", folder], capture_output=True, timeout=30).returncode != 0:
        subprocess.run(["umount", "-l", folder], capture_output=True, timeout=30)


def case_read_only_roms(bin_dir):
    """roms/ read-only and the older level as long as the chosen one: gorvex-cmd can neither
    delete nor copy, and instead of the game with the older level the player gets the
    NoCopy box."""
    if os.geteuid() != 0:
        raise Skipped("a read-only bind mount needs root")
    s = Session(bin_dir, path=stand_in_chooser(level_wad))
    roms = s.game.file("roms")
    mounted = False
    try:
        older = os.urandom(5000)
        with open(os.path.join(roms, "temp.wad"), "wb") as f:
            f.write(older)
        with open(level_wad(s.game), "wb") as f:
            f.write(os.urandom(len(older)))
        bind_read_only(roms)
        mounted = True
        s.launcher.click(*BUTTON[4])
        dismiss_box(s, TROUBLE_CAPTION)
        errors = s.launcher.errors()
        check("copy: cannot write" in errors and NOT_COPIED in errors, "stderr: %r" % errors)
        check(s.game.recorded() is None, "the emulator was started")
        with open(os.path.join(roms, "temp.wad"), "rb") as f:
            check(f.read() == older, "roms/temp.wad changed")
        check(not os.path.lexists(s.game.file("temp.bat")), "temp.bat was left behind")
    finally:
        if mounted:
            unmount(roms)
        s.close()


def case_hostile_zenity(bin_dir):
    """The newline attack through the real file chooser: the player types the start of the
    name and the chooser completes it."""
    s = Session(bin_dir)
    try:
        victim = Victim(s.game.temp)
        level = s.game.file("roms", "temp.wad")
        with open(level, "wb") as f:
            f.write(OLD_LEVEL)
        folder = os.path.join(s.game.temp, "download")
        os.mkdir(folder)
        name = b"x\ndel \"" + victim_path(s.game, "important") + b"\"\n.wad"
        with open(os.path.join(os.fsencode(folder), name), "wb") as f:
            f.write(b"an attacker's level")
        s.launcher.click(*BUTTON[4])
        dialog_answer(s, folder + "/x")
        dismiss_box(s, TROUBLE_CAPTION)
        check(NAME_REFUSED + "a control character" in s.launcher.errors(),
              "stderr: %r" % s.launcher.errors())
        check(s.game.recorded() is None, "the emulator was started")
        with open(level, "rb") as f:
            check(f.read() == OLD_LEVEL, "roms/temp.wad changed")
        check(not os.path.lexists(s.game.file("temp.bat")), "temp.bat was left behind")
        victim.check_untouched()
    finally:
        s.close()


def case_chooser_attached(bin_dir):
    """The file chooser is started modal and attached to the launcher's window, so that a
    window manager keeps it above."""
    s = Session(bin_dir)
    try:
        s.launcher.click(*BUTTON[4])
        dialog = s.server.find_window(DIALOG_TITLE, timeout=20)
        with open("/proc/%d/cmdline" % dialog_pid(dialog, s), "rb") as f:
            words = f.read().split(b"\0")
        check(b"--modal" in words and ("--attach=%d" % s.launcher.window).encode() in words,
              "the chooser was started with %r" % words)
        prop = s.server.run("xprop", "-id", str(dialog), "_NET_WM_STATE")
        check("_NET_WM_STATE_MODAL" in prop, "the chooser: %r" % prop)
    finally:
        s.close()


def chooser_ends_case(sig):
    """The launcher ended by a signal while its file chooser is open: the chooser goes too."""
    def case(bin_dir):
        s = Session(bin_dir)
        try:
            s.launcher.click(*BUTTON[4])
            chooser = dialog_pid(s.server.find_window(DIALOG_TITLE, timeout=20), s)
            s.launcher.process.send_signal(sig)
            s.launcher.wait_exit()
            check(ended(chooser, 10), "the chooser did not end")
        finally:
            s.close()
    return case


def shows_enlarged(server, box, expected, factor):
    """Whether the screen shows the expected screen enlarged `factor` times in `box`."""
    want = expected.resize((expected.width * factor, expected.height * factor), Image.NEAREST)
    return server.screenshot().crop(box).tobytes() == want.tobytes()


def case_scaled_window(bin_dir):
    """A 4K desktop scaled to 200 %: the window is 1280 x 960, the screen doubled pixel for
    pixel, and a click on a doubled button acts on it."""
    s = Session(bin_dir, size="3840x2160", resources="Xft.dpi: 192\n", wait=False)
    try:
        window = s.server.find_window(TITLE, timeout=15)
        left, top, right, bottom = s.server.geometry(window)
        check((right - left, bottom - top) == (1280, 960),
              "the window is %d x %d" % (right - left, bottom - top))
        wait_until("the doubled start screen",
                   lambda: shows_enlarged(s.server, (left, top, right, bottom), s.expected, 2),
                   10, step=0.2)
        s.launcher.origin = (left, top)
        s.launcher.click(2 * BUTTON[1][0], 2 * BUTTON[1][1])
        s.launcher.wait_hand_over(GAME)
    finally:
        s.close()


def case_full_screen_without_mode(bin_dir):
    """Alt+Enter on a 1920 x 1080 desktop with a window manager and no 640 x 480 mode: the
    screen doubled, centred on black, and clicks land where the buttons are drawn; Alt+Enter
    again brings the window back."""
    s = Session(bin_dir, size="1920x1080", manager=True, wait=False)
    server = s.server
    try:
        # The window manager frames the window: look for it in the whole tree.
        window = wait_until("the launcher's window", lambda: server.run(
            "xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE,
            check_status=False).split(), 15)[0]
        server.xdotool("windowactivate", "--sync", window)
        server.xdotool("key", "alt+Return")
        wait_until("the doubled screen, centred",
                   lambda: shows_enlarged(server, (320, 60, 1600, 1020), s.expected, 2), 10,
                   step=0.2)
        shot = server.screenshot()
        check(shot.getpixel((0, 0)) == (0, 0, 0) and shot.getpixel((1919, 1079)) == (0, 0, 0),
              "not black around the picture")
        server.xdotool("key", "alt+Return")
        wait_until("the window back at 640 x 480", lambda: tuple(
            b - a for a, b in zip(server.geometry(int(window))[:2],
                                  server.geometry(int(window))[2:])) == (640, 480), 10)
        server.xdotool("key", "alt+Return")
        wait_until("full screen again",
                   lambda: shows_enlarged(server, (320, 60, 1600, 1020), s.expected, 2), 10,
                   step=0.2)
        s.launcher.origin = (320, 60)
        s.launcher.click(2 * BUTTON[2][0], 2 * BUTTON[2][1])
        s.launcher.wait_hand_over(EDITOR)
    finally:
        s.close()


def case_maximised(bin_dir):
    """The window marked maximised, as a window manager's maximise button does, on a desktop
    with no manager to make it full screen: the launcher covers the screen itself, doubled and
    centred, and clicks land where the buttons are drawn."""
    s = Session(bin_dir, size="1920x1080")
    server = s.server
    try:
        # xprop sets one atom; a window maximised in either direction is maximised.
        server.run("xprop", "-id", str(s.launcher.window), "-f", "_NET_WM_STATE", "32a", "-set",
                   "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ")
        wait_until("the doubled screen, centred",
                   lambda: shows_enlarged(server, (320, 60, 1600, 1020), s.expected, 2), 10,
                   step=0.2)
        s.launcher.origin = (320, 60)
        s.launcher.click(2 * BUTTON[3][0], 2 * BUTTON[3][1])
        s.launcher.wait_hand_over(SETUP)
    finally:
        s.close()


def case_wayland_fallback(bin_dir):
    """Where Wayland cannot give a window with a title bar (no libdecor plugin, and Weston
    draws none), the launcher opens on the desktop's X server without a word; on Wayland alone
    it opens there all the same and names on stderr the package that brings title bars."""
    s = Session(bin_dir, wait=False)
    try:
        check(isinstance(s.server, Weston), "a case for Wayland desktops")
        s.launcher.finish()
        s.launcher = s.start(LIBDECOR_PLUGIN_DIR=s.game.temp)
        if s.server.x_display:
            wait_until("the window on X", lambda: TITLE in subprocess.run(
                ["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                env=s.server.client_env()).stdout, 15)
            s.launcher.stays_idle()
            check(not s.launcher.errors(), "stderr: %r" % s.launcher.errors())
        else:
            s.launcher.wait_for_start_screen(s.expected)
            lines = s.launcher.errors().splitlines()
            check(len(lines) == 1 and "libdecor-0-plugin-1-" in lines[0],
                  "stderr: %r" % s.launcher.errors())
        s.launcher.finish()
    finally:
        s.close()


def case_lost_display(bin_dir):
    s = Session(bin_dir)
    try:
        s.server.lose_display()
        status = s.launcher.wait_exit(timeout=10)
        check(status == 1, "exit status %d after the display went" % status)
        check("lost the connection to the display" in s.launcher.errors(),
              "stderr: %r" % s.launcher.errors())
    finally:
        s.close()


def picture_case(make_picture):
    """The launcher over a hostile picture: it shows its screen and EXIT ends it at once."""
    def replace_picture(game):
        picture = game.file("CFG", "INTERPIC.bmp")
        os.unlink(picture)
        make_picture(picture)

    def case(bin_dir):
        s = Session(bin_dir, prepare=replace_picture)
        try:
            s.launcher.click(*EXIT)
            check(s.launcher.wait_exit(timeout=5) == 0, "EXIT did not end with status 0")
        finally:
            s.close()
    return case


def sparse_picture(path):
    """16 GiB of 640-pixel rows, nearly all of them below the screen, in a sparse file."""
    rows = (16 << 30) // 640
    header = b"BM" + struct.pack("<IHHI", 0, 0, 0, 54 + 1024)
    header += struct.pack("<IiiHHIIiiII", 40, 640, rows, 1, 8, 0, 0, 0, 0, 256, 0)
    table = bytes(c for i in range(256) for c in (i, 255 - i, i // 2, 0))
    with open(path, "wb") as f:
        f.write(header + table)
        f.truncate(54 + 1024 + rows * 640)


# --- Files dropped onto the window ---

def drop_onto(s, paths, **hostile):
    """Drags the files over a spot of the window outside every widget and drops them there;
    the drag source's account of the exchange. `hostile`: how an X drag source misbehaves
    (xdnd.drop's answer_as and timeout)."""
    if isinstance(s.server, Weston):
        return wayland_drop(s, paths)
    s.launcher.move(*NOWHERE)
    x, y = s.launcher.origin[0] + NOWHERE[0], s.launcher.origin[1] + NOWHERE[1]
    try:
        return xdnd.drop(s.server.display, s.launcher.window, x, y, paths, **hostile)
    except xdnd.XdndError as e:
        raise Failure("the drop: %s" % e)


def wayland_drop(s, paths):
    """On Wayland a drag source of our own (gorvex-wl-drag) shows its window over the
    launcher's; a press there starts the drag and takes that window down, and the pointer
    carries the files onto the launcher's window."""
    source = subprocess.Popen([os.path.join(s.bin_dir, "gorvex-wl-drag")] + paths,
                              env=s.server.client_env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        ready = []
        wait_until("the drag source's window", lambda: ready.append(source.stdout.readline())
                   or ready[-1] != b"" and b"ready" in ready[-1] or source.poll() is not None,
                   10, step=0)
        check(source.poll() is None, "the drag source ended: %r" % ready)
        time.sleep(0.5)  # the kiosk shell shows the newest window
        s.launcher.move(NOWHERE[0] + 2, NOWHERE[1] + 2)
        s.server.xdotool("mousedown", 1)
        time.sleep(0.3)
        for step in range(3):
            s.launcher.move(NOWHERE[0] + step, NOWHERE[1] + step)
            time.sleep(0.1)
        s.server.xdotool("mouseup", 1)
        out, _ = source.communicate(timeout=10)
        return json.loads(out.decode().strip().splitlines()[-1])
    except (subprocess.TimeoutExpired, ValueError, IndexError) as e:
        raise Failure("the drop: %s" % e)
    finally:
        if source.poll() is None:
            source.kill()
            source.wait(timeout=10)


def drop_session(bin_dir):
    """A session whose roms/temp.wad holds an older level."""
    s = Session(bin_dir)
    with open(s.game.file("roms", "temp.wad"), "wb") as f:
        f.write(OLD_LEVEL)
    return s


def check_old_level(s):
    with open(s.game.file("roms", "temp.wad"), "rb") as f:
        check(f.read() == OLD_LEVEL, "roms/temp.wad changed")


def case_drop(bin_dir):
    s = drop_session(bin_dir)
    try:
        folder = os.path.join(s.game.temp, "Мои уровни & 100%")
        os.mkdir(folder)
        wad = os.path.join(folder, "Map 1 & 50%off.wad")
        content = os.urandom(70000)
        with open(wad, "wb") as f:
            f.write(content)
        result = drop_onto(s, [wad])
        check(result["accepted"], "the window refused the drop: %r" % result)
        check(result["finished"], "the window did not say it took the files: %r" % result)
        s.launcher.wait_hand_over(PLUSMOD)
        level = s.game.file("roms", "temp.wad")
        check(os.path.isfile(level), "roms/temp.wad is missing")
        with open(level, "rb") as f:
            check(f.read() == content, "roms/temp.wad differs from the dropped file")
        check(not os.path.exists(s.game.file("temp.bat")), "temp.bat was left behind")
    finally:
        s.close()


def ignored_drop_case(make_paths):
    """A drop of `make_paths(game)` changes nothing: no box, no hand-over, the older level
    kept, and button 1 still starts the game afterwards."""
    def case(bin_dir):
        s = drop_session(bin_dir)
        try:
            result = drop_onto(s, make_paths(s.game))
            s.launcher.stays_idle(1.0)
            check(not s.server.windows_named(TROUBLE_CAPTION), "a trouble box came up")
            check_old_level(s)
            check(not os.path.lexists(s.game.file("temp.bat")), "temp.bat was written")
            check(result["finished"] is not None, "the window went away: %r" % result)
            s.launcher.click(*BUTTON[1])
            s.launcher.wait_hand_over(GAME)
        finally:
            s.close()
    return case


def two_levels(game):
    paths = []
    for name in ("first.wad", "second.wad"):
        paths.append(os.path.join(game.temp, name))
        with open(paths[-1], "wb") as f:
            f.write(os.urandom(5000))
    return paths


def folder_named_like_a_level(game):
    folder = os.path.join(game.temp, "levels.wad")
    os.mkdir(folder)
    with open(os.path.join(folder, "inside.wad"), "wb") as f:
        f.write(os.urandom(5000))
    return [folder]


def case_drop_hostile(bin_dir):
    """The newline attack by drag and drop: refused with the trouble box over the pressed
    mod button, nothing changed."""
    s = drop_session(bin_dir)
    try:
        # No backslash in the name: the launcher's file functions read one as a folder
        # separator, so such a name names no file and its drop is ignored like a folder's.
        wad = named(b"x\ndel gorvex.exe\n.wad")(s.game)
        result = drop_onto(s, [os.fsdecode(wad)])
        check(result["accepted"], "the window refused the drop: %r" % result)
        box = s.server.find_window(TROUBLE_CAPTION, timeout=15)
        box_bottom = s.server.geometry(box)[3] - s.launcher.origin[1]
        s.launcher.shows(s.game.snapshot(pressed=4), rows=(max(box_bottom, 0), HEIGHT))
        dismiss_box(s, TROUBLE_CAPTION)
        check(NAME_REFUSED + "a control character" in s.launcher.errors(),
              "stderr: %r" % s.launcher.errors())
        check(s.game.recorded() is None, "the emulator was started")
        check_old_level(s)
        check(not os.path.lexists(s.game.file("temp.bat")), "temp.bat was left behind")
        check(os.path.exists(s.game.file("gorvex.exe")), "gorvex.exe was deleted")
    finally:
        s.close()


# --- Hostile X clients ---

# The most the launcher may ever hold (its VmHWM), whatever another client sends it: it
# holds about 8 MB at rest, and a flood may add little. A sanitizer's own memory is not
# counted: under one the bound is not checked.
PEAK_BOUND_KB = 32 * 1024


def sanitized(game):
    with open(game.file("gorvex-launcher"), "rb") as f:
        program = f.read()
    return b"__asan_init" in program or b"__tsan_init" in program


def hostile_x(s, what, *args):
    """gorvex-x-hostile sends the launcher's window `what`; the server has taken it all when
    this returns."""
    done = subprocess.run([os.path.join(s.bin_dir, "gorvex-x-hostile"), what,
                           str(s.launcher.window)] + [str(a) for a in args],
                          env=s.server.env(), capture_output=True, timeout=60)
    check(done.returncode == 0, "gorvex-x-hostile %s failed: %r" % (what, done.stderr))


def peak_kb(pid):
    """The process's peak resident memory in kB, or None once it has ended."""
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def closes_within_bound(s):
    """The page's close button still ends the launcher with status 0, and it never held more
    than the bound: its peak is read until it has ended."""
    peak = [peak_kb(s.launcher.process.pid) or 0]
    s.launcher.click(*EXIT)

    def ended():
        peak[0] = max(peak[0], peak_kb(s.launcher.process.pid) or 0)
        return s.launcher.process.poll() is not None
    wait_until("the close button to end the launcher", ended, 15, step=0.02)
    check(s.launcher.process.returncode == 0, "status %d" % s.launcher.process.returncode)
    print("peak memory %d kB" % peak[0])
    check(sanitized(s.game) or 0 < peak[0] < PEAK_BOUND_KB,
          "peak memory %d kB, over %d kB" % (peak[0], PEAK_BOUND_KB))


def case_synthetic_focus_out(s):
    hostile_x(s, "focus-out")
    closes_within_bound(s)


def configure_case(count, what="configure"):
    """Synthetic ConfigureNotify (or real resizes), alternately 1 x 1 and the window's size,
    the last one as `count` says: 1 x 1 for one, the true size for a flood."""
    def case(s):
        x, y, right, bottom = s.server.geometry(s.launcher.window)
        if count == 1:
            hostile_x(s, what, 1, 1, 1)
        else:
            hostile_x(s, what, right - x, bottom - y, count)
        closes_within_bound(s)
    return case


def case_remapped(s):
    """Unmapped and mapped again by another client, with no window manager: the focus falls
    back to the pointer's window."""
    hostile_x(s, "remap")
    wait_until("the window mapped again", lambda: s.server.mapped(s.launcher.window), 5)
    s.launcher.shows(s.expected)
    closes_within_bound(s)


def flood_case(what, count):
    def case(s):
        hostile_x(s, what, count)
        closes_within_bound(s)
    return case


def hostile_drop_case(answer_as):
    """A drag source that answers the request for the files with a STRING, or never: the
    drop is finished unaccepted, nothing is installed, and the launcher goes on."""
    def case(bin_dir):
        s = drop_session(bin_dir)
        try:
            wad = os.path.join(s.game.temp, "level.wad")
            with open(wad, "wb") as f:
                f.write(os.urandom(5000))
            result = drop_onto(s, [wad], answer_as=answer_as, timeout=10)
            check(result["finished"] is False, "the drop ended with %r" % result)
            s.launcher.stays_idle(0.3)
            check_old_level(s)
            closes_within_bound(s)
        finally:
            s.close()
    return case


WINDOW_CASES = {
    "pixels": case_pixels,
    "button1": button_case(1, GAME),
    "button2": button_case(2, EDITOR),
    "button3": button_case(3, SETUP),
    "border": case_border,
    "slide": case_slide,
    "other_buttons": case_other_buttons,
    "drag_out": case_drag_out,
    "quick_click": case_quick_click,
    "exit": case_exit,
    "close_request": case_close_request,
    "icon": case_icon,
    "x_focus_out": case_synthetic_focus_out,
    "x_configure": configure_case(1),
    "x_configure_flood": configure_case(10001),
    "x_resize_flood": configure_case(10001, "resize"),
    "x_remapped": case_remapped,
    "x_position_flood": flood_case("positions", 10 ** 6),
    "x_message_flood": flood_case("messages", 10 ** 6),
}
OWN_CASES = {
    "mod": install_case("game", "levels", "level.wad", lambda path: path),
    # The whole path has blanks, Cyrillic letters, "&" and "%", in the launcher's folder too.
    "mod_odd_paths": install_case("Игры & 100% fun", "Игры & 100% fun",
                                  "Map 1 & %PATH% 50%off.WAD", os.path.basename),
    "mod_cancelled": case_mod_cancelled,
    "no_chooser": case_no_chooser,
    "no_emulator": case_no_emulator,
    "batch_not_created": case_batch_not_created,
    "no_display": case_no_display,
    "other_folder": case_other_folder,
    # Hostile names: refused with the trouble box, nothing changed.
    "hostile_newline_del": hostile_case(
        lambda g: named(b"x\ndel \"" + victim_path(g, "important") + b"\"\n.wad")(g), "refused"),
    "hostile_newline_copy": hostile_case(
        lambda g: named(b"y\ncopy \"" + level_wad(g).replace(b"/", b"\\") + b"\" \""
                        + victim_path(g, "planted") + b"\"\n.wad")(g), "refused"),
    "hostile_cr": hostile_case(named(b"cr\rdel x.wad"), "refused"),
    "hostile_quote": hostile_case(named(b'q"uote.wad'), "refused"),
    "hostile_backslash": hostile_case(named(b"sub\\level.wad"), "refused"),
    "hostile_folder_backslash": hostile_case(level_wad, "refused", folder_name="w\\.."),
    "hostile_folder_quote": hostile_case(level_wad, "refused", folder_name='ga"me'),
    # Traps in the game folder.
    "hostile_linked_batch": hostile_case(level_wad, "installed",
                                         prepare=link_batch_to("important")),
    "hostile_dangling_batch": hostile_case(level_wad, "installed",
                                           prepare=link_batch_to("created")),
    "hostile_installed_chosen": hostile_case(
        lambda g: os.fsencode(g.file("roms", "temp.wad")), "kept"),
    "hostile_roms_is_a_file": hostile_case(level_wad, "refused", prepare=roms_is_a_file,
                                           says=NOT_COPIED),
    "hostile_unreadable_wad": hostile_case(unreadable_wad, "refused", says=NOT_COPIED),
    "read_only_roms": case_read_only_roms,
    "hostile_zenity": case_hostile_zenity,
    "chooser_attached": case_chooser_attached,
    "chooser_ends_on_sigterm": chooser_ends_case(signal.SIGTERM),
    "chooser_ends_on_sigint": chooser_ends_case(signal.SIGINT),
    "scaled_window": case_scaled_window,
    "full_screen_without_mode": case_full_screen_without_mode,
    "maximised": case_maximised,
    "lost_display": case_lost_display,
    "wayland_fallback": case_wayland_fallback,
    "fifo_picture": picture_case(os.mkfifo),
    "sparse_picture": picture_case(sparse_picture),
    "drop": case_drop,
    "drop_several": ignored_drop_case(two_levels),
    "drop_folder": ignored_drop_case(folder_named_like_a_level),
    "drop_hostile": case_drop_hostile,
    "x_drop_string": hostile_drop_case("string"),
    "x_drop_never": hostile_drop_case("never"),
    "pressed_look": case_pressed_look,
}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in {**WINDOW_CASES, **OWN_CASES}:
        print("usage: launcher_e2e.py BIN_DIR CASE\ncases: "
              + " ".join(list(WINDOW_CASES) + list(OWN_CASES)), file=sys.stderr)
        return 2
    bin_dir, name = sys.argv[1], sys.argv[2]
    try:
        if name in WINDOW_CASES:
            s = Session(bin_dir)
            try:
                WINDOW_CASES[name](s)
            finally:
                s.close()
        else:
            OWN_CASES[name](bin_dir)
    except Failure as e:
        print("FAILED %s: %s" % (name, e), file=sys.stderr)
        return 1
    except Skipped as e:
        print("skipped %s: %s" % (name, e))
        return SKIPPED
    print("passed " + name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
