#!/usr/bin/env bash
# The Windows release zip, from the Windows build that tests/stages/windows.sh made in
# build-windows (this stage's name sorts after it), or makes that build: CPack builds the zip, and the check opens
# it. GORVEX_WINDOWS_BUILD names another build folder of the `windows` preset.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${GORVEX_WINDOWS_BUILD:-$root/build-windows}"

# The Wine checks may have run another build (where 32-bit programs cannot run): the
# release build is made here when missing.
[ -f "$build/CPackConfig.cmake" ] || (cd "$root" && cmake --preset windows -B "$build" >/dev/null)
cmake --build "$build" --target gorvex-launcher
bash "$root/tests/demo/package_test.sh" windows "$build/CPackConfig.cmake" "$build/package-test"
