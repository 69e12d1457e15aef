#!/usr/bin/env bash
# End to end: the window program on a virtual X server gets the name of a
# three-line text and "Start" from the keyboard; its page must reach the disk
# and the window stay open. Exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail
program=$(readlink -f "${1:?usage: run-window-e2e.sh PATH/TO/tessaro}")
driver=$(cd "$(dirname "$0")/../../tools" && pwd)/window-driver.sh
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
# Xvfb takes the first free display, so parallel tests never race for one, and
# writes its number once it accepts clients; -noreset keeps it from resetting
# (and refusing the program) when xdotool, its first client, disconnects.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] || ! kill -0 "$xvfb" 2>/dev/null && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
cd "$work"
printf 'one\ntwo\nthree\n' >three.txt
# In a subshell, so that the driver's exit trap stops only the program.
(
  source "$driver"
  start_tessaro "$program"
  # Focus starts in "Text file"; Tab goes through the other three edits, the
  # preview and "PSP" to "Start".
  xdotool type --delay 20 three.txt
  xdotool key --delay 50 Tab Tab Tab Tab Tab Tab space
  wait_for_file book000001.jpg || { echo "FAIL: no page was written"; exit 1; }
  sleep 0.3
  kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; exit 1; }
)
echo "window e2e: book000001.jpg written"
