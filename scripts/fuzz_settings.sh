#!/usr/bin/env bash
# Runs the settings file fuzzer for 60 seconds, or the number of seconds given as the first
# argument. Findings land in fuzz-out/.
# A folder in memory keeps the per-run file writes cheap.
if [[ -z "${TMPDIR:-}" && -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
exec "$(dirname "$0")/run_fuzzer.sh" fuzz_profile_file fuzz/seeds 4096 fuzz-out "${1:-60}"
