#!/usr/bin/env bash
# Measures how much processor time Halvion takes with the compact view open, at each
# blink rate of the (hidden) main window. In the same Xvfb and over the same seconds
# it also measures Halvion showing the map and tracking 20 m at that rate, and an
# empty Qt window as the floor every Qt program pays, and reports each as a share of
# one core and as a ratio to the empty window.
# Usage: scripts/measure_cpu_compact.sh [seconds per rate, default 120]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
scripts/setup.sh --desktop-tools
scripts/build.sh >/dev/null

# The empty window: a plain QWidget the size of the compact view, built aside.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. scripts/x_session.sh
empty_window=$(empty_window_build "$work/empty")
export EMPTY_WINDOW=$empty_window SECONDS_PER_RATE=$seconds

measure() {
    local rate=$1
    mkdir -p "$work/map/.config/Halvion" "$work/compact/.config/Halvion"
    printf '[Halvion]\nLEDSpeed=%s\n' "$rate" >"$work/map/.config/Halvion/Halvion.ini"
    printf '[Halvion]\nLEDSpeed=%s\nAOT=False\n' "$rate" >"$work/compact/.config/Halvion/Halvion.ini"
    RATE=$rate WORK=$work xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        set -u
        . scripts/x_session.sh
        map=$(halvion_start "$WORK/map"); sleep 6; halvion_track20 "$map"
        compact=$(halvion_start "$WORK/compact"); sleep 6; halvion_track20 "$compact"; sleep 1
        # A double click on the map opens the compact view in the main window'"'"'s place.
        eval "$(xdotool getwindowgeometry --shell "$(halvion_main_window "$compact")")"
        xdotool mousemove $((X + 300)) $((Y + 200)) click --repeat 2 --delay 80 1
        "$EMPTY_WINDOW" >/dev/null 2>&1 & empty=$!
        sleep 3
        tick=$(getconf CLK_TCK)
        a_map=$(cpu_ticks $map); a_compact=$(cpu_ticks $compact); a_empty=$(cpu_ticks $empty)
        sleep "$SECONDS_PER_RATE"
        u_map=$(( $(cpu_ticks $map) - a_map )); u_compact=$(( $(cpu_ticks $compact) - a_compact ))
        u_empty=$(( $(cpu_ticks $empty) - a_empty ))
        awk -v r="$RATE" -v m=$u_map -v c=$u_compact -v e=$u_empty -v t=$tick -v s="$SECONDS_PER_RATE" "BEGIN {
            f = 100 / t / s
            printf \"%-6s compact view %.2f%%, map %.2f%%, empty window %.2f%% of one core\", r, c*f, m*f, e*f
            if (e > 0) printf \"; compact/empty %.1f, map/empty %.1f\", c/e, m/e
            else printf \"; the empty window used less than one clock tick\"
            printf \" (%d s)\\n\", s }"
        kill $map $compact $empty'
    rm -rf "$work/map" "$work/compact"
}

for rate in None Slow Medium Fast; do
    measure "$rate"
done
