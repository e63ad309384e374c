#!/usr/bin/env bash
# Builds the time server reply fuzzer with clang (no Qt needed) and runs it for a bounded
# time: 60 seconds, or the number of seconds given as the first argument.
# Needs clang, libclang-rt-14-dev and ninja (scripts/setup.sh --fuzz-tools). Findings land in
# fuzz-out/sntp/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build="${HALVION_FUZZ_BUILD:-build-fuzz}"
out="fuzz-out/sntp"

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="${CXX:-clang++}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_sntp_packet

mkdir -p "$out/corpus" "$out/artifacts"
"$build/fuzz_sntp_packet" "$out/corpus" fuzz/sntp_seeds \
    -max_total_time="$seconds" -max_len=128 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/artifacts/" -print_final_stats=1
