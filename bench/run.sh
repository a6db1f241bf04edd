#!/bin/sh
# The benchmark command: builds in Release into build-bench, then measures the launcher, the
# tkinter peer and the Xlib floor in Xvfb and prints one table. Takes about five minutes.
#   bench/run.sh [--runs N] [--idle SECONDS]
set -eu
cd "$(dirname "$0")/.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGORVEX_TESTS=OFF &&
       cmake --build build-bench -j2; } >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
/usr/bin/python3 bench/harness.py build-bench "$@"
