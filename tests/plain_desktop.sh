#!/usr/bin/env bash
# The release tar.gz on a player's plain X11 desktop: a Debian 12 system holding the X
# libraries, GTK 3 and zenity and nothing of Wayland's title bars (no libdecor), as an Xfce or
# MATE desktop without any SDL game has. The end-to-end cases start the tar.gz's launcher
# inside that system, on an X server of this machine: its window pixel for pixel, button 1's
# hand-over, and EXIT.
#   tests/plain_desktop.sh TARBALL BIN_DIR    BIN_DIR: this machine's build (gorvex-snapshot)
# Needs root (it asks sudo otherwise). The system is cached as tests/chroot.sh says.
set -euo pipefail
cd "$(dirname "$(realpath "$0")")/.."
. tools/packages.sh
. tests/chroot.sh
[ $# -eq 2 ] || {
  echo "usage: tests/plain_desktop.sh TARBALL BIN_DIR" >&2
  exit 2
}
tarball=$(realpath "$1")
bin_dir=$(realpath "$2")
enter_namespace "$0" "$@"
work=$(mktemp -d)
trap 'status=$?; leave_system; rm -rf "$work"; exit $status' EXIT
trap 'exit 130' INT TERM HUP

# Without the recommended packages: zenity's recommend a media stack that brings SDL and with
# it libdecor.
install_plain_desktop() {
  cp tools/packages.sh "$root/root/packages.sh"
  in_system '. /root/packages.sh && apt_get update -qq &&
    apt_get install -y -qq --no-install-recommends "${packages_plain_desktop[@]}"'
  rm "$root/root/packages.sh"
}
plain_system=bookworm-plain-$(cache_key packages_plain_desktop install_plain_desktop)
make_system bookworm "$plain_system"
if [ "$system_from" = bare ]; then
  install_plain_desktop
  save_cache "$plain_system"
fi
if chroot "$root" dpkg-query -W -f='${Status}' libdecor-0-0 2>/dev/null | grep -q "ok installed"; then
  echo "plain_desktop: the system holds libdecor, so it proves nothing" >&2
  exit 1
fi

mkdir "$work/release"
tar -xzf "$tarball" -C "$work/release"
# The cases make their game folders in /tmp: the system sees this machine's /tmp.
mount --bind /tmp "$root/tmp"
cat >"$work/runner.sh" <<'RUNNER'
# Starts the program $1 inside the plain system, in the folder the case started it in.
exec chroot "$GORVEX_PLAIN_ROOT" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$PWD" "$@"
RUNNER
export GORVEX_PLAIN_ROOT=$root GORVEX_E2E_LAUNCHER_DIR=$work/release
export GORVEX_E2E_LAUNCHER_RUNNER="sh $work/runner.sh"
failed=0
for case in pixels button1 exit; do
  /usr/bin/python3 tests/e2e/launcher_e2e.py "$bin_dir" "$case" || failed=1
done
[ $failed = 0 ] && echo "== plain_desktop: the release starts on a plain X11 desktop"
exit $failed
