#!/usr/bin/env bash
# Takes the pictures of five receivers at once: the Beacon Monitor window with one input
# per band and the Monitor Results grid showing the latest cycle alone ("Last 3 minutes
# only") once all 90 cells of one cycle are filled, on a virtual X screen with a window
# manager. The five receivers are pipe sources of a PulseAudio server of the script's own,
# fed with generated recordings (scripts/five_sources.sh); the first full cycle comes
# some four minutes after the start.
#   docs/five_receivers_grid.png     the results window
#   docs/five_receivers_windows.png  the whole screen: both windows
# Usage: scripts/make_five_receivers_shot.sh [DISPLAY number, default 43]
# Needs Xvfb, openbox, xdotool and ImageMagick's import (scripts/setup.sh --desktop-tools
# installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
display=:${1:-43}
rate=48000
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target five_receivers_demo make_monitor_recording >/dev/null

work=$(mktemp -d)
server="" feeder="" xserver="" wm="" demo=""
cleanup() {
    for pid in "$demo" "$wm" "$feeder" "$server" "$xserver"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1720x960x24 -nolisten tcp -noreset &
xserver=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done
openbox &
wm=$!
source scripts/five_sources.sh
sleep 2

mkdir -p "$work/config"
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb build/tests/five_receivers_demo \
    halvion_band0 halvion_band1 halvion_band2 halvion_band3 halvion_band4 >"$work/demo.txt" 2>"$work/demo.log" &
demo=$!
echo "waiting for a full cycle (about four minutes)"
for _ in $(seq 600); do
    grep -q '^full' "$work/demo.txt" && break
    kill -0 "$demo" 2>/dev/null || { cat "$work/demo.log"; exit 1; }
    sleep 1
done
grep -q '^full' "$work/demo.txt" || { echo "no full cycle"; exit 1; }
sleep 2 # the grid's last repaint
mkdir -p docs
import -window root docs/five_receivers_windows.png
import -window "$(xdotool search --onlyvisible --name '^Halvion - Beacon Monitor Results$' | head -n 1)" -frame docs/five_receivers_grid.png
echo "wrote docs/five_receivers_grid.png and docs/five_receivers_windows.png ($(head -n 1 "$work/demo.txt"))"
