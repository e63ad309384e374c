#!/usr/bin/env bash
# Makes the two pictures of the program instructions as real screenshots of Halvion's
# own windows, on a virtual X screen:
#   assets/help/main_window.png   the main window following 20 m, legend on
#   assets/help/display_menu.png  the same window with its Display menu open
#
# The program runs from a settings file of its own in a temporary folder, with its
# clock held at 14:07:46 (faketime), so every run gives the same pictures: ZS6DN on
# 20 m, six seconds into its slot. Brings the build up to date first.
#
# Needs xvfb-run, xdotool, ImageMagick's import and convert, faketime
# (scripts/setup.sh --desktop-tools installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--inside-x" ]; then
    scripts/build.sh
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # Every station on the air except two, so the map shows all three marker kinds.
    mkdir -p "$work/config/Halvion"
    {
        echo "[Halvion]"
        for i in $(seq 0 17); do
            ok=True off=False on=False
            [ "$i" = 3 ] && { ok=False; off=True; }
            [ "$i" = 9 ] && { ok=False; on=True; }
            printf 'OK %d=%s\nOFF %d=%s\nON %d=%s\n' "$i" "$ok" "$i" "$off" "$i" "$on"
        done
        printf 'LEDSpeed=None\nPassFlag=True\nActGauge=True\nMarkersLED=True\nSatTrack=False\n'
        printf 'Legend=True\nToggle=True\n'
    } >"$work/config/Halvion/Halvion.ini"
    mkdir -m 700 "$work/runtime"
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work" \
        xvfb-run -a -s '-screen 0 1280x1024x24' "$0" --inside-x "$work"
    echo "wrote assets/help/main_window.png and assets/help/display_menu.png"
    exit 0
fi

# On the virtual screen from here on.
work=$2
out=assets/help
export QT_QPA_PLATFORM=xcb
faketime -m --exclude-monotonic -f '2026-03-14 14:07:46' build/app/halvion 2>"$work/halvion.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# The main window appears when the splash hands over, four seconds after start.
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Halvion$' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$win")"
# The client area is 418 px high under the menu bar; the 20 m button's centre lies
# at (57, 388) in it.
client_top=$((Y + HEIGHT - 418))
xdotool mousemove $((X + 57)) $((client_top + 388)) click 1
xdotool mousemove $((X + WIDTH + 50)) $((Y + HEIGHT + 50))
sleep 1.5

# A thin grey frame sets each picture off from the white page it is shown on.
shrink() {
    convert "$1" -bordercolor "#8c8c8c" -border 1 -strip -define png:exclude-chunks=date,time \
        -colors 256 "PNG8:$2"
}

import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/main.png"
shrink "$work/main.png" "$out/main_window.png"

xdotool windowfocus --sync "$win"
xdotool key alt+d
sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/menu.png"
shrink "$work/menu.png" "$out/display_menu.png"
xdotool key Escape

# Close the program before the virtual screen goes away.
kill "$(xdotool getwindowpid "$win")" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
