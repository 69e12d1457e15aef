#!/usr/bin/env bash
# Measures the novel style on a Kindle Paperwhite (tessaro-batch --style novel
# --device kindle-pw) over made-up Japanese books in Aozora Bunko notation
# (bench/make-novel-text.py: Shift_JIS, paragraphs, dialogue, ruby, emphasis,
# headings) of 1 MiB and 16 MiB, in horizontal and vertical writing, with one
# and two encoding threads. The floor is the encoder alone: NovelEncodeFloor
# reads back the pages the run wrote and encodes them again with EncodePng on
# one thread, byte for byte the same files. Two more texts look for work that
# grows faster than the pages: one paragraph of 1 MiB on a single line, and
# about 100,000 short lines. Prints pages per second, peak memory and the
# ratios against their targets; exits 1 when a target is missed.
#
# Usage: bench/novel-benchmark.sh
#   BUILD=dir   the release build (default build-release)
#   WORK=dir    texts and pages (default a temporary directory under /dev/shm,
#               so that the disk stays out of the measurement)
#   REPEAT=n    runs per measurement, the fastest counts (default 3)
#   SIZES="1 16" the book sizes in MiB
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$repo/build-release}
repeat=${REPEAT:-3}
sizes=${SIZES:-1 16}
device=kindle-pw
grays=16

echo "== release build in $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_GUI=OFF \
    -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target tessaro-batch NovelEncodeFloor >/dev/null
batch=$build/tessaro-batch
floor=$build/bench/NovelEncodeFloor

if [ -n "${WORK:-}" ]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d /dev/shm/tessaro-novel-bench-XXXXXX)
    trap 'rm -rf "$work"' EXIT
fi
out=$work/out
again=$work/again

# measure KEY COMMAND...: runs the command once under /usr/bin/time -v, into
# empty page folders, and keeps for KEY the shortest wall time (for the floor,
# the time it reports itself) and the largest peak resident set so far.
declare -A best_seconds peak_kib
measure() {
    local key=$1 log=$work/time.log elapsed rss
    shift
    rm -rf "$again" && mkdir "$again"
    if [ "$1" != "$floor" ]; then rm -rf "$out" && mkdir "$out"; fi
    /usr/bin/time -v "$@" >"$work/stdout" 2>"$log" || {
        cat "$log" >&2
        echo "benchmark: the run failed: $*" >&2
        exit 1
    }
    if [ "$1" = "$floor" ]; then
        elapsed=$(awk '{ print $4 }' "$work/stdout")
    else
        elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, t, ":"); s = 0
            for (i = 1; i <= n; ++i) s = s * 60 + t[i]
            print s }' "$log")
    fi
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
    if [ -z "${best_seconds[$key]:-}" ] || awk -v a="$elapsed" -v b="${best_seconds[$key]}" 'BEGIN { exit !(a < b) }'
    then
        best_seconds[$key]=$elapsed
    fi
    if [ "$rss" -gt "${peak_kib[$key]:-0}" ]; then
        peak_kib[$key]=$rss
    fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
quotient() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.9f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

missed=0
check() { # check LABEL VALUE OP TARGET
    local ok
    ok=$(awk -v v="$2" -v t="$4" -v op="$3" \
        'BEGIN { print (op == ">=" ? v >= t : op == "<=" ? v <= t : v < t) ? "met" : "MISSED" }')
    printf '  %-52s %10s  target %s %s  %s\n' "$1" "$2" "$3" "$4" "$ok"
    [ "$ok" = met ] || missed=$((missed + 1))
}

declare -A per_page
# run_book NAME TEXT WRITING JOBS...: measures the run at each number of jobs
# and the floor over the pages of the run before it, REPEAT times in turn so
# that a change in the machine's other load falls on all of them alike; sets
# per_page[NAME,WRITING,JOBS] and per_page[NAME,WRITING,floor] in seconds from
# the fastest of each, and checks memory.
run_book() {
    local name=$1 text=$2 writing=$3 jobs count text_bytes run key
    shift 3
    text_bytes=$(stat -c %s "$text")
    for run in $(seq "$repeat"); do
        for jobs in "$@"; do
            measure "$name,$writing,$jobs" "$batch" --quiet --style novel --device "$device" --writing "$writing" \
                --jobs "$jobs" --out "$out" "$text"
        done
        measure "$name,$writing,floor" "$floor" "$grays" "$out" "$again"
    done
    count=$(find "$out" -name 'book*.png' | wc -l)
    for jobs in "$@" floor; do
        key=$name,$writing,$jobs
        per_page[$key]=$(quotient "${best_seconds[$key]}" "$count")
        printf '%-12s %-10s %-8s %6d pages  %8.2f s  %6.1f pages/s' "$name" "$writing" \
            "$([ "$jobs" = floor ] && echo floor || echo "--jobs $jobs")" "$count" "${best_seconds[$key]}" \
            "$(ratio "$count" "${best_seconds[$key]}")"
        if [ "$jobs" = floor ]; then
            echo
            continue
        fi
        printf '  peak %6s MiB\n' "$(mib "${peak_kib[$key]}")"
        check "  peak memory MiB (text + 128)" "$(mib "${peak_kib[$key]}")" "<" \
            "$(awk -v b="$text_bytes" 'BEGIN { printf "%.1f", b / 1048576 + 128 }')"
    done
}

for size in $sizes; do
    text=$work/book-${size}m.txt
    python3 "$repo/bench/make-novel-text.py" $((size * 1048576)) "$text"
    for writing in horizontal vertical; do
        run_book "${size} MiB" "$text" "$writing" 1 2
    done
done
python3 "$repo/bench/make-novel-text.py" --shape one-line 1048576 "$work/one-line.txt"
python3 "$repo/bench/make-novel-text.py" --shape short-lines 5242880 "$work/short-lines.txt"
echo "   ($(wc -l <"$work/short-lines.txt") short lines)"
for writing in horizontal vertical; do
    run_book "one line" "$work/one-line.txt" "$writing" 1
    run_book "short lines" "$work/short-lines.txt" "$writing" 1
done
rm -rf "$out" "$again"

echo "== ratios (pages per second)"
largest=${sizes##* }
smallest=${sizes%% *}
for writing in horizontal vertical; do
    for name in $(for size in $sizes; do echo "${size}_MiB"; done) one_line short_lines; do
        key=${name//_/ }
        check "$key $writing: --jobs 1 / floor" \
            "$(ratio "${per_page[$key,$writing,floor]}" "${per_page[$key,$writing,1]}")" ">=" 0.8
    done
    check "$largest MiB $writing: --jobs 2 / --jobs 1" \
        "$(ratio "${per_page[$largest MiB,$writing,1]}" "${per_page[$largest MiB,$writing,2]}")" ">=" 1.6
    check "$writing: per-page time $largest MiB / $smallest MiB (--jobs 1)" \
        "$(ratio "${per_page[$largest MiB,$writing,1]}" "${per_page[$smallest MiB,$writing,1]}")" "<=" 1.2
done
echo "== $missed target(s) missed"
[ "$missed" -eq 0 ]
