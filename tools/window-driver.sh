# Shell functions for driving the window program on a virtual X server with
# xdotool; sourced by the window end-to-end test and the screenshot script.

# start_tessaro PROGRAM: starts the program with the Japanese locale, waits for
# its window, puts it at the top-left corner and gives it the keyboard focus
# (there is no window manager to do that). Sets pid and window; stops the
# program when the calling script exits.
start_tessaro() {
  LANG=ja_JP.UTF-8 "$1" &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --pid "$pid" --name '^Tessaro$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    echo "FAIL: the window did not appear"
    exit 1
  fi
  xdotool windowmove --sync "$window" 0 0
  xdotool windowfocus --sync "$window"
  sleep 0.3
}

# wait_for_file FILE: waits up to ten seconds for FILE to hold something.
wait_for_file() {
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
