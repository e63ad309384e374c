#!/usr/bin/env bash
# Measures the processor time Halvion takes to start (from launch until its main window
# is shown, the four-second splash included) and while it idles tracking 20 m at the
# Medium blink rate. Runs on $DISPLAY when set (a window manager there is up to you),
# else under xvfb-run.
# Usage: scripts/measure_startup_idle_cpu.sh [program] [idle seconds, default 30] [runs, default 3]
# With WINDOW_SIZE=1803x1274 (say) the main window opens at that size.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/app/halvion}")
seconds=${2:-30}
runs=${3:-3}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" "$seconds" "$runs"
fi

ticks() {
    local s
    read -r -a s <"/proc/$1/stat"
    echo $((s[13] + s[14]))
}
hz=$(getconf CLK_TCK)
for run in $(seq "$runs"); do
    home=$(mktemp -d)
    mkdir -p -m 700 "$home/run" "$home/.config/Halvion"
    if [ -n "${WINDOW_SIZE:-}" ]; then
        printf '[Halvion]\nMainWinSize=%s\n' "$WINDOW_SIZE" >"$home/.config/Halvion/Halvion.ini"
    fi
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=xcb "$program" \
        >/dev/null 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 600); do
        window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Halvion$' 2>/dev/null | head -n 1) || true
        if [ -n "$window" ] && xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q NORMAL; then
            break
        fi
        window=""
        sleep 0.05
    done
    [ -n "$window" ] || { echo "the main window did not show" >&2; kill "$pid"; exit 1; }
    start=$(ticks "$pid")
    # Key 1 chooses 20 m; a click on its button does the same in builds without the key.
    xdotool key --window "$window" 1
    sleep 1
    eval "$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}
        /Height:/ {print "h=" $2}')"
    [ -n "${WINDOW_SIZE:-}" ] || xdotool mousemove $((x + 52)) $((y + h - 418 + 388)) click 1
    sleep 3
    a=$(ticks "$pid")
    sleep "$seconds"
    b=$(ticks "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$home"
    awk -v r="$run" -v s0="$start" -v a="$a" -v b="$b" -v hz="$hz" -v sec="$seconds" 'BEGIN {
        printf "run %d: start-up %.2f s CPU, idle %.2f%% of one core (%.2f s CPU in %d s)\n",
            r, s0 / hz, 100 * (b - a) / hz / sec, (b - a) / hz, sec }'
done
