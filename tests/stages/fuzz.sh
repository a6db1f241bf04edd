#!/usr/bin/env bash
# Builds the load_bmp fuzzer with clang (AddressSanitizer and UndefinedBehaviorSanitizer on the
# whole build) and runs it for a bounded time from a copy of our seed pictures. Any crash,
# sanitizer report, leak, slow input or memory blow-up fails the stage; the input that did it
# is kept in the build folder's fuzz-artifacts/.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${GORVEX_FUZZ_BUILD:-$root/build-fuzz}"
seconds="${GORVEX_FUZZ_SECONDS:-60}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DGORVEX_SANITIZE=address,undefined -DGORVEX_FUZZ=ON \
  -DGORVEX_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz-load-bmp

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$root/fuzz/corpus" "$work/corpus"
mkdir -p "$build/fuzz-artifacts"

status=0
"$build/bin/fuzz-load-bmp" "$work/corpus" -dict="$root/fuzz/bmp.dict" \
  -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-artifacts/" >"$work/log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
  "$work/log" || true
if [ "$status" -ne 0 ]; then
  tail -n 60 "$work/log"
  echo "fuzz-load-bmp failed (exit status $status); inputs kept in $build/fuzz-artifacts/" >&2
  exit 1
fi
