#!/bin/sh
# End-to-end checks of tessaro-batch, run as a process.
# Usage: batch-e2e.sh CASE BATCH BACKGROUND_TOOL SAMPLE_DIR VERSION
set -u

case_name=$1
batch=$2
background_tool=$3
sample=$4
version=$5

work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-e2e-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export LC_ALL=C

fail() {
    echo "FAIL ($case_name): $*" >&2
    if [ -s err.txt ]; then
        echo "--- stderr of the last run:" >&2
        cat err.txt >&2
    fi
    exit 1
}

# run STATUS COMMAND...: runs the command with stdout in out.txt and stderr in
# err.txt and checks its exit status.
run() {
    want=$1
    shift
    "$@" >out.txt 2>err.txt
    got=$?
    [ "$got" -eq "$want" ] || fail "exit status $got, expected $want: $*"
}

expect_stderr() {
    printf '%s\n' "$1" >expected.txt
    cmp -s expected.txt err.txt || fail "stderr differs: expected '$1'"
}

expect_files() {
    dir=$1
    shift
    listing=$(ls "$dir" | grep '\.jpg$' | tr '\n' ' ')
    [ "$listing" = "$* " ] || fail "$dir holds '$listing', expected '$* '"
    for name in "$@"; do
        [ "$(head -c 2 "$dir/$name" | od -An -tx1 | tr -d ' ')" = ffd8 ] || fail "$dir/$name is not a JPEG file"
    done
}

# make_text LINES FILE: short Shift_JIS lines with CR LF, each of which fits on
# one line of either page format.
make_text() {
    i=1
    : >"$2.utf8"
    while [ "$i" -le "$1" ]; do
        printf '第%d行　日本語と English のテキスト\r\n' "$i" >>"$2.utf8"
        i=$((i + 1))
    done
    iconv -f UTF-8 -t CP932 "$2.utf8" >"$2" || fail "iconv cannot write Shift_JIS"
}

case $case_name in
pages)
    # A PSP page holds 17 lines of the default body font, a QVGA page 20.
    make_text 40 book.txt
    mkdir psp qvga
    run 0 "$batch" --quiet --locale ja_JP.UTF-8 --out psp book.txt
    expect_files psp book000001.jpg book000002.jpg book000003.jpg
    [ -s err.txt ] && fail "unexpected output on stderr"
    run 0 "$batch" --locale ja_JP.UTF-8 --format qvga --prefix q_ --out qvga/ book.txt
    expect_files qvga q_000001.jpg q_000002.jpg
    [ -s err.txt ] && fail "progress shown although stderr is not a terminal"
    run 0 "$batch" --quiet --locale ja_JP.UTF-8 --prefix= book.txt
    expect_files . 000001.jpg 000002.jpg 000003.jpg
    ;;
sample)
    "$background_tool" generated.jpg || fail "the background tool failed"
    mkdir generated committed
    run 0 "$batch" --quiet --locale ja_JP.UTF-8 --background generated.jpg --out generated "$sample/book.txt"
    [ "$(ls generated | wc -l)" -ge 2 ] || fail "the sample gives fewer than two pages"
    run 0 "$batch" --quiet --locale ja_JP.UTF-8 --background "$sample/background.jpg" --out committed \
        "$sample/book.txt"
    [ "$(ls committed)" = "$(ls generated)" ] || fail "the committed background changes the page count"
    ;;
missing_text)
    run 1 "$batch" --locale ja_JP.UTF-8 nosuch.txt
    expect_stderr "tessaro-batch: ファイル nosuch.txt は開けません."
    mkdir folder
    run 1 "$batch" --locale ja_JP.UTF-8 folder
    expect_stderr "tessaro-batch: ファイル folder は開けません."
    [ -z "$(ls | grep '\.jpg$')" ] || fail "pages written without a text"
    ;;
missing_output)
    make_text 40 book.txt
    for jobs in 1 2; do
        run 1 "$batch" --locale ja_JP.UTF-8 --jobs "$jobs" --out nosuch book.txt
        expect_stderr "tessaro-batch: page 1: ファイル nosuch/book000001.jpg を作成できません."
    done
    ;;
missing_background)
    make_text 3 book.txt
    run 1 "$batch" --locale ja_JP.UTF-8 --background nosuch.jpg book.txt
    expect_stderr "tessaro-batch: page 1: ファイル nosuch.jpg は開けません."
    cp book.txt notjpeg.jpg
    run 1 "$batch" --locale ja_JP.UTF-8 --background notjpeg.jpg book.txt
    grep -q '^tessaro-batch: page 1: JPEG エラー #[0-9]*\.$' err.txt || fail "no JPEG error for a text background"
    [ -z "$(ls | grep '^book.*\.jpg$')" ] || fail "a page was written without its background"
    ;;
jobs)
    make_text 150 book.txt
    "$background_tool" background.jpg || fail "the background tool failed"
    mkdir one two three
    for dir in one two three; do
        case $dir in one) jobs=1 ;; two) jobs=2 ;; three) jobs=3 ;; esac
        run 0 "$batch" --quiet --locale ja_JP.UTF-8 --jobs "$jobs" --background background.jpg \
            --font-style bold --out "$dir" book.txt
    done
    [ "$(ls one | wc -l)" -ge 8 ] || fail "expected at least 8 pages"
    for dir in two three; do
        [ "$(ls one)" = "$(ls $dir)" ] || fail "--jobs changes the file names"
        for name in $(ls one); do
            cmp -s "one/$name" "$dir/$name" || fail "$dir/$name differs from one/$name"
        done
    done
    ;;
usage)
    make_text 3 book.txt
    for arguments in "" "--bogus book.txt" "--jobs 0 book.txt" "--format a4 book.txt" "book.txt other.txt" \
        "--font-color 12345 book.txt" "--font-style heavy book.txt" "--dpi x book.txt" "book.txt --out"; do
        # shellcheck disable=SC2086
        run 2 "$batch" $arguments
        grep -q '^Usage: tessaro-batch' err.txt || fail "no usage after a usage error: $arguments"
        [ -s out.txt ] && fail "usage error wrote to stdout: $arguments"
    done
    [ -z "$(ls | grep '\.jpg$')" ] || fail "pages written after a usage error"
    ;;
help_version)
    run 0 "$batch" --help
    head -n 1 out.txt | grep -q '^Usage: tessaro-batch' || fail "--help prints no usage"
    run 0 "$batch" --version
    [ "$(cat out.txt)" = "tessaro-batch $version" ] || fail "--version prints '$(cat out.txt)'"
    ;;
*)
    fail "unknown case"
    ;;
esac
exit 0
