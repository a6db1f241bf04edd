#!/usr/bin/env bash
# Builds the launcher and starts it in the demo game folder (build/demo), where its buttons
# start Debian's DOSBox. Installs the Debian packages it needs when they are missing.
#   ./run.sh           on a desktop (needs DISPLAY or WAYLAND_DISPLAY)
#   ./run.sh --xvfb    no desktop: starts it in a virtual X server, saves a screenshot as
#                      build/run-screenshot.png and ends it
set -euo pipefail
cd "$(dirname "$0")"

xvfb=no
case "${1:-}" in
  "") ;;
  --xvfb) xvfb=yes ;;
  *)
    echo "usage: ./run.sh [--xvfb]" >&2
    exit 2
    ;;
esac

if [ "$xvfb" = no ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'EOF'
run.sh: there is no display (DISPLAY and WAYLAND_DISPLAY are unset), so the launcher's
window has nowhere to open. Run ./run.sh in a desktop session, through `ssh -X`, or as
`./run.sh --xvfb` to start it in a virtual X server and save a screenshot.
EOF
  exit 1
fi

. tools/packages.sh
if [ "$xvfb" = yes ]; then
  need_packages "${packages_build[@]}" "${packages_run[@]}" "${packages_xvfb[@]}"
else
  need_packages "${packages_build[@]}" "${packages_run[@]}"
fi

echo "== building the launcher and the demo game folder (build/, build/demo/)"
# The tests are test.sh's: a player's build needs neither GoogleTest nor its packages.
cmake --preset linux -DGORVEX_TESTS=OFF >/dev/null
cmake --build --preset linux --target demo

demo=build/demo
[ -x "$demo/gorvex-launcher" ] || {
  echo "run.sh: $demo/gorvex-launcher was not built" >&2
  exit 1
}

if [ "$xvfb" = no ]; then
  echo "== starting the launcher in $demo"
  echo "   Its buttons start DOSBox (as $demo/gorvex.exe) with $demo/CFG/*.cnf; the game itself"
  echo "   is not included, so DOSBox only shows which configuration it was given."
  cd "$demo"
  exec ./gorvex-launcher
fi

# No desktop: the test harness starts a private X server, the launcher in it for a moment,
# and saves a screenshot of its window.
echo "== starting the launcher in $demo in a virtual X server (Xvfb)"
/usr/bin/python3 tests/e2e/harness.py shot "$demo" build/run-screenshot.png
echo "== the launcher ran; its window is saved as build/run-screenshot.png"
