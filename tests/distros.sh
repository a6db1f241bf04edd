#!/usr/bin/env bash
# Tries the launcher as a newcomer on another Debian release would: in a fresh clone of this
# commit inside a chroot of that release, `./run.sh --xvfb`, then the unit tests, the
# end-to-end cases that touch the desktop and the package check.
#   tests/distros.sh trixie     Debian 13 (tests/stages/debian13.sh runs this in ./test.sh)
#   tests/distros.sh unstable   Debian unstable (by hand: it breaks on its own now and then)
# Needs root (it asks sudo otherwise). The chroot comes from debootstrap with this machine's
# own Debian mirror and is cached, with the packages run.sh and test.sh install, as
# /var/cache/gorvex-distros/SUITE.tar.zst; the next run unpacks that and installs only what
# the scripts' package lists gained since. Mounts live in a mount namespace of their own, so
# none outlives the script however it ends.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

suite=${1:-}
case $suite in
  13 | trixie) suite=trixie ;;
  unstable | sid) suite=sid ;;
  "" | -*)
    echo "usage: tests/distros.sh trixie|unstable" >&2
    exit 2
    ;;
esac

if [ "$(id -u)" -ne 0 ]; then exec sudo -- "$self" "$@"; fi
if [ -z "${GORVEX_DISTROS_NAMESPACE:-}" ]; then
  . tools/packages.sh
  need_packages debootstrap zstd git
  exec env GORVEX_DISTROS_NAMESPACE=1 unshare --mount --propagation private -- bash "$self" "$@"
fi

cache_dir=/var/cache/gorvex-distros
cache=$cache_dir/$suite.tar.zst
repo=$PWD
root=""
mkdir -p "$cache_dir"

unmount_all() {
  [ -n "$root" ] || return 0
  local point
  # Deepest first: dev/pts before dev, the rbind of sys with all below it.
  for point in dev/shm dev/pts dev proc; do
    mountpoint -q "$root/$point" && umount "$root/$point"
  done
  mountpoint -q "$root/sys" && umount -R "$root/sys"
  mountpoint -q "$root" && umount "$root"
  return 0
}
clean_up() {
  local status=$?
  unmount_all || true
  if [ -n "$root" ] && [ -d "$root" ]; then
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "distros: mounts remain under $root, leaving it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  fi
  exit $status
}
trap clean_up EXIT
trap 'exit 130' INT TERM HUP

# The mirror this machine's own apt uses (deb822 or one-line sources).
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v -- '-security' | head -n 1 || true)
if [ -z "$mirror" ]; then
  mirror=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null |
    grep -v -- '-security' | head -n 1 || true)
fi
[ -n "$mirror" ] || { echo "distros: no Debian mirror found in /etc/apt" >&2; exit 1; }

root=$(mktemp -d /var/tmp/gorvex-distros-$suite.XXXXXX)
# In memory when there is room: unpacked faster, and gone at once at the end (deleting some
# 150 000 files from disk took 90 s).
available=$(sed -n 's/^MemAvailable: *\([0-9]*\) kB/\1/p' /proc/meminfo)
if [ "${available:-0}" -gt $((12 * 1024 * 1024)) ]; then
  mount -t tmpfs -o size=10g,mode=755 gorvex-distros "$root"
fi
chmod 755 "$root"
packages_of() { chroot "$root" dpkg-query -W -f '${Package}:${Architecture} ${Version}\n' | sort; }
save_cache() {
  echo "== distros: caching the $suite chroot as $cache"
  chroot "$root" apt-get clean
  tar --numeric-owner --one-file-system -C "$root" --exclude=./root/gorvex --exclude='./tmp/*' \
    --exclude='./proc/*' --exclude='./sys/*' --exclude='./dev/*' -cf - . |
    zstd -q -T2 -3 -o "$cache.part"
  mv "$cache.part" "$cache"
}

started=$SECONDS
if [ -s "$cache" ]; then
  echo "== distros: unpacking the cached $suite chroot"
  zstd -q -dc "$cache" | tar --numeric-owner -x -C "$root"
else
  echo "== distros: debootstrap $suite from $mirror"
  debootstrap --variant=minbase --include=git,ca-certificates "$suite" "$root" "$mirror" \
    >"$root.debootstrap.log" 2>&1 || {
    tail -n 30 "$root.debootstrap.log"
    rm -f "$root.debootstrap.log"
    exit 1
  }
  rm -f "$root.debootstrap.log"
  # Unstable's Release file may be older than its validity; no daemon starts in the chroot.
  echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99gorvex-distros"
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  save_cache
fi
echo "-- distros: chroot ready in $((SECONDS - started)) s"

cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

# A desktop session's environment, as the login manager gives it (SDL 3 complains on stderr
# without XDG_RUNTIME_DIR).
mkdir -p -m 700 "$root/run/user/0"
in_chroot() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb XDG_RUNTIME_DIR=/run/user/0 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/gorvex && $1"
}

# A fresh clone of this commit (what is committed, not the work tree's changes).
git clone -q --no-local "$repo" "$root/root/gorvex"
git -C "$root/root/gorvex" checkout -q "$(git -C "$repo" rev-parse HEAD)"
echo "== distros: $suite: $(chroot "$root" cat /etc/debian_version)," \
  "commit $(git -C "$repo" rev-parse --short HEAD)"

# The packages: what test.sh installs, then run.sh, which installs its own and builds. The
# cache is saved again whenever either installed something.
installed=$(packages_of)
cache_if_installed() {
  local now
  now=$(packages_of)
  [ "$now" = "$installed" ] && return 0
  save_cache
  installed=$now
}
started=$SECONDS
in_chroot './test.sh --packages'
echo "-- distros: test.sh's packages in $((SECONDS - started)) s"
cache_if_installed
started=$SECONDS
in_chroot './run.sh --xvfb'
echo "-- distros: run.sh --xvfb in $((SECONDS - started)) s"
cache_if_installed

started=$SECONDS
in_chroot 'cmake --build --preset linux -j2'
echo "-- distros: build in $((SECONDS - started)) s"
started=$SECONDS
# The unit tests, then the cases that touch the desktop: X11 with the real chooser (zenity of
# this release), Wayland at scale 2 under this release's weston, a lost compositor there with
# this release's libdecor plugins, at 150 % under sway, under labwc's title bars, and the
# package.
in_chroot "ctest --test-dir build --output-on-failure --no-tests=error -j2 \
  -LE 'e2e|wayland|package|wine' -E '^demo[.]emulator_'"
desktop='^(e2e[.](pixels|button1|mod|drag_out|exit)|e2e-wayland-2[.]pixels|package[.]linux'
desktop+='|e2e-wayland[.]lost_display|e2e-sway-1[.]5[.](pixels|button1)'
desktop+='|e2e-labwc[.](pixels|lost_display))$'
# All twelve must be registered: a missing tool leaves cases out with only a warning.
registered=$(in_chroot "ctest --test-dir build -N -R '$desktop'" | sed -n 's/^Total Tests: //p')
[ "$registered" = 12 ] || {
  echo "distros: $registered of the 12 desktop cases registered" >&2
  exit 1
}
in_chroot "ctest --test-dir build --output-on-failure --no-tests=error -j2 -R '$desktop'"
echo "-- distros: tests in $((SECONDS - started)) s"
echo "== distros: $suite passed"
