#!/usr/bin/python3
"""Fails when a file of a layer includes a header of a layer above it. The layers, top down:
app, gui, text, screen, then the leaf helpers of base. Platform code stays in files named
for their platform or in a window driver's folder named for it, and only those include the
window system's headers."""

import os
import re
import sys

ORDER = ["app", "gui", "text", "screen", "base"]
PLATFORM = re.compile(r"_(sdl|posix|win32|headless|linux)\.(cpp|h)$")
PLATFORM_FOLDER = re.compile(r"(^|/)window/(sdl|x11|wayland|win32|headless|linux)(/|$)")
SYSTEM = re.compile(r"#include <(SDL[^>]*|X11/[^>]*|wayland-[^>]*|libdecor[^>]*|xkbcommon/[^>]*|"
                    r"windows\.h|unistd\.h|fcntl\.h|sys/[^>]*)>")


def main(root):
    faults = []
    for layer in ORDER:
        top = os.path.join(root, layer)
        files = sorted(os.path.relpath(os.path.join(d, n), top)
                       for d, _, names in os.walk(top) for n in names)
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            with open(os.path.join(top, name), encoding="utf-8") as f:
                text = f.read()
            for included in re.findall(r'#include "([a-z0-9_]+)/', text):
                if included in ORDER and ORDER.index(included) < ORDER.index(layer):
                    faults.append("%s/%s includes upwards from %s" % (layer, name, included))
            if not PLATFORM.search(name) and not PLATFORM_FOLDER.search(name):
                for header in SYSTEM.findall(text):
                    faults.append("%s/%s is not a platform file but includes <%s>"
                                  % (layer, name, header))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
