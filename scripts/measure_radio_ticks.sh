#!/usr/bin/env bash
# Builds and runs the tick-gap measurement: how steadily the main window's tracking tick
# runs while rigctld is connected, gone, frozen and back (about 75 seconds, headless).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target measure_radio_ticks >/dev/null
QT_QPA_PLATFORM=offscreen exec build/tests/measure_radio_ticks
