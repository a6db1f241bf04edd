#!/usr/bin/env bash
# The benchmark command: builds in Release into build-bench, then measures the launcher, the
# tkinter peer and the Xlib floor in Xvfb, the launcher and the wl_shm floor on Weston, and
# prints one table for each desktop. Takes about four minutes.
# Installs the Debian packages it needs when they are missing.
#   bench/run.sh [--runs N] [--idle SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

. tools/packages.sh
need_packages "${packages_build[@]}" "${packages_xvfb[@]}" "${packages_bench[@]}" weston

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGORVEX_TESTS=OFF &&
       cmake --build build-bench -j2; } >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
/usr/bin/python3 bench/measure.py build-bench "$@"
