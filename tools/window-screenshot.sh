#!/usr/bin/env bash
# Photographs the window under a virtual X server after it has turned the
# sample book into pages: tools/window-screenshot.sh PATH/TO/tessaro OUT.png
# Needs xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail

program=$(readlink -f "${1:?usage: window-screenshot.sh PATH/TO/tessaro OUT.png}")
output=$(readlink -f "${2:?usage: window-screenshot.sh PATH/TO/tessaro OUT.png}")
sample=$(cd "$(dirname "$0")/../data/sample" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample/book.txt" "$sample/background.jpg" "$work/"

cat >"$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
program=$1 output=$2
LANG=ja_JP.UTF-8 "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=""
for _ in $(seq 100); do
  window=$(xdotool search --pid "$pid" --name '^Tessaro$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
# No window manager: the window sits at the top-left corner and takes the
# keyboard focus directly. Text file, Tab, background, then Tab to Start.
xdotool windowmove --sync "$window" 0 0
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool type --delay 10 "book.txt"
xdotool key Tab
xdotool type --delay 10 "background.jpg"
xdotool key --delay 50 Tab Tab Tab Tab Tab space
for _ in $(seq 100); do
  [ -s book000004.jpg ] && break
  sleep 0.1
done
sleep 0.5
import -window root -crop 500x424+0+0 "$output"
DRIVE
chmod +x "$work/drive.sh"
cd "$work"
xvfb-run -a -s "-screen 0 640x480x24" ./drive.sh "$program" "$output"
echo "wrote $output"
