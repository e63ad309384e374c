#!/usr/bin/env bash
# Measures what live beacon monitoring costs in processor time, beside what the idle
# program costs: the monitor's engine is fed synthetic 48 kHz receiver audio in the
# blocks a sound input delivers (build/tests/measure_monitor_load), and the program is
# started under Xvfb, following 20 m, for comparison (as scripts/measure_cpu.sh does).
# Usage: scripts/measure_monitor_cpu.sh [seconds for the idle program, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/setup.sh --desktop-tools
scripts/build.sh >/dev/null

monitor=$(build/tests/measure_monitor_load 10 48000)
echo "monitoring: $monitor"
monitor_pct=$(echo "$monitor" | sed -E 's/.* ([0-9.]+) % of one core.*/\1/')

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config/Halvion"
printf '[Halvion]\nLEDSpeed=Medium\n' >"$home/.config/Halvion/Halvion.ini"
idle=$(HALVION_HOME=$home SECONDS_PER_RUN=$seconds xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    . scripts/x_session.sh
    used=$(halvion_ticks_following_20m "$HALVION_HOME" "$SECONDS_PER_RUN")
    awk -v u=$used -v t="$(getconf CLK_TCK)" -v s="$SECONDS_PER_RUN" "BEGIN { printf \"%.2f\", 100*u/t/s }"')
echo "idle program following 20 m: $idle % of one core"
awk -v m="$monitor_pct" -v i="$idle" 'BEGIN {
    printf "monitoring adds %.2f %% of one core, %.2f times the idle program (target: at most 5 %% of a core)\n", m, (i > 0 ? m / i : 0) }'
