# Sourced by tests/distros.sh and tests/plain_desktop.sh: bare Debian systems to try a command
# in, made with debootstrap from this machine's own mirror and entered with chroot. Call
# `enter_namespace "$0" "$@"` first: the script then runs again, as root, in a mount namespace
# of its own, so that no mount outlives it however it ends.
#
# Caches, in /var/cache/gorvex-distros: SUITE-base.tar.zst is debootstrap's minbase with git
# and ca-certificates and nothing else. A system with packages installed is cached under a key
# made of the package lists that filled it (`cache_key`), so a list that changes makes a new
# system from the bare one, and a package missing from a list can never be supplied by a
# cache.

chroot_cache_dir=/var/cache/gorvex-distros
root=""

enter_namespace() {
  local self
  self=$(realpath "$1")
  shift
  if [ "$(id -u)" -ne 0 ]; then exec sudo -- "$self" "$@"; fi
  if [ -z "${GORVEX_CHROOT_NAMESPACE:-}" ]; then
    need_packages "${packages_distros[@]}"
    exec env GORVEX_CHROOT_NAMESPACE=1 unshare --mount --propagation private -- bash "$self" "$@"
  fi
}

# cache_key NAME...: a short hash of those lists (and functions, where a script installs
# with one of its own) as they stand.
cache_key() {
  local name text=""
  for name in "$@"; do
    if declare -F "$name" >/dev/null; then
      text+=$(declare -f "$name")
    else
      text+=$(declare -p "$name")
    fi
  done
  sha256sum <<<"$text" | cut -c 1-12
}

unmount_all() {
  [ -n "$root" ] || return 0
  local point
  # Deepest first: dev/pts before dev, the rbind of sys with all below it.
  for point in tmp dev/shm dev/pts dev proc; do
    mountpoint -q "$root/$point" && umount "$root/$point"
  done
  mountpoint -q "$root/sys" && umount -R "$root/sys"
  mountpoint -q "$root" && umount "$root"
  return 0
}

# Leaves the system: unmounts and deletes it.
leave_system() {
  unmount_all || true
  if [ -n "$root" ] && [ -d "$root" ]; then
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "chroot: mounts remain under $root, leaving it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  fi
  root=""
}

debian_mirror() {
  local mirror
  mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
    grep -v -- '-security' | head -n 1 || true)
  if [ -z "$mirror" ]; then
    mirror=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null |
      grep -v -- '-security' | head -n 1 || true)
  fi
  [ -n "$mirror" ] || { echo "chroot: no Debian mirror found in /etc/apt" >&2; return 1; }
  echo "$mirror"
}

# save_cache NAME: the system as it is now, as NAME.tar.zst; other caches of the same suite
# and purpose (NAME without its key) are deleted.
save_cache() {
  local name=$1 old
  echo "== chroot: caching the system as $chroot_cache_dir/$name.tar.zst"
  chroot "$root" apt-get clean
  for old in "$chroot_cache_dir/${name%-*}"-*.tar.zst; do
    [ "$old" = "$chroot_cache_dir/$name.tar.zst" ] || rm -f "$old"
  done
  tar --numeric-owner --one-file-system -C "$root" --exclude=./root/gorvex --exclude='./tmp/*' \
    --exclude='./proc/*' --exclude='./sys/*' --exclude='./dev/*' -cf - . |
    zstd -q -T2 -3 -o "$chroot_cache_dir/$name.tar.zst.part"
  mv "$chroot_cache_dir/$name.tar.zst.part" "$chroot_cache_dir/$name.tar.zst"
}

# make_system SUITE [CACHE-NAME]: a new system in $root, from the cache CACHE-NAME where there
# is one (system_from=cache), else from the bare system of SUITE (system_from=bare: the caller
# installs and saves). Mounted and ready to enter.
system_from=""
make_system() {
  local suite=$1 wanted=${2:-} started=$SECONDS
  system_from=bare
  mkdir -p "$chroot_cache_dir"
  root=$(mktemp -d /var/tmp/gorvex-chroot-$suite.XXXXXX)
  # In memory when there is room: unpacked faster, and gone at once at the end (deleting some
  # 150 000 files from disk took 90 s).
  local available
  available=$(sed -n 's/^MemAvailable: *\([0-9]*\) kB/\1/p' /proc/meminfo)
  if [ "${available:-0}" -gt $((12 * 1024 * 1024)) ]; then
    mount -t tmpfs -o size=10g,mode=755 gorvex-chroot "$root"
  fi
  chmod 755 "$root"
  local base=$chroot_cache_dir/$suite-base.tar.zst
  if [ -n "$wanted" ] && [ -s "$chroot_cache_dir/$wanted.tar.zst" ]; then
    echo "== chroot: unpacking the cached $wanted"
    zstd -q -dc "$chroot_cache_dir/$wanted.tar.zst" | tar --numeric-owner -x -C "$root"
    system_from=cache
  elif [ -s "$base" ]; then
    echo "== chroot: unpacking the bare $suite system"
    zstd -q -dc "$base" | tar --numeric-owner -x -C "$root"
  else
    local mirror
    mirror=$(debian_mirror)
    echo "== chroot: debootstrap $suite from $mirror"
    debootstrap --variant=minbase --include=git,ca-certificates "$suite" "$root" "$mirror" \
      >"$root.debootstrap.log" 2>&1 || {
      tail -n 30 "$root.debootstrap.log"
      rm -f "$root.debootstrap.log"
      return 1
    }
    rm -f "$root.debootstrap.log"
    # Unstable's Release file may be older than its validity; no daemon starts in the chroot.
    echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99gorvex-distros"
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
    save_cache "$suite-base"
  fi
  echo "-- chroot: $suite ready in $((SECONDS - started)) s"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  # A desktop session's runtime folder, as the login manager gives it.
  mkdir -p -m 700 "$root/run/user/0"
}

# in_system COMMAND: runs COMMAND with bash in /root/gorvex (or / before the clone), with the
# environment of a fresh root login.
in_system() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb XDG_RUNTIME_DIR=/run/user/0 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/gorvex 2>/dev/null || cd /; $1"
}

# clone_commit REPO: a fresh clone of REPO's HEAD commit (what is committed, not the work
# tree's changes) as /root/gorvex.
clone_commit() {
  git clone -q --no-local "$1" "$root/root/gorvex"
  git -C "$root/root/gorvex" checkout -q "$(git -C "$1" rev-parse HEAD)"
}
