#!/usr/bin/env bash
# Photographs the window under a virtual X server after it has turned the
# sample book into pages: tools/window-screenshot.sh PATH/TO/tessaro OUT.png
# Needs xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail

program=$(readlink -f "${1:?usage: window-screenshot.sh PATH/TO/tessaro OUT.png}")
output=$(readlink -f "${2:?usage: window-screenshot.sh PATH/TO/tessaro OUT.png}")
sample=$(cd "$(dirname "$0")/../data/sample" && pwd)
driver=$(cd "$(dirname "$0")" && pwd)/window-driver.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample/book.txt" "$sample/background.jpg" "$work/"

cat >"$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
program=$1 output=$2
source "$3"
start_tessaro "$program"
# Text file, Tab, background, then Tab to Start.
xdotool type --delay 10 "book.txt"
xdotool key Tab
xdotool type --delay 10 "background.jpg"
xdotool key --delay 50 Tab Tab Tab Tab Tab space
wait_for_file book000004.jpg
sleep 0.5
import -window root -crop 620x424+0+0 "$output"
DRIVE
chmod +x "$work/drive.sh"
cd "$work"
xvfb-run -a -s "-screen 0 640x480x24" ./drive.sh "$program" "$output" "$driver"
echo "wrote $output"
