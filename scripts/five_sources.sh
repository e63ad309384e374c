# Sourced by measure_five_inputs.sh and make_five_receivers_shot.sh: five receivers' audio
# without receivers. A PulseAudio server of its own in the folder $work, with five pipe
# sources halvion_band0 ... halvion_band4 at $rate, each fed in real time with a generated
# recording of one band (one three-minute cycle, looped, kept on the slots of the clock).
# Sets $server and $feeder (their process ids) and exports PULSE_SERVER; the caller ends
# them. Needs build/tests/make_monitor_recording.

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
