#!/usr/bin/env bash
# The 64-bit ARM build (Raspberry Pi OS 64-bit and other aarch64 Linux): cross-built with the
# preset `linux-arm64` in build-linux-arm64, its tar.gz made and opened (aarch64 ELF
# programs), then e2e cases run against the aarch64 launcher through qemu-user: the window
# pixel for pixel, button 1's hand-over, EXIT, a mod install and a refused hostile name.
# The launcher is started through qemu-aarch64-static, which runs nothing but aarch64
# programs. It starts gorvex-cmd itself, so for the mod install the kernel must hand aarch64
# programs to qemu (binfmt_misc, registered here as root); without that the mod install is
# left out. GORVEX_ARM64_BINFMT=no leaves it out on purpose.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-linux-arm64"
cd "$root"
. tools/packages.sh
need_architecture arm64
need_packages "${packages_arm64[@]}"

# The whole build, as docs/packaging.md gives it for the package.
cmake --preset linux-arm64 -DGORVEX_WERROR=ON >/dev/null
cmake --build --preset linux-arm64
bash tests/demo/package_test.sh linux-aarch64 "$build/CPackConfig.cmake" "$build/package-test"

# The cases take the reference screen from this machine's gorvex-snapshot.
[ -f build/build.ninja ] || cmake --preset linux >/dev/null
cmake --build --preset linux --target gorvex-snapshot >/dev/null

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
binfmt=/proc/sys/fs/binfmt_misc

# Whether the kernel starts aarch64 programs itself, after registering qemu for them where
# binfmt_misc is there and nothing is registered yet.
kernel_runs_aarch64() {
  [ "${GORVEX_ARM64_BINFMT:-}" != no ] || return 1
  if [ ! -e "$binfmt/register" ]; then
    grep -qw binfmt_misc /proc/filesystems || return 1
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || return 1
  fi
  if [ ! -e "$binfmt/qemu-aarch64" ]; then
    $sudo sh -c "cat /usr/lib/binfmt.d/qemu-aarch64.conf > $binfmt/register" 2>/dev/null ||
      return 1
  fi
  # An aarch64 program that starts prints its usage; one the kernel refuses gives 126.
  local status=0
  env "$build/bin/gorvex-cmd" </dev/null >/dev/null 2>&1 || status=$?
  [ "$status" -ne 126 ] && [ "$status" -ne 127 ]
}

cases="pixels button1 exit mod hostile_newline_del"
export GORVEX_E2E_LAUNCHER_DIR="$build/bin" GORVEX_E2E_LAUNCHER_RUNNER=qemu-aarch64-static
if ! kernel_runs_aarch64; then
  echo "no binfmt_misc for aarch64 here: the mod install, where the launcher starts the aarch64 gorvex-cmd, is left out"
  cases="pixels button1 exit hostile_newline_del"
fi

failed=0
for case in $cases; do
  /usr/bin/python3 tests/e2e/launcher_e2e.py build/bin "$case" || failed=1
done
exit "$failed"
