# Shell functions for the scripts that drive Halvion on a virtual X screen; sourced
# inside xvfb-run from the top of the source tree.

# Starts the built program with its own home, settings and runtime folder (Halvion
# runs once per user, so each copy needs a runtime folder of its own); prints its pid.
halvion_start() {
    mkdir -p -m 700 "$1/run"
    HOME=$1 XDG_CONFIG_HOME=$1/.config XDG_RUNTIME_DIR=$1/run build/app/halvion >/dev/null 2>&1 &
    echo $!
}

halvion_main_window() {
    xdotool search --sync --onlyvisible --pid "$1" --name "^Halvion$" | head -n 1
}

# Clicks "20 Meters": the button spans 395 to 420 px below the main window's top edge
# (menu bar included), from 17 px in; this aims at its middle.
halvion_track20() {
    eval "$(xdotool getwindowgeometry --shell "$(halvion_main_window "$1")")"
    xdotool mousemove $((X + 50)) $((Y + 408)) click 1
}

# Processor time (user and system, in clock ticks) the process has used so far.
cpu_ticks() {
    local s
    read -r -a s <"/proc/$1/stat"
    echo $((s[13] + s[14]))
}

# Starts the program with this home, has it follow 20 m, lets it settle, then prints the
# clock ticks of processor time it uses over the next $2 seconds.
halvion_ticks_following_20m() {
    local pid a
    pid=$(halvion_start "$1")
    sleep 6
    halvion_track20 "$pid"
    sleep 3
    a=$(cpu_ticks "$pid")
    sleep "$2"
    echo $(($(cpu_ticks "$pid") - a))
    kill "$pid"
}
