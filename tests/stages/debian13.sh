#!/usr/bin/env bash
# The launcher as a newcomer on Debian 13 gets it: tests/distros.sh trixie builds and tests a
# fresh clone of this commit in a cached Debian 13 chroot. On Debian 13 itself the rest of
# test.sh has done all of that already.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = trixie ]; then
  echo "debian13: this machine runs Debian 13 already, nothing to add"
  exit 0
fi
exec bash tests/distros.sh trixie
