#!/usr/bin/env bash
# The threaded code (service thread, screen lock, pointer state) once under ThreadSanitizer:
# the unit tests, and the end-to-end cases labelled "threads" (each path the service thread
# takes) in a real X server. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target gorvex-unit-tests gorvex-cmd gorvex-launcher gorvex-snapshot
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
ctest --test-dir build-tsan -L '^threads$' -j2 --no-tests=error --output-on-failure
build-tsan/bin/gorvex-unit-tests --gtest_brief=1
