#!/usr/bin/env bash
# Runs the spot feed's line reader fuzzer for 60 seconds, or the number of seconds given
# as the first argument. Findings land in fuzz-out/spots/.
exec "$(dirname "$0")/run_fuzzer.sh" fuzz_spot_line fuzz/spot_seeds 4096 fuzz-out/spots "${1:-60}"
