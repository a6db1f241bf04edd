#!/usr/bin/python3
"""Plants one-line faults, one at a time, where a slip would change what a player sees or
what lands on disk, and checks that the fast suite (unit tests and gorvex-cmd's tests, no X
server) fails for each. A planted fault that no test catches is a missing test.

    tests/mutants.py SOURCE_DIR BUILD_DIR

BUILD_DIR is a build of its own (configured here if needed); every file is restored after
each fault, also when the run is interrupted."""

import os
import subprocess
import sys

# (file, text as it is, text with the fault, what the fault breaks)
MUTANTS = [
    ("app/commands.cpp", "if (c == '%') out += '%';", "",
     "\"%\" in a path is doubled in temp.bat"),
    ("app/commands.cpp", '"del /f /q " + target', '"del /q " + target',
     "an older read-only level is deleted"),
    ("app/main_loop.cpp", "if (l.buttons == 0) click_latch = false;", "",
     "the click latch is cleared by a poll without buttons"),
    ("app/main_loop.cpp", "if (l.buttons == 1 && !click_latch) {", "if (l.buttons == 1) {",
     "a held press acts once"),
    ("app/main_loop.cpp",
     "screen::present_and_wait();  // the pressed look reaches the window before the hand-over",
     "",
     "the pressed look is in the window before the hand-over"),
    ("screen/screen.cpp", "std::chrono::milliseconds(s.present_wait_ms), shown",
     "std::chrono::milliseconds(s.present_wait_ms / 10), shown",
     "a stalled desktop holds the hand-over for the whole bound"),
    ("app/main_loop.cpp", 'game_arguments = "-noconsole -conf CFG\\\\gorvex.cnf"',
     'game_arguments = "-noconsole -conf CFG\\\\editor.cnf"', "the game button's argument line"),
    ("app/names.cpp", "if (byte < 0x20) return NameFault::control;",
     "if (byte < 0x0a) return NameFault::control;", "a line break in a name is refused"),
    ("app/commands.cpp", "!screen::files::same_contents(wad, installed_wad)",
     "screen::files::file_size(installed_wad) != screen::files::file_size(wad)",
     "a copy that did not happen is reported, also over an older level of the same length"),
    ("screen/files.cpp", "if (!same || got_a < compare_block) break;", "break;",
     "a copied level is compared to its end, not its first block"),
    ("screen/files.cpp", 'std::string_view("\\r\\n")', 'std::string_view("\\n")',
     "batch lines end in CR LF"),
    ("screen/files_posix.cpp", "O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW", "O_WRONLY | O_CREAT",
     "temp.bat is never written through a link (together with the next)"),
    ("gui/widgets.cpp", "if (px > widgets.x[i] &&", "if (px >= widgets.x[i] &&",
     "a press on a widget's border pixel misses it"),
    ("gui/draw_widget.cpp", "w.colour_5[i], w.colour_4[i],\n                   w.colour_3[i]",
     "w.colour_4[i], w.colour_5[i],\n                   w.colour_3[i]",
     "the pressed look swaps the ring colours"),
    ("text/text.cpp", "pen += (entry.width - 1) * s;", "pen += entry.width * s;",
     "neighbouring glyphs share a column"),
    ("screen/screen.cpp", "six * 255 / 63", "six * 4", "palette entries spread 6 bits to 8"),
    ("screen/bmp.cpp", "unsigned(8 - bits - int(bit % 8))", "unsigned(int(bit % 8))",
     "the leftmost pixel of a byte is in its high bits"),
    ("tools/gorvex-cmd/interpreter.cpp", "out += '%';\n      ++i;", "out += '%';",
     "gorvex-cmd reads \"%%\" as one \"%\""),
    ("screen/window_rules.cpp", "if (!s.window.desktop_may_switch) break;", "",
     "a desktop that repeats or alternates its maximised state flips the window each time"),
    ("screen/window/scaler.cpp", "std::floor((buffer - origin) / s)",
     "std::trunc((buffer - origin) / s)", "a pointer just left of a scaled page is outside it"),
    ("screen/window/scaler.cpp", "if (scale <= 1 || fits(scale)) return std::max(scale, 1.0);",
     "if (scale <= 1 || fits(scale)) return std::max(std::ceil(scale), 1.0);",
     "a monitor at 150 % shows the page at one and a half times its size"),
    ("screen/window/scaler.cpp", "p.height + frame.y <= work.y", "p.height <= work.y",
     "the window's frame counts when the page is fitted to the work area"),
]

# The link fault needs the old temp.bat left in place to show; planted with the one above.
COMPANION = {
    "screen/files_posix.cpp": ("app/commands.cpp",
                               "      return screen::delete_file(batch_file) == 0;",
                               "      return true;"),
}


def run(args, **kw):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kw)


def main(source, build):
    if not os.path.exists(os.path.join(build, "build.ninja")):
        done = run(["cmake", "-S", source, "-B", build, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo"])
        if done.returncode != 0:
            print(done.stdout.decode(errors="replace"))
            return 1
    targets = ["gorvex-unit-tests", "gorvex-cmd-tests", "gorvex-cmd"]
    build = os.path.abspath(build)
    tests = [os.path.join(build, "bin", t) for t in targets[:2]]

    def suite_passes():
        built = run(["cmake", "--build", build, "--target"] + targets)
        if built.returncode != 0:
            return None
        # Each suite in two shards side by side (its tests mostly wait on threads), each
        # stopping at its first failure.
        runs = [subprocess.Popen([t, "--gtest_brief=1", "--gtest_fail_fast"], cwd=build,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 env=dict(os.environ, GTEST_TOTAL_SHARDS="2",
                                          GTEST_SHARD_INDEX=str(shard)))
                for t in tests for shard in range(2)]
        try:
            return all([r.wait(timeout=120) == 0 for r in runs])
        except subprocess.TimeoutExpired:
            return False  # a suite that hangs has not passed
        finally:
            for r in runs:
                if r.poll() is None:
                    r.kill()
                    r.wait()

    if suite_passes() is not True:
        print("the fast suite does not pass without faults:")
        for t in tests:
            sys.stdout.write(run([t, "--gtest_brief=1"], cwd=build).stdout.decode(errors="replace"))
        return 1
    survived = 0
    for path, before, after, what in MUTANTS:
        plants = [(path, before, after)]
        if path in COMPANION:
            plants.append(COMPANION[path])
        originals = {}
        try:
            for file, a, b in plants:
                full = os.path.join(source, file)
                with open(full) as f:
                    text = originals.setdefault(full, f.read())
                if text.count(a) != 1:
                    print("NOT FOUND  %s: %r" % (file, a))
                    return 1
                with open(full, "w") as f:
                    f.write(text.replace(a, b))
            verdict = suite_passes()
        finally:
            for full, text in originals.items():
                with open(full, "w") as f:
                    f.write(text)
        if verdict is None:
            print("NO BUILD   %s: %s" % (path, what))
            survived += 1
        elif verdict:
            print("SURVIVED   %s: %s" % (path, what))
            survived += 1
        else:
            print("caught     %s: %s" % (path, what))
    suite_passes()  # leave the build as the sources are
    print("%d of %d planted faults caught" % (len(MUTANTS) - survived, len(MUTANTS)))
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
