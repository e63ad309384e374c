#!/usr/bin/env bash
# Runs the daytime reply fuzzer for 60 seconds, or the number of seconds given as the first
# argument. Findings land in fuzz-out/daytime/.
exec "$(dirname "$0")/run_fuzzer.sh" fuzz_daytime_reply fuzz/daytime_seeds 2048 fuzz-out/daytime "${1:-60}"
