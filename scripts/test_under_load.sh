#!/usr/bin/env bash
# Runs every test N times (default 3) in ./build while one busy loop per core keeps the
# processor loaded, the way a shared build machine is. A test that waits on elapsed time
# instead of on the condition it needs fails here. Stops after the first run that has a
# failure and names the run and the tests that failed. Further arguments go to ctest, so
# `scripts/test_under_load.sh 10 -R tst_radio` repeats one program.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/test_under_load.sh [number of runs, 1 or more [ctest arguments]]" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))
scripts/setup.sh
scripts/build.sh

busy=()
stop_busy_loops() {
    for pid in "${busy[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${busy[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    busy=()
}
trap stop_busy_loops EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
cores=$(nproc)
for ((i = 0; i < cores; ++i)); do
    (while :; do :; done) &
    busy+=($!)
done
echo "$cores busy loops started"

export QT_QPA_PLATFORM=offscreen
failed_list=build/Testing/Temporary/LastTestsFailed.log
for ((run = 1; run <= runs; ++run)); do
    echo "=== Run $run of $runs under load"
    start=$SECONDS
    if ! ctest --test-dir build --output-on-failure --no-tests=error -j"$cores" "$@"; then
        failed=$(sed 's/^[0-9]*://' "$failed_list" 2>/dev/null | tr '\n' ' ')
        echo "=== Run $run of $runs failed after $((SECONDS - start)) s: ${failed:-(see above)}" >&2
        exit 1
    fi
    echo "=== Run $run of $runs passed in $((SECONDS - start)) s"
done
echo "All $runs runs passed under load"
