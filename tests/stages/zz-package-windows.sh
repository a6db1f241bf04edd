#!/usr/bin/env bash
# The Windows release zip, from the Windows build that tests/stages/windows.sh made in
# build-windows (this stage's name sorts after it): CPack builds the zip, and the check opens
# it. GORVEX_WINDOWS_BUILD names another build folder of the `windows` preset.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${GORVEX_WINDOWS_BUILD:-$root/build-windows}"

if [ ! -f "$build/bin/gorvex-launcher.exe" ]; then
  echo "no Windows build in $build: the Windows package is not checked"
  exit 0
fi
# A build folder configured before packaging existed has no CPack configuration yet.
[ -f "$build/CPackConfig.cmake" ] || (cd "$root" && cmake --preset windows -B "$build" >/dev/null)
cmake --build "$build" --target gorvex-launcher
bash "$root/tests/demo/package_test.sh" windows "$build/CPackConfig.cmake" "$build/package-test"
