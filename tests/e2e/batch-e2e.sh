#!/bin/sh
# End-to-end checks of tessaro-batch, run as a process.
# Usage: batch-e2e.sh CASE BATCH BACKGROUND_TOOL SAMPLE_DIR VERSION
set -u
case_name=$1 batch=$2 background_tool=$3 sample=$4 version=$5
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-e2e-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export LC_ALL=C

fail() {
    echo "FAIL ($case_name): $*" >&2
    [ -s err.txt ] && { echo "--- stderr of the last run:"; cat err.txt; } >&2
    exit 1
}

# run STATUS ARGUMENT...: runs the batch command with stdout in out.txt and
# stderr in err.txt and checks its exit status.
run() {
    want=$1
    shift
    "$batch" "$@" >out.txt 2>err.txt
    got=$?
    [ "$got" -eq "$want" ] || fail "exit status $got, expected $want: $*"
}

# fails_with MESSAGE ARGUMENT...: the run fails with exactly this message.
fails_with() {
    message=$1
    shift
    run 1 --locale ja_JP.UTF-8 "$@"
    [ "$(cat err.txt)" = "$message" ] || fail "stderr is not '$message'"
}

# Short Shift_JIS lines with CR LF: a QVGA page holds 20 of them.
make_text() {
    i=1
    while [ "$i" -le "$1" ]; do
        printf '第%d行　日本語と English のテキスト\r\n' "$i"
        i=$((i + 1))
    done | iconv -f UTF-8 -t CP932 >"$2" || fail "iconv cannot write Shift_JIS"
}

make_text 150 book.txt
case $case_name in
pages)
    mkdir qvga sample
    make_text 30 short.txt
    run 0 --locale ja_JP.UTF-8 --format qvga --prefix q_ --out qvga/ short.txt
    [ "$(ls qvga | tr '\n' ' ')" = "q_000001.jpg q_000002.jpg " ] || fail "qvga holds $(ls qvga)"
    [ -s err.txt ] && fail "progress shown although stderr is not a terminal"
    run 0 --quiet --locale ja_JP.UTF-8 --background "$sample/background.jpg" --out sample "$sample/book.txt"
    [ "$(ls sample | wc -l)" -ge 2 ] || fail "the sample gives fewer than two pages"
    ;;
failures)
    fails_with "tessaro-batch: ファイル nosuch.txt は開けません." nosuch.txt
    for jobs in 1 2; do
        fails_with "tessaro-batch: page 1: ファイル nosuch/book000001.jpg を作成できません." --jobs "$jobs" --out nosuch \
            book.txt
    done
    fails_with "tessaro-batch: page 1: ファイル nosuch.jpg は開けません." --background nosuch.jpg book.txt
    [ -z "$(ls | grep '\.jpg$')" ] || fail "pages written after a failure"
    ;;
jobs)
    "$background_tool" background.jpg || fail "the background tool failed"
    for jobs in 1 2; do
        mkdir "$jobs"
        run 0 --quiet --locale ja_JP.UTF-8 --jobs "$jobs" --background background.jpg --font-style bold --out "$jobs" \
            book.txt
    done
    [ "$(ls 1 | wc -l)" -ge 8 ] || fail "expected at least 8 pages"
    [ "$(ls 1)" = "$(ls 2)" ] || fail "--jobs changes the file names"
    for name in $(ls 1); do cmp -s "1/$name" "2/$name" || fail "2/$name differs from 1/$name"; done
    ;;
usage)
    for arguments in "" "--jobs 0 book.txt" "book.txt --out"; do
        # shellcheck disable=SC2086
        run 2 $arguments
        grep -q '^Usage: tessaro-batch' err.txt || fail "no usage after a usage error: $arguments"
        [ -s out.txt ] && fail "usage error wrote to stdout: $arguments"
    done
    run 0 --help
    head -n 1 out.txt | grep -q '^Usage: tessaro-batch' || fail "--help prints no usage"
    run 0 --version
    [ "$(cat out.txt)" = "tessaro-batch $version" ] || fail "--version prints '$(cat out.txt)'"
    ;;
*)
    fail "unknown case"
    ;;
esac
exit 0
