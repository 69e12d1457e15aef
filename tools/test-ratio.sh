#!/usr/bin/env bash
# Prints the lines of tests and fuzz targets against the lines of src/ and
# fails when they are more than a third of it. Lines of *.cpp, *.h, *.sh and
# *.py files tracked by git, blank and comment lines included.
set -euo pipefail
cd "$(dirname "$0")/.."

count_lines() {
    git ls-files -- "$@" | grep -E '\.(cpp|h|sh|py)$' | xargs -r cat | wc -l
}

src=$(count_lines src)
tests=$(count_lines tests fuzz)
echo "test ratio: ${tests} lines of tests and fuzz targets, ${src} lines of src/ ($(( 100 * tests / src ))%, at most 33%)"
(( 3 * tests <= src ))
