#!/usr/bin/env bash
# Makes a ten-minute synthetic receiver recording of one beacon frequency (16-bit mono
# WAV, 8 kHz, named with its UTC start and frequency) for trying "Analyze Recording...".
# Usage: scripts/make_monitor_recording.sh [FOLDER, default /tmp/halvion-recordings] [BAND 0..4, default 0]
#        [START_UTC like 2026-12-10T10:15:00Z, default: ending now] [MINUTES, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-${TMPDIR:-/tmp}/halvion-recordings}
band=${2:-0}
start=${3:-now}
minutes=${4:-10}
scripts/build.sh >/dev/null
build/tests/make_monitor_recording "$folder" "$start" "$band" "$minutes" 8000
