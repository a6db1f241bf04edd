#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs
# the CTest suite there, with index checks in the standard containers. Any report ends the
# test's process with a failure, and so the stage.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-asan"

# What the tests below run; the benchmarks, the demo folder and the packages are left out.
(cd "$root" && cmake --preset asan >/dev/null &&
  cmake --build --preset asan --target gorvex-unit-tests gorvex-cmd-tests gorvex-cmd \
    gorvex-launcher gorvex-snapshot bmp-dump gorvex-demo-tests gorvex-wl-drag gorvex-x-hostile)

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1

# Unit tests and the other tests of our own code, with leak checks in full. The Wine suite
# runs the cross-built Windows program, which carries no sanitizer: it has nothing to add here.
ctest --test-dir "$build" --output-on-failure -j2 --no-tests=error -LE '^(e2e|wayland|wine|demo|package)$'
# The demo picture's tests, without the demo folder and DOSBox that the other demo tests need.
"$build/bin/gorvex-demo-tests" --gtest_brief=1

# The end-to-end tests run the real launcher against Xlib, libwayland, libdecor and its
# plugins, which keep some allocations until the process ends. Leaks whose allocation passes
# through those libraries are suppressed; a leak from our own code alone is still a failure.
if ctest --test-dir "$build" -N -L '^e2e$' | grep -q 'Total Tests: [1-9]'; then
  supp="$build/lsan-window-system.supp"
  printf 'leak:%s\n' libX11 libxcb libXext libXcursor libXss libdbus libfontconfig libwayland \
    libdecor libcairo libpango libgtk libgdk libglib libgobject >"$supp"
  # On Wayland the cases that take the driver through its paths: buffers, input, drops, the
  # lost compositor.
  LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
    ctest --test-dir "$build" --output-on-failure -j2 -L '^(e2e|wayland)$' \
    -R '^e2e[.]|^e2e-wayland(-2)?[.](pixels|button1|drag_out|drop|lost_display)$'
fi
