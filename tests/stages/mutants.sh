#!/usr/bin/env bash
# Plants one-line faults in the code the fast suite guards, one at a time, in the build/ that
# test.sh made, and fails when the unit tests do not catch one. Sources are restored after each.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
/usr/bin/python3 "$root/tests/mutants.py" "$root" "${GORVEX_MUTANTS_BUILD:-$root/build}"
