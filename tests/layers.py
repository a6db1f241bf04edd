#!/usr/bin/python3
"""Fails when a file of a layer includes a header of a layer above it. The layers, top down:
app, gui, text, screen, then the leaf helpers of base. Inside screen, the window layer
(screen/window) lies below the core: its files include only each other and base. Each window
driver's folder (headless, wayland, x11, win32) includes neither another driver's folder nor
a source file; the Linux drivers share screen/window/linux. Platform code stays in files named
for their platform or in a window driver's folder, and only those include the window system's
headers."""

import os
import re
import sys

ORDER = ["app", "gui", "text", "screen", "base"]
DRIVERS = ["headless", "wayland", "x11", "win32"]
PLATFORM = re.compile(r"_(posix|win32|headless|linux)\.(cpp|h)$")
PLATFORM_FOLDER = re.compile(r"(^|/)window/(x11|wayland|win32|headless|linux)(/|$)")
SYSTEM = re.compile(r"#include <(X11/[^>]*|wayland-[^>]*|libdecor[^>]*|xkbcommon/[^>]*|"
                    r"windows\.h|unistd\.h|fcntl\.h|sys/[^>]*)>")
INCLUDE = re.compile(r'#include "([^"]+)"')


def driver_of(path):
    """The driver folder a path of the tree lies in, or None."""
    match = re.match(r"screen/window/([a-z0-9]+)/", path)
    return match.group(1) if match and match.group(1) in DRIVERS else None


def window_faults(path, included):
    """What a file of screen/window may not include."""
    if not path.startswith("screen/window/") or "/" not in included:
        return []
    faults = []
    if included.startswith("screen/") and not included.startswith("screen/window/"):
        faults.append("%s includes upwards from the screen core: %s" % (path, included))
    if included.endswith((".cpp", ".c")):
        faults.append("%s includes a source file: %s" % (path, included))
    own, other = driver_of(path), driver_of(included)
    if other is not None and other != own:
        faults.append("%s includes another driver's %s" % (path, included))
    return faults


def main(root):
    faults = []
    for layer in ORDER:
        top = os.path.join(root, layer)
        files = sorted(os.path.relpath(os.path.join(d, n), top)
                       for d, _, names in os.walk(top) for n in names)
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = layer + "/" + name
            with open(os.path.join(top, name), encoding="utf-8") as f:
                text = f.read()
            for included in INCLUDE.findall(text):
                top_folder = included.split("/")[0]
                if top_folder in ORDER and ORDER.index(top_folder) < ORDER.index(layer):
                    faults.append("%s includes upwards from %s" % (path, top_folder))
                faults += window_faults(path, included)
            if not PLATFORM.search(name) and not PLATFORM_FOLDER.search(name):
                for header in SYSTEM.findall(text):
                    faults.append("%s is not a platform file but includes <%s>" % (path, header))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
