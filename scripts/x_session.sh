# Shell functions for the scripts that drive Halvion on a virtual X screen; sourced
# inside xvfb-run from the top of the source tree.

# Starts the built program (or $HALVION_PROGRAM) with its own home, settings and runtime
# folder (Halvion runs once per user, so each copy needs a runtime folder of its own);
# prints its pid.
halvion_start() {
    mkdir -p -m 700 "$1/run"
    HOME=$1 XDG_CONFIG_HOME=$1/.config XDG_RUNTIME_DIR=$1/run "${HALVION_PROGRAM:-build/app/halvion}" >/dev/null 2>&1 &
    echo $!
}

# The main window's id, once it is on the screen: the splash shown before it has the same
# title, but its first window type is "splash" (then "normal" for window managers that
# know no splash). Waits up to 30 s. xdotool search takes a window that meets any one
# of its conditions unless told --all: without it, any copy's window named "Halvion".
halvion_main_window() {
    local w i
    for ((i = 0; i < 300; ++i)); do
        for w in $(xdotool search --all --onlyvisible --pid "$1" --name "^Halvion$" 2>/dev/null); do
            if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q "= _NET_WM_WINDOW_TYPE_NORMAL"; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    echo "halvion_main_window: no main window for process $1" >&2
    return 1
}

# Chooses a band (0 "20 Meters" ... 4 "10 Meters", default 0) with the main window's
# keys 1 to 5, which reach the band buttons wherever the window's layout puts them (a
# click at a fixed height misses once a line is added under the map).
halvion_track_band() {
    local w
    w=$(halvion_main_window "$1")
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
    xdotool key --clearmodifiers $((${2:-0} + 1))
}

halvion_track20() {
    halvion_track_band "$1" 0
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

# Processor time the process's live threads have used so far, in ns (finer than
# cpu_ticks; a thread that has ended no longer counts).
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { printf "%.0f\n", ns }'
}

# Peak resident memory of the process so far, in kB.
peak_rss_kb() {
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

# The shared libraries and plugins the process has mapped, by file name, sorted.
mapped_libraries() {
    grep -oE '[^/ ]+\.so[.0-9]*$' "/proc/$1/maps" | sort -u || true
}

# The libraries only the beacon monitor needs that the process has mapped, one a line.
monitor_libraries_mapped() {
    grep -oE '[^/ ]*(Qt6Multimedia|Qt6Charts|Qt6Sql|fftw3)[^/ ]*$' "/proc/$1/maps" | sort -u || true
}

# Hamlib and the libraries only it brings, and the rig module that links them, that the
# process has mapped, one a line: a start without radio control maps none of them.
radio_libraries_mapped() {
    grep -oE '[^/ ]*(libhamlib|libindiclient|libusb-1\.0|halvion_hamlib)[^/ ]*$' "/proc/$1/maps" | sort -u || true
}

# Where the process's resident memory lies, in kB: the heap, other anonymous memory
# (large pictures, thread stacks), the program's own file, Qt's libraries, other
# libraries, fonts, and shared memory with the X server (the window's picture).
rss_breakdown() {
    awk -v exe="$(readlink "/proc/$1/exe")" '
        /^[0-9a-f]+-[0-9a-f]+ / { name = $6; kind = "other libraries"
            if (name == "") kind = "anonymous"
            else if (name == "[heap]") kind = "heap"
            else if (name ~ /^\[/) kind = "anonymous"
            else if (name == exe) kind = "program file"
            else if (name ~ /libQt6/) kind = "Qt libraries"
            else if (name ~ /\.(ttf|otf|pcf)(\.gz)?$/ || name ~ /fontconfig/) kind = "fonts"
            else if (name ~ /^\/memfd:|^\/SYSV|\(deleted\)/) kind = "shared with X"
            next }
        /^Rss:/ { kb[kind] += $2 }
        END { n = split("heap|anonymous|program file|Qt libraries|other libraries|fonts|shared with X", order, "|")
              for (i = 1; i <= n; ++i) printf "%s%s %d", (i > 1 ? ", " : ""), order[i], kb[order[i]]
              printf "\n" }' "/proc/$1/smaps"
}

# Builds, in folder $1, an empty Qt window: a plain QWidget, the floor every Qt Widgets
# program pays, for comparison; prints the program's path. Run it as `empty_window W H`
# for a window of W x H px (default 161 x 163, the compact view's size), or as
# `empty_window W H MS` to have it blink a 10 x 10 px marker every MS ms: the floor of
# a window that blinks a marker at that rate, as the map does; `empty_window W H 0 menus`
# gives it, not blinking, a menu bar with the main window's seven menu titles: the
# floor of a window that shows any text at all (fonts, shaping, the menu bar). It opens
# at (700, 0), or where EMPTY_WINDOW_AT="x,y" says.
empty_window_build() {
    mkdir -p "$1"
    cat >"$1/main.cpp" <<'EOF'
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("Empty"));
    w.resize(argc > 2 ? atoi(argv[1]) : 161, argc > 2 ? atoi(argv[2]) : 163);
    const QStringList at = qEnvironmentVariable("EMPTY_WINDOW_AT").split(QLatin1Char(','));
    w.move(at.size() == 2 ? at[0].toInt() : 700, at.size() == 2 ? at[1].toInt() : 0);
    QLabel marker(&w);
    marker.setGeometry(100, 100, 10, 10);
    marker.setStyleSheet(QStringLiteral("background: red"));
    marker.hide();
    if (argc > 4 && std::strcmp(argv[4], "menus") == 0) {
        auto *menus = new QMenuBar(&w);
        for (const char *title : {"&File", "&Display", "&Beacon Status", "&Internet Time", "Internet &HAM Info",
                                  "I&nstructions", "&About..."})
            menus->addMenu(QString::fromLatin1(title));
        menus->setGeometry(0, 0, w.width(), menus->sizeHint().height());
    }
    QTimer blink;
    if (argc > 3 && atoi(argv[3]) > 0) {
        QObject::connect(&blink, &QTimer::timeout, &marker, [&marker] { marker.setVisible(!marker.isVisible()); });
        blink.start(atoi(argv[3]));
    }
    w.show();
    return app.exec();
}
EOF
    cat >"$1/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(empty LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(empty_window main.cpp)
target_link_libraries(empty_window PRIVATE Qt6::Widgets)
EOF
    cmake -S "$1" -B "$1/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$1/build" >/dev/null
    echo "$1/build/empty_window"
}
