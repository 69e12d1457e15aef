#!/usr/bin/env bash
# Measures tessaro-batch on a 1 MiB and a 16 MiB Shift_JIS text, with one and
# two encoding threads, against the reference loop (bench/ReferenceLoopMain.cpp:
# cached FreeType glyphs blended on a white page, libjpeg quality 80 into
# memory, file written) making the same number of pages. Prints pages per
# second, peak memory and the ratios against their targets; exits 1 when a
# target is missed.
#
# Usage: bench/batch-benchmark.sh
#   BUILD=dir   the release build (default build-release)
#   WORK=dir    texts and pages (default a temporary directory; a tmpfs such
#               as /dev/shm/... leaves the disk out of the measurement)
#   REPEAT=n    runs per measurement, the fastest counts (default 3)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$repo/build-release}
jobs=${JOBS:-2}
repeat=${REPEAT:-3}

echo "== release build in $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_GUI=OFF \
    -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs" --target tessaro-batch ReferenceLoop >/dev/null
batch=$build/tessaro-batch
reference=$build/bench/ReferenceLoop
font=$(fc-match -f '%{file}' IPAGothic)

if [ -n "${WORK:-}" ]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-bench-XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

# make_text MIB FILE: copies of the sample book (Shift_JIS, CR LF) up to MIB MiB.
make_text() {
    local want=$(($1 * 1024 * 1024)) chunk=$work/chunk.txt i
    : >"$chunk"
    for i in $(seq 64); do cat "$repo/data/sample/book.txt" >>"$chunk"; done
    : >"$2"
    while [ "$(stat -c %s "$2")" -lt "$want" ]; do cat "$chunk" >>"$2"; done
    head -c "$want" "$2" >"$2.cut" && mv "$2.cut" "$2"
}

out=$work/out

# measure NAME COMMAND...: runs the command REPEAT times under /usr/bin/time -v
# and sets seconds to the shortest wall time and rss_kib to the largest peak
# resident set, so that other load on the machine counts as little as possible.
measure() {
    local log=$work/$1.time run elapsed rss
    shift
    seconds=
    rss_kib=0
    for run in $(seq "$repeat"); do
        # Every run writes its pages into an empty directory.
        rm -rf "$out" && mkdir "$out"
        /usr/bin/time -v "$@" >"$work/stdout" 2>"$log" || {
            cat "$log" >&2
            echo "benchmark: the run failed: $*" >&2
            exit 1
        }
        elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, t, ":"); s = 0
            for (i = 1; i <= n; ++i) s = s * 60 + t[i]
            print s }' "$log")
        rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
        if [ -z "$seconds" ] || awk -v a="$elapsed" -v b="$seconds" 'BEGIN { exit !(a < b) }'; then
            seconds=$elapsed
        fi
        if [ "$rss" -gt "$rss_kib" ]; then
            rss_kib=$rss
        fi
    done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
rate() { awk -v p="$1" -v s="$2" 'BEGIN { printf "%.1f", (s > 0 ? p / s : 0) }'; }

missed=0
check() { # check LABEL VALUE OP TARGET
    local ok
    ok=$(awk -v v="$2" -v t="$4" -v op="$3" 'BEGIN { print (op == ">=" ? v >= t : v < t) ? "met" : "MISSED" }')
    printf '  %-44s %10s  target %s %s  %s\n' "$1" "$2" "$3" "$4" "$ok"
    [ "$ok" = met ] || missed=$((missed + 1))
}

declare -A pages rate_of rss_of per_page
for size in 1 16; do
    text=$work/text-${size}m.txt
    make_text "$size" "$text"
    text_bytes=$(stat -c %s "$text")
    for threads in 1 2; do
        measure "batch-${size}-${threads}" "$batch" --quiet --jobs "$threads" --locale ja_JP.UTF-8 --out "$out" "$text"
        count=$(find "$out" -name 'book*.jpg' | wc -l)
        pages[$size]=$count
        rate_of[$size,$threads]=$(rate "$count" "$seconds")
        rss_of[$size,$threads]=$rss_kib
        per_page[$size,$threads]=$(awk -v s="$seconds" -v p="$count" 'BEGIN { print s / p }')
        printf '%2d MiB  --jobs %d  %6d pages  %8.2f s  %8s pages/s  peak %6.1f MiB\n' "$size" "$threads" \
            "$count" "$seconds" "${rate_of[$size,$threads]}" "$(awk -v k="$rss_kib" 'BEGIN { print k / 1024 }')"
        check "peak memory MiB (text $((text_bytes / 1048576)) MiB + 64)" \
            "$(awk -v k="$rss_kib" 'BEGIN { printf "%.1f", k / 1024 }')" "<" \
            "$(awk -v b="$text_bytes" 'BEGIN { printf "%.1f", b / 1048576 + 64 }')"
    done
    measure "reference-${size}" "$reference" "$font" "$text" "${pages[$size]}" "$out"
    rate_of[$size,ref]=$(rate "${pages[$size]}" "$seconds")
    printf '%2d MiB  reference  %6d pages  %8.2f s  %8s pages/s  peak %6.1f MiB\n' "$size" "${pages[$size]}" \
        "$seconds" "${rate_of[$size,ref]}" "$(awk -v k="$rss_kib" 'BEGIN { print k / 1024 }')"
    rm -rf "$out"
done

echo "== ratios"
for size in 1 16; do
    check "$size MiB: --jobs 1 / reference" "$(ratio "${rate_of[$size,1]}" "${rate_of[$size,ref]}")" ">=" 0.85
    check "$size MiB: --jobs 2 / --jobs 1" "$(ratio "${rate_of[$size,2]}" "${rate_of[$size,1]}")" ">=" 1.6
done
check "per-page time 16 MiB / 1 MiB (--jobs 1)" "$(ratio "${per_page[16,1]}" "${per_page[1,1]}")" "<" 1.2
echo "== $missed target(s) missed"
[ "$missed" -eq 0 ]
