#!/usr/bin/env bash
# The Windows build, cross-compiled with mingw-w64 and checked end to end under Wine.
set -euo pipefail
exec bash "$(dirname "$0")/../wine/run.sh"
