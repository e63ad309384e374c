#!/usr/bin/env bash
# Checks, under a real X server with a window manager, that the compact view opens with
# its outer frame exactly where it was left: five open/leave cycles, a move by the user,
# an exit from the compact view and a restart. Offscreen test windows have no frame,
# so only a window manager shows whether the frame or the client area is placed.
#
# Usage: scripts/check_compact_placement.sh [path to the halvion program]
# Needs Xvfb, openbox, xdotool, xwininfo and xprop; exits 77 (skipped) without them.
# Prints the frame's place at every opening; exits non-zero on the first difference.
set -euo pipefail

program=$(realpath "${1:-build/app/halvion}")
for tool in Xvfb openbox xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -n "${KEEP_SHOT:-}" ] && import -window root "$KEEP_SHOT" 2>/dev/null
    local log
    for log in xvfb openbox halvion; do
        sed "s/^/$log: /" "$work/$log.log" >&2 2>/dev/null || true
    done
    exit 1
}

# Runs a command until it succeeds; gives up after 30 s (a busy machine may be slow,
# but nothing here takes that long).
wait_for() {
    local what=$1 deadline=$((SECONDS + 30))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || fail "gave up waiting for $what"
        sleep 0.05
    done
}

# The same with a deadline of $1 seconds; returns non-zero when it passes.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# A display of our own: the one named in CHECK_DISPLAY (a number), else one the X server
# picks itself and tells (-displayfd), so two checks started at once never share one.
# -noreset: by default the server starts afresh whenever its last client leaves, and a
# client connecting just then (the window manager, right after the probe) is refused.
if [ -n "${CHECK_DISPLAY:-}" ]; then
    Xvfb ":$CHECK_DISPLAY" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    display=$CHECK_DISPLAY
else
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for "the X server's display number" grep -q '[0-9]' "$work/display"
    display=$(tr -dc '0-9' <"$work/display")
fi
xvfb=${pids[-1]}
export DISPLAY=":$display"
x_answers() { kill -0 "$xvfb" 2>/dev/null || fail "the X server ended"; xprop -root -len 0 >/dev/null 2>&1; }
wait_for "the X server" x_answers

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wm=${pids[-1]}
wm_answers() {
    kill -0 "$wm" 2>/dev/null || fail "the window manager ended"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}
wait_for "the window manager" wm_answers

home=$work/home
ini=$home/.config/Halvion/Halvion.ini
mkdir -p "$home/.config/Halvion" "$work/run"
chmod 700 "$work/run"

start_halvion() {
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb \
        "$program" >>"$work/halvion.log" 2>&1 &
    halvion=$!
    pids+=("$halvion")
}

# Geometry of a window: "X Y W H" of its client area and "FX FY" of its frame.
client_of() {
    xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}'
}
frame_of() {
    xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {ax = $4} /Absolute upper-left Y/ {ay = $4}
        /Relative upper-left X/ {rx = $4} /Relative upper-left Y/ {ry = $4} END {print ax - rx, ay - ry}'
}
framed() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q "=" && xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"
}

