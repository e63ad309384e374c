#!/usr/bin/env bash
# Times the status editor's Ok and the first start's status defaults on this machine's
# disk (in a fresh folder below the given one, default ./build).
# Usage: scripts/measure_status_ok.sh [folder] [rounds, default 40]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target bench_status_ok >/dev/null
QT_QPA_PLATFORM=offscreen build/bench/bench_status_ok "$folder" "${2:-40}"
