#!/usr/bin/env bash
# Builds one of the fuzzers in fuzz/ with clang (no Qt needed) and runs it for a bounded
# time. Usage: run_fuzzer.sh TARGET SEEDS MAX_LEN OUT [SECONDS]; SECONDS defaults to 60.
# Findings land in OUT/artifacts/, the grown corpus in OUT/corpus/.
# Needs clang, libclang-rt-14-dev and ninja (scripts/setup.sh --fuzz-tools).
set -euo pipefail
cd "$(dirname "$0")/.."

target="$1" seeds="$2" max_len="$3" out="$4" seconds="${5:-60}"
build="${HALVION_FUZZ_BUILD:-build-fuzz}"

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="${CXX:-clang++}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "$target"

mkdir -p "$out/corpus" "$out/artifacts"
"$build/$target" "$out/corpus" "$seeds" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/artifacts/" -print_final_stats=1
