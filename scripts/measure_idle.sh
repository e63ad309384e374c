#!/usr/bin/env bash
# Measures what Halvion costs a user while it only tracks a band, side by side with two
# empty Qt windows of the main window's size started in the same Xvfb: one that does
# nothing (an idle Qt window uses no processor time at all) and one that blinks a
# small marker at the blink rate, the least a window blinking a marker must do.
#   start-up CPU  processor time in the first 8 s after launch (for Halvion the
#                 splash's four seconds, the main window and a little idle time; for
#                 the empty window its window and idle time), and the ratio of the two;
#   idle CPU      processor time over each round while Halvion tracks the band at the
#                 blink rate given, and the ratio to the blinking empty window's;
#   peak RSS      the most resident memory each process had (VmHWM), and the ratio to
#                 the empty window's; and, beside it, to a third window of the same size
#                 with only a menu bar of the main window's seven titles: the floor of a
#                 window that shows any text (fonts, their shaping and the menu bar cost
#                 several megabytes that a window without text never loads);
#   resident memory where it lies (heap, other anonymous memory, the program file, Qt's
#                 libraries, other libraries, fonts, memory shared with the X server),
#                 for both, at the end;
# and lists the libraries Halvion has mapped that the empty window has not, and any of
# the beacon monitor's libraries (Qt Multimedia, Qt Charts, Qt SQL,
# FFTW) and of radio control's (Hamlib and what it brings) that Halvion has mapped: a
# user who never opens the monitor, and one without radio control, loads none of them.
# Targets: idle CPU at most 1.5 times the empty window, peak RSS at most 1.3 times.
# Usage: scripts/measure_idle.sh [seconds per round, default 60] [rounds, default 3]
#        [band 0-4, default 1 (17 m)] [blink rate, default Fast]
# HALVION_SKIP_BUILD=1 measures the program already in build/ without building it;
# XVFB_SERVER_NUM=N runs Xvfb on display :N instead of the first free one;
# HALVION_PROGRAM=path measures another build of the program;
# HALVION_POINTER_OVER=1 leaves the pointer over the middle of Halvion's window instead
# of outside every window, to see what a pointer resting on the map costs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
rounds=${2:-3}
band=${3:-1}
rate=${4:-Fast}
if [ -z "${HALVION_SKIP_BUILD:-}" ]; then
    scripts/setup.sh --desktop-tools
    scripts/build.sh >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. scripts/x_session.sh
empty_window=$(empty_window_build "$work/empty")
mkdir -p "$work/home/.config/Halvion"
printf '[Halvion]\nLEDSpeed=%s\n' "$rate" >"$work/home/.config/Halvion/Halvion.ini"

