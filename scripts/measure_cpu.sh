#!/usr/bin/env bash
# Measures how much processor time Halvion takes while it tracks a band, at each
# blink rate: it starts the program under Xvfb with a fresh settings file, clicks
# "20 Meters", lets it settle, then reads the process's CPU time over a while.
# Usage: scripts/measure_cpu.sh [seconds per rate, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/setup.sh --desktop-tools
scripts/build.sh >/dev/null

measure() {
    local rate=$1 home
    home=$(mktemp -d)
    mkdir -p "$home/.config/Halvion" && mkdir -m 700 "$home/run" # own runtime folder: a running copy elsewhere must not take over
    printf '[Halvion]\nLEDSpeed=%s\n' "$rate" >"$home/.config/Halvion/Halvion.ini"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        build/app/halvion & pid=$!
        sleep 6
        win=$(xdotool search --name "^Halvion$" | head -n 1)
        eval "$(xdotool getwindowgeometry --shell "$win")"
        # The 20 Meters button lies at about (50, 401) of the client area, below the menu bar.
        xdotool mousemove $((X + 50)) $((Y + 420)) click 1
        sleep 3
        tick=$(getconf CLK_TCK)
        read -r -a a < /proc/$pid/stat
        sleep '"$seconds"'
        read -r -a b < /proc/$pid/stat
        used=$(( (b[13] + b[14]) - (a[13] + a[14]) ))
        echo "'"$rate"': $(awk -v u=$used -v t=$tick -v s='"$seconds"' "BEGIN { printf \"%.2f%% of one core (%.2f s CPU in %d s)\", 100*u/t/s, u/t, s }")"
        kill $pid'
    rm -rf "$home"
}

for rate in None Slow Medium Fast; do
    measure "$rate"
done
