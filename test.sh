#!/usr/bin/env bash
# Builds the launcher and runs every test: unit and end-to-end tests, the sanitizer runs, the
# fuzzer and the Windows build under Wine. Installs the Debian packages it needs when missing.
#   ./test.sh              all of it
#   ./test.sh --packages   only installs the packages (tests/distros.sh does so in a chroot)
set -euo pipefail
cd "$(dirname "$0")"
. tools/packages.sh
need_architecture i386  # the Windows exe is 32-bit: Wine's 32-bit side runs it
need_packages "${packages_build[@]}" "${packages_run[@]}" "${packages_xvfb[@]}" \
  "${packages_test[@]}" "${packages_windows[@]}"
# The sanitizer and fuzzer runtimes of the clang installed, whichever release it is.
clang_major=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
need_packages "libclang-rt-$clang_major-dev"
# Wayland desktops of newer releases: sway that scales by fractions, labwc that asks for
# client-side title bars (Debian 13 has both).
want_packages "sway>=1.8" labwc
[ "${1:-}" = --packages ] && exit 0

echo "== build (build/)"
cmake --preset dev >/dev/null
cmake --build --preset dev
echo "-- build: $SECONDS s"
# The cross builds of the stages below draw their icons with this build's gorvex-icon.
export GORVEX_HOST_ICON_TOOL="$PWD/build/bin/gorvex-icon"
echo "== tests"
started=$SECONDS
ctest --test-dir build --output-on-failure --no-tests=error -j2
echo "-- tests: $((SECONDS - started)) s"
echo "== clicks, five times over"
# The cases that hang on the timing of a press against the loops' sleeps.
ctest --test-dir build -R '^e2e[.](quick_click|slide|drag_out)$' --repeat until-fail:5 -j2 \
  --no-tests=error --output-on-failure

# Further stages, each a script of its own.
for stage in tests/stages/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  started=$SECONDS
  bash "$stage"
  echo "-- $(basename "$stage" .sh): $((SECONDS - started)) s"
done
echo "== all passed in $SECONDS s"
