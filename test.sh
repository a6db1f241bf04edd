#!/usr/bin/env bash
# Builds the launcher and runs every test. Installs the Debian packages it needs when missing.
set -euo pipefail
cd "$(dirname "$0")"
. tools/packages.sh
need_packages cmake ninja-build g++ libgtest-dev libsdl2-dev

echo "== building (build/)"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
echo "== unit tests"
ctest --test-dir build --output-on-failure
