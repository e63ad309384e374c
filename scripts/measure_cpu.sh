#!/usr/bin/env bash
# Measures how much processor time Halvion takes while it tracks a band, at each
# blink rate: it starts the program under Xvfb with a fresh settings file, clicks
# "20 Meters", lets it settle, then reads the process's CPU time over a while.
# scripts/measure_idle.sh sets these beside an empty Qt window (ratios of start-up and
# idle processor time and of peak memory).
# Usage: scripts/measure_cpu.sh [seconds per rate, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/setup.sh --desktop-tools
scripts/build.sh >/dev/null

measure() {
    local rate=$1 home
    home=$(mktemp -d)
    mkdir -p "$home/.config/Halvion"
    printf '[Halvion]\nLEDSpeed=%s\n' "$rate" >"$home/.config/Halvion/Halvion.ini"
    HALVION_HOME=$home RATE=$rate SECONDS_PER_RATE=$seconds xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        . scripts/x_session.sh
        used=$(halvion_ticks_following_20m "$HALVION_HOME" "$SECONDS_PER_RATE")
        awk -v r="$RATE" -v u=$used -v t="$(getconf CLK_TCK)" -v s="$SECONDS_PER_RATE" "BEGIN {
            printf \"%s: %.2f%% of one core (%.2f s CPU in %d s)\n\", r, 100*u/t/s, u/t, s }"'
    rm -rf "$home"
}

for rate in None Slow Medium Fast; do
    measure "$rate"
done
