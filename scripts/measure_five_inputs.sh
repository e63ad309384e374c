#!/usr/bin/env bash
# Measures what five receivers at once cost: a PulseAudio server of its own (in a temporary
# folder) with five 48 kHz pipe sources, each fed in real time with a generated recording
# of one band (looped, kept on the slots of the clock), and build/tests/measure_five_inputs
# listening to all five. Every minute the listener's processor time and resident memory
# are read from /proc; at the end the processor share (after the first minute) and the
# memory's slope (least squares over the samples, extrapolated to 24 hours) are printed.
# Usage: scripts/measure_five_inputs.sh [MINUTES of real time, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
rate=48000
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target measure_five_inputs make_monitor_recording >/dev/null

work=$(mktemp -d)
server=""
feeder=""
cleanup() {
    [ -n "$feeder" ] && kill "$feeder" 2>/dev/null || true
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source scripts/five_sources.sh
sleep 2

ids=(halvion_band0 halvion_band1 halvion_band2 halvion_band3 halvion_band4)
QT_QPA_PLATFORM=offscreen build/tests/measure_five_inputs $((minutes * 60 + 5)) "${ids[@]}" >"$work/result.txt" 2>"$work/errors.txt" &
listener=$!
tck=$(getconf CLK_TCK)
samples="$work/samples.txt"
: >"$samples"
for ((m = 0; m <= minutes; m++)); do
    [ "$m" -gt 0 ] && sleep 60
    [ -r "/proc/$listener/stat" ] || break
    ticks=$(awk '{ print $14 + $15 }' "/proc/$listener/stat")
    rss=$(awk '/VmRSS/ { print $2 }' "/proc/$listener/status")
    echo "$m $ticks $rss" >>"$samples"
    echo "minute $m: $ticks ticks, RSS $rss kB"
done
wait "$listener" || true
cat "$work/result.txt"
grep -v -e XDG_RUNTIME_DIR "$work/errors.txt" | head -20 || true
awk -v tck="$tck" '
    { m[NR] = $1; t[NR] = $2; r[NR] = $3 }
    END {
        if (NR < 3) { print "too short to measure"; exit 1 }
        cpu = 100 * (t[NR] - t[2]) / tck / (60 * (m[NR] - m[2]))
        printf "processor: %.2f %% of one core for five inputs at 48 kHz (minutes %d to %d; target < 2 %%)\n", cpu, m[2], m[NR]
        n = 0; sx = 0; sy = 0; sxx = 0; sxy = 0
        for (i = 2; i <= NR; i++) { n++; sx += m[i]; sy += r[i]; sxx += m[i] * m[i]; sxy += m[i] * r[i] }
        slope = (n * sxy - sx * sy) / (n * sxx - sx * sx)
        printf "memory: RSS %d kB after minute %d, %d kB at the end; slope %.1f kB per hour, %.0f kB over 24 hours\n",
               r[2], m[2], r[NR], 60 * slope, 1440 * slope
    }' "$samples"
