#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on
# the whole build) and runs each for a bounded time from a copy of its seeds: load_bmp on
# picture files, and gorvex-cmd's parser on batch files. Any crash, sanitizer report, leak,
# slow input or memory blow-up fails the stage; the input that did it is kept in the build
# folder's fuzz-artifacts/. The fuzzers run side by side, a core each.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
seconds="${GORVEX_FUZZ_SECONDS:-20}"  # coverage levels off within seconds from the seeds

(cd "$root" && cmake --preset fuzz >/dev/null &&
  cmake --build --preset fuzz --target fuzz-load-bmp fuzz-batch-parse)

work="$(mktemp -d)"
pids=() targets=() failed=0
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"

# fuzz TARGET SEED-FOLDER [libFuzzer options]: runs in the background, one core each.
fuzz() {
  local target=$1 seeds=$2
  shift 2
  cp -r "$seeds" "$work/$target"
  "$build/bin/$target" "$work/$target" "$@" -max_total_time="$seconds" -timeout=5 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/" \
    >"$work/$target.log" 2>&1 &
  pids+=("$!")
  targets+=("$target")
}

# report INDEX: waits for that fuzzer, prints its totals, and on a failure its log's end.
report() {
  local target=${targets[$1]} status=0
  wait "${pids[$1]}" || status=$?
  echo "-- $target, $seconds s"
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "$work/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/$target.log"
    echo "$target failed (exit status $status); inputs kept in $build/fuzz-artifacts/" >&2
    failed=1
  fi
}

fuzz fuzz-load-bmp "$root/fuzz/corpus" -dict="$root/fuzz/bmp.dict"
fuzz fuzz-batch-parse "$root/fuzz/batch-corpus"
for i in "${!pids[@]}"; do report "$i"; done
exit "$failed"