# The program's visible normal window (not the splash) that is (not) the compact view:
# the compact view's client area is 161 px wide, the main window's far wider.
find_window() {
    local kind=$1 w
    for w in $(xdotool search --all --onlyvisible --pid "$halvion" --name '^Halvion$' 2>/dev/null); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_NORMAL || continue
        read -r _ _ width _ < <(client_of "$w")
        [ -n "$width" ] || continue
        if { [ "$kind" = compact ] && [ "$width" -lt 300 ]; } || { [ "$kind" = main ] && [ "$width" -ge 300 ]; }; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
window_shown() { find_window "$1" >/dev/null && framed "$(find_window "$1")"; }
window_gone() { ! find_window "$1" >/dev/null; }

# "20 Meters" lies at (57, 388) in the main window's 601 x 418 area under the menu bar.
track_20m() {
    local main x y w h
    main=$(find_window main)
    read -r x y w h < <(client_of "$main")
    xdotool mousemove $((x + 57)) $((y + h - 418 + 388)) click 1
}

# A double click on the map opens the compact view once a band is tracked. A click
# that comes while the window is still settling can go unseen: the band is chosen
# again until the compact view opens.
open_compact() {
    local main x y w h attempt
    for attempt in 1 2 3 4 5; do
        wait_for "the main window" window_shown main
        [ "$attempt" = 1 ] || track_20m
        main=$(find_window main)
        read -r x y w h < <(client_of "$main")
        xdotool mousemove $((x + 300)) $((y + h - 418 + 170)) click --repeat 2 --delay 60 1
        if wait_until 5 window_shown compact; then
            return 0
        fi
    done
    fail "the compact view did not open"
}

# A double click on the 20 m row goes back to the map.
leave_compact() {
    local view x y w h
    view=$(find_window compact)
    read -r x y w h < <(client_of "$view")
    xdotool mousemove $((x + 80)) $((y + h - 144 + 36)) click --repeat 2 --delay 60 1
    wait_for "the map view" window_shown main
    wait_for "the compact view to close" window_gone compact
}

# A stored value without its blank and quotes: " 2850" is kept as "\" 2850\"".
# Drags the compact view by its title bar. The window manager starts a drag only once
# it has grabbed the pointer, so the pointer moves on until the frame follows it.
drag_compact_by() {
    local view fx fy want n=0 deadline=$((SECONDS + 30))
    view=$(find_window compact)
    read -r fx fy <<<"$(frame_of "$view")"
    want="$((fx + $1)) $((fy + $2))"
    xdotool mousemove $((fx + 80)) $((fy + 10)) mousedown 1
    until at_place "$view" "$want"; do
        ((SECONDS < deadline)) || fail "the window manager did not drag the compact view"
        n=$((n + 1))
        xdotool mousemove $((fx + 80 + $1 - n % 2)) $((fy + 10 + $2))
        xdotool mousemove $((fx + 80 + $1)) $((fy + 10 + $2))
        sleep 0.05
    done
    xdotool mouseup 1
}

stored() { grep -i "^$1=" "$ini" | cut -d= -f2 | tr -d ' \r"'; }

# Opens the compact view and checks that its frame is at the expected place.
expect_frame() {
    local label=$1 want=$2 view got
    open_compact
    view=$(find_window compact)
    # The frame may take a moment to settle where it belongs.
    if ! wait_for_place "$view" "$want"; then
        got=$(frame_of "$view")
        fail "$label: the compact view's frame is at ($got), expected ($want)"
    fi
    echo "$label: frame at ($(frame_of "$view" | tr ' ' ','))"
}
at_place() { [ "$(frame_of "$1")" = "$2" ]; }
wait_for_place() { wait_until 10 at_place "$1" "$2"; }

expect_stored() {
    local top left
    top=$(stored CompactWinTop)
    left=$(stored CompactWinLeft)
    [ "$left $top" = "$1" ] || fail "stored place is ($left, $top) twips, expected ($1)"
}

# Drags the compact view by its title bar. The window manager starts a drag only once
# it has grabbed the pointer, so the pointer moves on until the frame follows it.
drag_compact_by() {
    local view fx fy want n=0 deadline=$((SECONDS + 30))
    view=$(find_window compact)
    read -r fx fy <<<"$(frame_of "$view")"
    want="$((fx + $1)) $((fy + $2))"
    xdotool mousemove $((fx + 80)) $((fy + 10)) mousedown 1
    until at_place "$view" "$want"; do
        ((SECONDS < deadline)) || fail "the window manager did not drag the compact view"
        n=$((n + 1))
        xdotool mousemove $((fx + 80 + $1 - n % 2)) $((fy + 10 + $2))
        xdotool mousemove $((fx + 80 + $1)) $((fy + 10 + $2))
        sleep 0.05
    done
    xdotool mouseup 1
}

# A first start: the compact view opens in the screen's top-left corner, title bar and
# all, and that is what is stored when it is left.
start_halvion
wait_for "the main window" window_shown main
track_20m
expect_frame "first opening" "0 0"
leave_compact
expect_stored "0 0"
kill "$halvion"
wait_for "the program to end" sh -c "! kill -0 $halvion 2>/dev/null"

# A user's file with the compact view's place: frame 300 px from the left, 200 px down.
printf '[Halvion]\r\nAOT=False\r\nCompactWinTop= 3000\r\nCompactWinLeft= 4500\r\n' >"$ini"
start_halvion
wait_for "the main window" window_shown main
track_20m

for cycle in 1 2 3 4 5; do
    expect_frame "cycle $cycle" "300 200"
    leave_compact
    expect_stored "4500 3000"
done

# The user drags the window by its title bar; the new place is kept.
expect_frame "before the drag" "300 200"
drag_compact_by 150 90
view=$(find_window compact)
moved=$(frame_of "$view")
leave_compact
read -r mx my <<<"$moved"
expect_stored "$((mx * 15)) $((my * 15))"
expect_frame "after the drag" "$moved"

# Always on top: the window is shown again with its new stacking, in the same place.
view=$(find_window compact)
xdotool windowactivate --sync "$view" key --clearmodifiers alt+d
xdotool key Return
on_top() { xprop -id "$(find_window compact)" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; }
wait_for "the compact view on top" on_top
wait_for "the compact view to be framed" window_shown compact
wait_for_place "$(find_window compact)" "$moved" ||
    fail "on top: the frame is at ($(frame_of "$(find_window compact)")), expected ($moved)"
echo "always on top: frame at ($(frame_of "$(find_window compact)" | tr ' ' ','))"

# "Exit (End) Program" from the compact view, then a new start: the same place.
view=$(find_window compact)
xdotool windowactivate --sync "$view" key --clearmodifiers alt+f
xdotool key Up Return
wait_for "the program to end" sh -c "! kill -0 $halvion 2>/dev/null"
expect_stored "$((mx * 15)) $((my * 15))"
start_halvion
wait_for "the main window" window_shown main
track_20m
expect_frame "after a restart" "$moved"
leave_compact

# A place off every screen opens on the screen, at the nearest edge, and the file keeps
# the stored place while the user does not move the window.
printf '[Halvion]\r\nAOT=False\r\nCompactWinTop= 300000\r\nCompactWinLeft=-45000\r\n' >"$ini.new"
kill "$halvion"
wait_for "the program to end" sh -c "! kill -0 $halvion 2>/dev/null"
mv "$ini.new" "$ini"
start_halvion
wait_for "the main window" window_shown main
track_20m
open_compact
view=$(find_window compact)
read -r fx fy <<<"$(frame_of "$view")"
read -r _ _ w h <<<"$(client_of "$view")"
((fx == 0 && fy > 0 && fy + h < 800)) || fail "a place off the screen opened at ($fx, $fy)"
echo "off the screen: frame at ($fx,$fy)"
leave_compact
expect_stored "-45000 300000"

echo "compact view placement: all checks passed"
