#!/usr/bin/env bash
# Measures what the clock check reads against scripts/sntp_responder.py on 127.0.0.1
# while the whole program runs: offset and round trip of COUNT answers (default 10,
# 4 seconds apart). The responder tells this machine's own time, so both should be a
# fraction of a millisecond. Headless unless DISPLAY is set and QT_QPA_PLATFORM is not.
#   scripts/measure_clock_check.sh [COUNT]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target measure_clock_check >/dev/null
out="$(mktemp)"
python3 -u scripts/sntp_responder.py --port 0 >"$out" &
responder=$!
trap 'kill "$responder" 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do grep -q answering "$out" && break; sleep 0.1; done
server="$(sed -n 's/^answering on //p' "$out")"
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"; fi
build/tests/measure_clock_check "$server" "${1:-10}"
