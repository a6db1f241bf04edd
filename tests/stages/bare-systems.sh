#!/usr/bin/env bash
# README's commands on bare systems, as a newcomer runs them: in Debian 12 and Debian 13
# systems holding debootstrap's minbase and git only, a fresh clone's `./run.sh --xvfb` first
# (it must install all it needs itself); in Debian 13 then `./test.sh --packages`, the unit
# tests and the desktop cases. The release tar.gz built in the Debian 12 system must show its
# window on a plain X11 desktop without libdecor. Systems are cached, keyed by the package
# lists that filled them (tests/chroot.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash tests/distros.sh bookworm --tarball "$work/release.tar.gz"
bash tests/plain_desktop.sh "$work/release.tar.gz" build/bin
bash tests/distros.sh trixie
