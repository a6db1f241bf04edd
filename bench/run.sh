#!/bin/sh
# The benchmark command: builds in Release into build-bench, then measures the launcher, the
# tkinter peer and the Xlib floor in Xvfb and prints one table. Takes about five minutes.
#   bench/run.sh [--runs N] [--idle SECONDS]
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGORVEX_TESTS=OFF >/dev/null
cmake --build build-bench -j2 >/dev/null
exec /usr/bin/python3 bench/harness.py build-bench "$@"
