#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs every fuzz target for SECONDS from the committed seed corpus and fails
# when any of them finds a crash, a sanitizer report, a leak, a broken
# invariant, a hang (10 s for one input) or runs out of memory (2 GB).
#
#   fuzz/run-short.sh BUILD-DIR [SECONDS]      (default 60)
#
# The corpus that a run grows is kept in BUILD-DIR/fuzz-corpus/TARGET, so a
# second run goes on where the first stopped; the committed seeds in
# fuzz/corpus/ are never changed. A failing input lands in
# BUILD-DIR/fuzz-artifacts/ and the target's log in BUILD-DIR/fuzz-logs/.
# Targets run side by side, as many at a time as there are processors
# (FUZZ_JOBS overrides). Prints the executions per target.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 BUILD-DIR [SECONDS]" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd)
SECONDS_PER_TARGET=${2:-60}
HERE=$(cd "$(dirname "$0")" && pwd)
TARGETS=(profile names command_line catalogue)
JOBS=${FUZZ_JOBS:-$(nproc)}

mkdir -p "$BUILD/fuzz-artifacts" "$BUILD/fuzz-logs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
  local target=$1
  local program="$BUILD/fuzz/fuzz_$target"
  local corpus="$BUILD/fuzz-corpus/$target"
  mkdir -p "$corpus"
  if [[ ! -x $program ]]; then
    echo "$target: $program is missing (build the target kevo_fuzz)" >"$BUILD/fuzz-logs/$target.log"
    return 1
  fi
  "$program" "$corpus" "$HERE/corpus/$target" \
    -max_total_time="$SECONDS_PER_TARGET" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$target-" \
    >"$BUILD/fuzz-logs/$target.log" 2>&1
}

declare -A pids
for target in "${TARGETS[@]}"; do
  while [[ $(jobs -rp | wc -l) -ge $JOBS ]]; do
    wait -n || true
  done
  run_target "$target" &
  pids[$target]=$!
done

failed=0
printf '%-14s %12s %10s %s\n' target executions exec/s result
for target in "${TARGETS[@]}"; do
  if wait "${pids[$target]}"; then
    result=ok
  else
    result="FAILED (see $BUILD/fuzz-logs/$target.log)"
    failed=1
  fi
  log="$BUILD/fuzz-logs/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  printf '%-14s %12s %10s %s\n' "$target" "${runs:-?}" "${speed:-?}" "$result"
done

if [[ $failed -ne 0 ]]; then
  for target in "${TARGETS[@]}"; do
    if grep -qE 'ERROR|broken invariant|SUMMARY' "$BUILD/fuzz-logs/$target.log"; then
      echo "== $target"
      grep -E -A30 'broken invariant|ERROR:' "$BUILD/fuzz-logs/$target.log" | head -60
    fi
  done
  exit 1
fi
