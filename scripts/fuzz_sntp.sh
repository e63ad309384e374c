#!/usr/bin/env bash
# Runs the time server reply fuzzer for 60 seconds, or the number of seconds given as the
# first argument. Findings land in fuzz-out/sntp/.
exec "$(dirname "$0")/run_fuzzer.sh" fuzz_sntp_packet fuzz/sntp_seeds 128 fuzz-out/sntp "${1:-60}"
