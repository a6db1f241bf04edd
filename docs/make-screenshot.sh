#!/usr/bin/env bash
# Remakes docs/screenshot.png, the launcher's main screen over the demo folder's picture, with
# the project's own tools: gorvex-snapshot in a copy of the demo folder, then BMP to PNG.
#   docs/make-screenshot.sh [BUILD_DIR]   (default build/; needs its demo target built)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"

# The fourth about line shows the folder the snapshot tool lies in.
folder=$(mktemp -d /tmp/Gorvex.XXXX)
trap 'rm -rf "$folder"' EXIT
cp -r "$build/demo/CFG" "$folder/"
cp "$build/bin/gorvex-snapshot" "$folder/"
(cd "$folder" && ./gorvex-snapshot main-screen.bmp)
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], optimize=True)' \
  "$folder/main-screen.bmp" "$root/docs/screenshot.png"
echo "docs/screenshot.png: $(stat -c %s "$root/docs/screenshot.png") bytes"
