#!/usr/bin/python3
"""The demo folder with the real emulator: in a private X server, clicks a button of the
launcher and checks that Debian's DOSBox ran the configuration it names.
    emulator_test.py DEMO_DIR game     "Запустить GORVEX": DOSBox runs CFG/gorvex.cnf
    emulator_test.py DEMO_DIR editor   "Редактор карт": CFG/editor.cnf
    emulator_test.py DEMO_DIR setup    "Настройка Управления": CFG/setup.cnf
    emulator_test.py DEMO_DIR mod      "Моды к игрухе": a WAD chosen in the dialog reaches the
                                       emulator as roms/temp.wad, and CFG/plusmod.cnf runs
The folder is copied, and a file autotest.flg in the copy makes the configurations write
STARTED.TXT (the configuration's name) and, for the add-on level, WADSEEN.BIN (a copy of
c:\\roms\\temp.wad as the emulator sees it), then end. DOSBox's exit status means nothing."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import TITLE, Failure, XServer, check, wait_until  # noqa: E402

SKIP = 77
BUTTONS = {"game": (0, "gorvex.cnf"), "editor": (1, "editor.cnf"), "setup": (2, "setup.cnf")}


def click(server, window, x, y):
    """A human-length click at window coordinates."""
    server.xdotool("mousemove", "--window", window, x, y)
    server.xdotool("sleep", "0.1", "mousedown", 1, "sleep", "0.1", "mouseup", 1)


def same_bytes(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def run(demo, mode, work):
    game = os.path.join(work, "game")
    shutil.copytree(demo, game, symlinks=True)
    open(os.path.join(game, "autotest.flg"), "w").close()
    home = os.path.join(work, "home")
    os.mkdir(home)
    server = XServer()
    log = open(os.path.join(work, "launcher.log"), "wb")
    launcher = None
    try:
        env = server.env(HOME=home, GSETTINGS_BACKEND="memory", SDL_AUDIODRIVER="dummy",
                         NO_AT_BRIDGE="1")
        # Its own session: the dialog and the emulator are ended with it.
        launcher = subprocess.Popen(["./gorvex-launcher"], cwd=game, env=env, stdout=log,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        window = server.find_window(TITLE, timeout=15)
        if mode in BUTTONS:
            row, expected = BUTTONS[mode]
            click(server, window, 320, 165 + 45 * row)
        else:
            wad = os.path.join(work, "my wads", "level one.wad")
            os.makedirs(os.path.dirname(wad))
            with open(wad, "wb") as f:
                f.write(os.urandom(3000))
            with open(os.path.join(game, "roms", "temp.wad"), "w") as f:
                f.write("an older add-on level\n")
            click(server, window, 320, 300)
            dialog = server.find_window("Выбири WAD-ник под Gorvex", timeout=15)
            server.xdotool("windowfocus", "--sync", dialog)
            server.enter_path(wad)
            server.xdotool("key", "Return")
            expected = "plusmod.cnf"

        marker = os.path.join(game, "STARTED.TXT")
        wait_until("the emulator's STARTED.TXT", lambda: os.path.getsize(marker)
                   if os.path.exists(marker) else 0, 30)
        # The marker may still be growing; the emulator ends right after writing it.
        wait_until("STARTED.TXT to name " + expected,
                   lambda: expected in open(marker, errors="replace").read(), 5)
        print("the emulator ran CFG/" + expected)
        if mode == "mod":
            seen = os.path.join(game, "WADSEEN.BIN")
            wait_until("the emulator's copy of c:\\roms\\temp.wad",
                       lambda: os.path.exists(seen) and os.path.getsize(seen) == 3000, 5)
            check(same_bytes(wad, seen), "the emulator's temp.wad differs from the chosen file")
            check(same_bytes(wad, os.path.join(game, "roms", "temp.wad")),
                  "roms/temp.wad differs from the chosen file")
            check(not os.path.exists(os.path.join(game, "temp.bat")), "temp.bat was left behind")
            print("the emulator found the chosen file as c:\\roms\\temp.wad")
        # The emulator took the launcher's place and ends by itself.
        try:
            launcher.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failure("the emulator did not end")
    finally:
        if launcher is not None and launcher.poll() is None:
            os.killpg(launcher.pid, 9)
            launcher.wait(timeout=10)
        server.stop()
        log.close()


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in list(BUTTONS) + ["mod"]:
        print(__doc__, file=sys.stderr)
        return 2
    demo, mode = os.path.abspath(sys.argv[1]), sys.argv[2]
    for tool in ("Xvfb", "xdotool", "dosbox", "zenity"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed" % tool)
            return SKIP
    if not os.access(os.path.join(demo, "gorvex-launcher"), os.X_OK):
        print("SKIP: no launcher in " + demo)
        return SKIP
    work = tempfile.mkdtemp(prefix="gorvex-demo-")
    try:
        run(demo, mode, work)
    except Failure as e:
        print("FAIL: %s\n--- launcher and emulator output:" % e)
        with open(os.path.join(work, "launcher.log"), errors="replace") as f:
            print(f.read())
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
