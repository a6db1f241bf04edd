#!/usr/bin/env python3
"""Checks cmake/package_archive.py as CMake 4's CPack calls it, with the archive it makes
inside the staged folder (and one from an earlier, broken run beside it):
    package_archive_test.py PACKAGE_ARCHIVE_PY
The archive holds the staged files only, and making it twice gives the same bytes."""

import io
import os
import subprocess
import sys
import tarfile
import tempfile
import zipfile

STAGED = ["gorvex-launcher", "gorvex-launcher-README.txt", "sub/level.wad"]


def stage(folder):
    for name in STAGED:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(name.encode() * 3)
    # What CPack left there: its own archive (of either kind) and an unfinished one.
    for name in ["gorvex-launcher-1.0-linux.tar.gz", "gorvex-launcher-1.0-windows.zip",
                 "gorvex-launcher-1.0-linux.tar.gz.part"]:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"not a staged file")


def names_in(archive, data):
    if archive.endswith(".zip"):
        return sorted(zipfile.ZipFile(io.BytesIO(data)).namelist())
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as tar:
        return sorted(tar.getnames())


def main():
    script = sys.argv[1]
    failures = []
    for suffix in ["linux.tar.gz", "windows.zip"]:
        made = []
        for _ in range(2):
            with tempfile.TemporaryDirectory() as folder:
                stage(folder)
                archive = os.path.join(folder, "gorvex-launcher-1.0-" + suffix)
                subprocess.run([sys.executable, script, archive, folder, "1700000000"],
                               check=True)
                with open(archive, "rb") as f:
                    made.append(f.read())
        names = names_in(suffix, made[0])
        if names != STAGED:
            failures.append("%s holds %s, expected %s" % (suffix, names, STAGED))
        if made[0] != made[1]:
            failures.append("%s differs between two runs" % suffix)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS: the archives hold the staged files alone, the same bytes twice")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
