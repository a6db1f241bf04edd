#!/usr/bin/env bash
# Tries README's commands as a newcomer would, on a bare Debian system (debootstrap's minbase
# with git, nothing else): a fresh clone of this commit runs `./run.sh --xvfb` first, so it
# must install all it needs itself; then, where tests are asked for, `./test.sh --packages`,
# the unit tests and the end-to-end cases that touch this release's desktops.
#   tests/distros.sh bookworm [--tarball OUT]   Debian 12: run.sh only; with --tarball, the
#                                               release tar.gz built there is copied to OUT
#   tests/distros.sh trixie                     Debian 13: run.sh, then the tests
#   tests/distros.sh unstable                   Debian unstable, by hand (it breaks on its own
#                                               now and then)
# Needs root (it asks sudo otherwise). Systems are cached as tests/chroot.sh says.
set -euo pipefail
cd "$(dirname "$(realpath "$0")")/.."
. tools/packages.sh
. tests/chroot.sh

suite=${1:-}
case $suite in
  12 | bookworm) suite=bookworm ;;
  13 | trixie) suite=trixie ;;
  unstable | sid) suite=sid ;;
  *)
    echo "usage: tests/distros.sh bookworm [--tarball OUT] | trixie | unstable" >&2
    exit 2
    ;;
esac
tarball=""
if [ "${2:-}" = --tarball ] && [ -n "${3:-}" ]; then tarball=$(realpath -m "$3"); fi
enter_namespace "$0" "$@"
trap 'status=$?; leave_system; exit $status' EXIT
trap 'exit 130' INT TERM HUP

with_tests=yes
[ "$suite" = bookworm ] && with_tests=no
# A system as run.sh leaves it, and as test.sh --packages leaves that one.
run_system=$suite-run-$(cache_key packages_build packages_run packages_xvfb)
# test.sh also installs what its release carries of some desktops, and clang's runtimes.
test_system=$suite-test-$(cache_key packages_build packages_run packages_xvfb packages_test \
  packages_windows)$(sha256sum test.sh | cut -c 1-6)

if [ $with_tests = yes ] && [ -s "$chroot_cache_dir/$test_system.tar.zst" ]; then
  make_system $suite "$test_system"
  has_test_packages=yes
else
  make_system $suite "$run_system"
  has_test_packages=no
fi
clone_commit "$PWD"
echo "== distros: $suite: $(chroot "$root" cat /etc/debian_version)," \
  "commit $(git rev-parse --short HEAD), from the $system_from system"

started=$SECONDS
in_system './run.sh --xvfb'
[ -s "$root/root/gorvex/build/run-screenshot.png" ] || {
  echo "distros: run.sh --xvfb saved no screenshot" >&2
  exit 1
}
echo "-- distros: run.sh --xvfb in $((SECONDS - started)) s"
[ "$system_from" = bare ] && save_cache "$run_system"

if [ -n "$tarball" ]; then
  in_system 'cmake --build --preset linux -j2 >/dev/null &&
    cpack --config build/CPackConfig.cmake -G TGZ -B build/release >/dev/null'
  cp "$root"/root/gorvex/build/release/gorvex-launcher-*.tar.gz "$tarball"
  echo "== distros: the release tar.gz built on $suite is $tarball"
fi
[ $with_tests = yes ] || {
  echo "== distros: $suite passed"
  exit 0
}

if [ $has_test_packages = no ]; then
  started=$SECONDS
  in_system './test.sh --packages'
  echo "-- distros: test.sh's packages in $((SECONDS - started)) s"
  save_cache "$test_system"
fi

# The default build, as a packager's: warnings are not errors with this release's compiler.
started=$SECONDS
in_system 'cmake --preset linux -DGORVEX_TESTS=ON >/dev/null && cmake --build --preset linux -j2'
echo "-- distros: build in $((SECONDS - started)) s"
started=$SECONDS
# The unit tests, then the cases that touch the desktop: X11 with the real chooser (zenity of
# this release), Wayland at scale 2 under this release's weston, a lost compositor there with
# this release's libdecor plugins, at 150 % under sway, under labwc's title bars, and the
# package.
in_system "ctest --test-dir build --output-on-failure --no-tests=error -j2 \
  -LE 'e2e|wayland|package|wine' -E '^(demo[.]emulator_|packages$)'"
desktop='^(e2e[.](pixels|button1|mod|drag_out|exit)|e2e-wayland-2[.]pixels|package[.]linux'
desktop+='|e2e-wayland[.]lost_display|e2e-sway-1[.]5[.](pixels|button1)'
desktop+='|e2e-labwc[.](pixels|lost_display))$'
# All twelve must be registered: a missing tool leaves cases out with only a warning.
registered=$(in_system "ctest --test-dir build -N -R '$desktop'" | sed -n 's/^Total Tests: //p')
[ "$registered" = 12 ] || {
  echo "distros: $registered of the 12 desktop cases registered" >&2
  exit 1
}
in_system "ctest --test-dir build --output-on-failure --no-tests=error -j2 -R '$desktop'"
echo "-- distros: tests in $((SECONDS - started)) s"
echo "== distros: $suite passed"
