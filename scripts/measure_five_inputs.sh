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

# One cycle (three minutes, 18 slots) of every band, starting on a cycle's boundary.
for band in 0 1 2 3 4; do
    mkdir -p "$work/rec$band"
    build/tests/make_monitor_recording "$work/rec$band" 2026-12-10T10:00:00Z "$band" 3 "$rate" >/dev/null
    mv "$work/rec$band"/*.wav "$work/band$band.wav"
done

mkdir -p "$work/runtime"
{
    echo "load-module module-native-protocol-unix socket=$work/native auth-anonymous=1"
    for band in 0 1 2 3 4; do
        echo "load-module module-pipe-source source_name=halvion_band$band file=$work/band$band.fifo format=s16le rate=$rate channels=1"
    done
} >"$work/server.pa"
HOME=$work XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work DBUS_SESSION_BUS_ADDRESS= \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=error -F "$work/server.pa" &
server=$!
for _ in $(seq 100); do [ -S "$work/native" ] && [ -p "$work/band4.fifo" ] && break; sleep 0.2; done
export PULSE_SERVER=unix:$work/native

# The feeder: every 50 ms block written once its time has come, from the place in the
# three-minute cycle the clock is at (so the beacons fall on their slots).
python3 - "$work" "$rate" <<'PY' &
import os, sys, time, wave
work, rate = sys.argv[1], int(sys.argv[2])
data, fds = [], []
for band in range(5):
    with wave.open(f"{work}/band{band}.wav", "rb") as w:
        data.append(w.readframes(w.getnframes()))
    fds.append(os.open(f"{work}/band{band}.fifo", os.O_WRONLY))
cycle = 180 * rate
block = rate // 20
t0 = time.time()
pos = int((t0 % 180) * rate)
written = 0
while True:
    due = t0 + (written + block) / rate
    delay = due - time.time()
    if delay > 0:
        time.sleep(delay)
    for band in range(5):
        start = (pos + written) % cycle
        chunk = data[band][2 * start: 2 * min(start + block, cycle)]
        if len(chunk) < 2 * block:
            chunk += data[band][: 2 * block - len(chunk)]
        os.write(fds[band], chunk)
    written += block
PY
feeder=$!
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