xvfb=(-a)
[ -z "${XVFB_SERVER_NUM:-}" ] || xvfb=(-n "$XVFB_SERVER_NUM")
POINTER_OVER=${HALVION_POINTER_OVER:-} WORK=$work EMPTY_WINDOW=$empty_window SECONDS_PER_ROUND=$seconds ROUNDS=$rounds BAND=$band RATE=$rate \
    xvfb-run "${xvfb[@]}" -s "-screen 0 2400x1100x24" bash -c '
    set -eu
    . scripts/x_session.sh
    ms() { awk -v u="$1" "BEGIN { printf \"%d\", u / 1e6 }"; }
    ratio() { awk -v a="$1" -v b="$2" "BEGIN { if (b > 0) printf \"%.2f\", a / b; else printf \"-\" }"; }

    halvion=$(halvion_start "$WORK/home")
    sleep 8
    start_h=$(cpu_ns "$halvion")
    eval "$(xdotool getwindowgeometry --shell "$(halvion_main_window "$halvion")")"
    # Side by side, none over another, each wholly on the screen (the empty windows used
    # to lie over part of the map). Halvion opens in the middle of the screen.
    EMPTY_WINDOW_AT=$((X + WIDTH + 60)),0 "$EMPTY_WINDOW" "$WIDTH" "$HEIGHT" >/dev/null 2>&1 &
    empty=$!
    sleep 8
    start_e=$(cpu_ns "$empty")
    case "$RATE" in Fast) blink_ms=150 ;; Medium) blink_ms=500 ;; Slow) blink_ms=1100 ;; *) blink_ms=1000 ;; esac
    EMPTY_WINDOW_AT=$((X + WIDTH + 60)),$((HEIGHT + 100)) "$EMPTY_WINDOW" "$WIDTH" "$HEIGHT" "$blink_ms" >/dev/null 2>&1 &
    blinking=$!
    echo "start-up CPU: Halvion $(ms "$start_h") ms, empty window $(ms "$start_e") ms, ratio $(ratio "$start_h" "$start_e")"

    halvion_track_band "$halvion" "$BAND"
    # The pointer rests outside every window, so that all are measured alike: over a
    # window, each control shown there has the X server asked where the pointer is (for
    # enter and leave events).
    if [ -n "$POINTER_OVER" ]; then
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    else
        xdotool mousemove 0 1099
    fi
    sleep 3
    total_h=0 total_b=0
    for round in $(seq "$ROUNDS"); do
        a_h=$(cpu_ns "$halvion") a_e=$(cpu_ns "$empty") a_b=$(cpu_ns "$blinking")
        sleep "$SECONDS_PER_ROUND"
        u_h=$(($(cpu_ns "$halvion") - a_h)) u_e=$(($(cpu_ns "$empty") - a_e))
        u_b=$(($(cpu_ns "$blinking") - a_b))
        total_h=$((total_h + u_h)) total_b=$((total_b + u_b))
        awk -v r="$round" -v h="$u_h" -v e="$u_e" -v b="$u_b" -v s="$SECONDS_PER_ROUND" -v rate="$RATE" "BEGIN {
            f = 100 / 1e9 / s
            printf \"round %d (%s blink, %d s): Halvion %.2f%%, blinking empty window %.2f%%, empty window %.2f%% of one core\", r, rate, s, h * f, b * f, e * f
            if (b > 0) printf \", ratio %.2f\\n\", h / b; else printf \"\\n\" }"
    done
    echo "idle CPU ratio to the blinking empty window over $ROUNDS rounds: $(ratio "$total_h" "$total_b") (target at most 1.5)"

    # Started after the rounds, which run as they always have: two windows beside Halvion.
    EMPTY_WINDOW_AT=0,0 "$EMPTY_WINDOW" "$WIDTH" "$HEIGHT" 0 menus >/dev/null 2>&1 &
    menus=$!
    sleep 8
    rss_h=$(peak_rss_kb "$halvion") rss_e=$(peak_rss_kb "$empty") rss_m=$(peak_rss_kb "$menus")
    echo "peak RSS: Halvion $((rss_h / 1024)) MB, empty window $((rss_e / 1024)) MB, ratio $(ratio "$rss_h" "$rss_e") (target at most 1.3)"
    echo "peak RSS beside a window with only the menu bar: $((rss_m / 1024)) MB, ratio $(ratio "$rss_h" "$rss_m")"
    echo "resident memory now, kB: Halvion: $(rss_breakdown "$halvion")"
    echo "resident memory now, kB: empty window: $(rss_breakdown "$empty")"
    mapped=$(comm -23 <(mapped_libraries "$halvion") <(mapped_libraries "$empty") | tr "\n" " ")
    echo "libraries mapped beyond the empty window'"'"'s: ${mapped:-none}"
    mapped=$(monitor_libraries_mapped "$halvion" | tr "\n" " ")
    echo "beacon monitor libraries mapped: ${mapped:-none}"
    mapped=$(radio_libraries_mapped "$halvion" | tr "\n" " ")
    echo "radio control libraries mapped: ${mapped:-none}"
    kill "$halvion" "$empty" "$blinking" "$menus"'
