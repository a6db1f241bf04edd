# Sourced by run.sh and test.sh: installs Debian packages that are missing.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Lets apt install packages of another architecture (wine32 is i386); updates the lists once.
need_architecture() {
  [ "$(dpkg --print-architecture)" = "$1" ] && return 0
  dpkg --print-foreign-architectures | grep -qx "$1" && return 0
  echo "== adding the $1 architecture"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo dpkg --add-architecture "$1"
  $sudo apt-get update -qq
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
