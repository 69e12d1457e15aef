#!/usr/bin/env bash
# End to end: starts the real window program on a virtual X server, types the
# name of a three-line text file into "Text file", presses "Start" with the
# keyboard, and waits for the page file on disk.
# Usage: run-window-e2e.sh PATH/TO/tessaro. Exits 77 (skipped) without
# xvfb-run or xdotool.
set -euo pipefail

program=$(readlink -f "${1:?usage: run-window-e2e.sh PATH/TO/tessaro}")
driver=$(cd "$(dirname "$0")/../../tools" && pwd)/window-driver.sh
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'one\ntwo\nthree\n' >"$work/three.txt"

# The part that runs inside the virtual X server.
cat >"$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
program=$1
work=$2
source "$3"
cd "$work"
start_tessaro "$program"
# Focus starts in "Text file"; Tab goes on through the other three edits, the
# preview and "PSP" to "Start".
xdotool type --delay 20 "three.txt"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab space

if ! wait_for_file book000001.jpg; then
  echo "FAIL: no page was written"
  ls -la
  exit 1
fi
if [ -e book000002.jpg ]; then
  echo "FAIL: a three-line text made more than one page"
  exit 1
fi
if ! head -c 3 book000001.jpg | od -An -tx1 | grep -q 'ff d8 ff'; then
  echo "FAIL: book000001.jpg is not a JPEG file"
  exit 1
fi
# The program must still be running: a finished run leaves the window open.
sleep 0.3
if ! kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the program ended"
  exit 1
fi
echo "window e2e: book000001.jpg written"
DRIVE
chmod +x "$work/drive.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/drive.sh" "$program" "$work" "$driver"
