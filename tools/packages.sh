# Sourced by run.sh, test.sh, the stages and the benchmark: the Debian packages each purpose
# needs, in one place, and the functions that install those missing. tests/distros.sh keys its
# cached systems by these lists, so a package left out of a list shows on a bare system.

# Building gorvex-launcher, gorvex-cmd and the demo folder for X11 and Wayland (preset
# `linux`, tests off). libdecor's headers give the types of what the launcher loads at run time.
packages_build=(cmake ninja-build g++ pkgconf python3 libx11-dev libxext-dev libxss-dev
  libwayland-dev libwayland-bin wayland-protocols libdecor-0-dev)
# Running it there: the file chooser, the fonts of the X11 message box, the emulator the demo
# folder starts, and title bars on compositors that draw none.
packages_run=(zenity xfonts-base dosbox libdecor-0-plugin-1-cairo)
# run.sh --xvfb: a virtual X server and the screenshot of the window.
packages_xvfb=(xvfb x11-utils imagemagick python3-pil)
# The unit, end-to-end, sanitizer and fuzz tests and the package checks.
packages_test=(clang libgtest-dev libgmock-dev libbenchmark-dev xdotool locales openbox
  x11-xserver-utils weston xwayland devscripts)
# The Windows builds and Wine, whose 32-bit side runs the release exe (architecture i386).
packages_windows=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine32
  icoutils)
# The 64-bit ARM cross build and qemu (architecture arm64).
packages_arm64=(g++-aarch64-linux-gnu qemu-user-static libx11-dev:arm64 libxext-dev:arm64
  libxss-dev:arm64 libwayland-dev:arm64 libdecor-0-dev:arm64 wayland-protocols libwayland-bin
  libstdc++6:arm64)
# The benchmark's extras: XTest presses, the tkinter peer.
packages_bench=(libbenchmark-dev libxtst-dev python3-tk)
# Making and entering other Debian releases' systems (tests/distros.sh).
packages_distros=(debootstrap zstd git)
# A player's X11 desktop with no SDL game on it: the X libraries, GTK 3 and zenity, no
# libdecor. The release tar.gz must start there.
packages_plain_desktop=(libx11-6 libxext6 libxss1 libgtk-3-0 zenity)

# How long apt-get waits for another package manager (unattended upgrades at boot, another
# terminal) before giving up, in seconds.
: "${GORVEX_APT_WAIT:=300}"

# apt_get ARGS...: apt-get as root, waiting while another package manager holds apt's or
# dpkg's lock, with a line saying so, for at most GORVEX_APT_WAIT seconds; then a clear error.
apt_get() {
  local sudo="" errors status deadline=$((SECONDS + GORVEX_APT_WAIT)) said=no
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  while true; do
    status=0
    errors=$($sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@" 2>&1 >/dev/null) || status=$?
    [ "$status" -eq 0 ] && return 0
    if ! grep -q "Could not get lock\|Unable to lock\|Unable to acquire the dpkg" <<<"$errors"; then
      printf '%s\n' "$errors" >&2
      return "$status"
    fi
    if [ "$said" = no ]; then
      echo "== waiting for another package manager to finish (at most $GORVEX_APT_WAIT s):" \
        "$(grep -m 1 -o 'held by process .*' <<<"$errors" || echo "apt's lock is held")"
      said=yes
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      printf '%s\n' "$errors" >&2
      echo "packages: another package manager still holds apt's lock after" \
        "$GORVEX_APT_WAIT s; try again when it has finished" >&2
      return 1
    fi
    sleep 2
  done
}

# need_packages NAME...: installs those not installed yet.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing Debian packages: ${missing[*]}"
  apt_get update -qq
  apt_get install -y -qq "${missing[@]}"
}

# Lets apt install packages of another architecture (wine32 is i386); updates the lists once.
need_architecture() {
  [ "$(dpkg --print-architecture)" = "$1" ] && return 0
  dpkg --print-foreign-architectures | grep -qx "$1" && return 0
  echo "== adding the $1 architecture"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo dpkg --add-architecture "$1"
  apt_get update -qq
}

# Installs those packages that this Debian release carries at the version asked for
# ("sway>=1.8"), and passes over the others without a word: desktops that only newer
# releases have.
want_packages() {
  local have=() p name least candidate
  for p in "$@"; do
    name=${p%%>=*}
    least=${p#"$name"}
    least=${least#>=}
    candidate=$(apt-cache policy "$name" 2>/dev/null | sed -n 's/^ *Candidate: *//p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || continue
    if [ -n "$least" ] && ! dpkg --compare-versions "$candidate" ge "$least"; then
      continue
    fi
    have+=("$name")
  done
  [ ${#have[@]} -eq 0 ] || need_packages "${have[@]}"
}
