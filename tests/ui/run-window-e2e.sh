#!/usr/bin/env bash
# End to end: starts the real window program on a virtual X server, types the
# name of a three-line text file into "Text file", presses "Start" with the
# keyboard, and waits for the page file on disk.
# Usage: run-window-e2e.sh PATH/TO/tessaro. Exits 77 (skipped) without Xvfb or
# xdotool.
set -euo pipefail

program=$(readlink -f "${1:?usage: run-window-e2e.sh PATH/TO/tessaro}")
driver=$(cd "$(dirname "$0")/../../tools" && pwd)/window-driver.sh
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
# Xvfb takes the first free display itself and writes its number once it
# accepts clients, so two tests starting at once never race for one display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  if grep -q . "$work/display" || ! kill -0 "$xvfb" 2>/dev/null; then break; fi
  sleep 0.1
done
if ! grep -q . "$work/display"; then
  echo "FAIL: Xvfb did not start"
  cat "$work/xvfb.log"
  exit 1
fi
export DISPLAY=":$(cat "$work/display")"
printf 'one\ntwo\nthree\n' >"$work/three.txt"
cd "$work"

# In a subshell, so that the driver's own exit trap stops only the program.
(
  source "$driver"
  start_tessaro "$program"
  # Focus starts in "Text file"; Tab goes on through the other three edits,
  # the preview and "PSP" to "Start".
  xdotool type --delay 20 "three.txt"
  xdotool key --delay 50 Tab Tab Tab Tab Tab Tab space
  if ! wait_for_file book000001.jpg; then
    echo "FAIL: no page was written"
    exit 1
  fi
  [ ! -e book000002.jpg ] || { echo "FAIL: a three-line text made more than one page"; exit 1; }
  head -c 3 book000001.jpg | od -An -tx1 | grep -q 'ff d8 ff' || { echo "FAIL: not a JPEG file"; exit 1; }
  # A finished run leaves the window open.
  sleep 0.3
  kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
)
echo "window e2e: book000001.jpg written on display $DISPLAY"
