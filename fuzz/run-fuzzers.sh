#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer,
# libFuzzer) and runs each for a bounded time, one after another. Fails on any
# crash, leak, timeout, memory blow-up or sanitizer report, and when a target
# ran fewer than FUZZ_MIN_RUNS inputs.
#
# Usage: fuzz/run-fuzzers.sh [TARGET...]   (textfile, textflow, jpeg, notation, novellayout; all by default)
# Settings (environment): FUZZ_BUILD (build-fuzz), FUZZ_SECONDS (60 per
# target), FUZZ_MIN_RUNS (10000), FUZZ_JOBS (2, build parallelism).
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${FUZZ_BUILD:-build-fuzz}
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(textfile textflow jpeg notation novellayout)

echo "== building the fuzz targets into $BUILD =="
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTESSARO_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_GUI=OFF -DTESSARO_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j "${FUZZ_JOBS:-2}" --target "${TARGETS[@]/#/fuzz_}" tessaro-fuzz-seeds || exit 1
# Fresh seeds every time; what a run finds stays in the corpus for the next.
rm -rf "$BUILD/seeds" && "$BUILD/fuzz/tessaro-fuzz-seeds" "$BUILD/seeds" || exit 1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# fontconfig's own configuration, kept for the life of the process, is not a leak of ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}

failed=0
for target in "${TARGETS[@]}"; do
  log="$BUILD/fuzz-$target.log"
  mkdir -p "$BUILD/corpus/$target" "$BUILD/artifacts"
  dictionary=()
  [ -f "fuzz/$target.dict" ] && dictionary=(-dict="fuzz/$target.dict")
  echo "== fuzz_$target: ${FUZZ_SECONDS:-60} s =="
  "$BUILD/fuzz/fuzz_$target" "$BUILD/corpus/$target" "$BUILD/seeds/$target" -max_total_time="${FUZZ_SECONDS:-60}" \
    -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$target-" \
    "${dictionary[@]}" >"$log" 2>&1
  status=$?
  grep -E '^#[0-9]+[[:space:]]+INITED|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|invariant broken' "$log"; then
    echo "fuzz_$target FAILED (exit $status); the log is $log, the input in $BUILD/artifacts/"
    grep -E 'ERROR:|runtime error:|invariant broken|SUMMARY' "$log" | head -n 20
    failed=1
  elif [ "${runs:-0}" -lt "${FUZZ_MIN_RUNS:-10000}" ]; then
    echo "fuzz_$target FAILED: ${runs:-no} runs, fewer than ${FUZZ_MIN_RUNS:-10000}"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "== fuzzing: no problems found ==" || { echo "== fuzzing found problems =="; exit 1; }
