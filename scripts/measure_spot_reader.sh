#!/usr/bin/env bash
# Measures the spot feed's reader on this machine: spots per second for the reader alone
# and through a local server into the feed and store, and resident memory after each
# flood; with a folder, the spots are also written to a log below it.
# Usage: scripts/measure_spot_reader.sh [megabytes per flood, default 10] [floods, default 5] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target bench_spot_reader >/dev/null
build/bench/bench_spot_reader "${1:-10}" "${2:-5}" ${3:+"$3"}
