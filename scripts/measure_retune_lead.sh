#!/usr/bin/env bash
# How long before each slot start the radio's retune reaches the rig. Runs the whole
# program (headless) against a rigctld on a free loopback port that logs every command
# with a time stamp (-vvvv -Z), following a station at the Slow and the Fast blink rate
# and then scanning the five bands; reads the set_freq lines of the log and reports, for
# each run, how far ahead of the nearest slot start (a multiple of ten seconds) each one
# came. The wanted window is 0.5 to 0.2 s ahead. About five minutes.
#
#   scripts/measure_retune_lead.sh [follow-seconds [scan-seconds]]
set -euo pipefail
cd "$(dirname "$0")/.."
FOLLOW_SECONDS=${1:-125} # the followed station's run starts about a minute in
SCAN_SECONDS=${2:-45}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target measure_retune_lead >/dev/null

work=$(mktemp -d)
rigctld_pid=
cleanup() {
    [[ -n $rigctld_pid ]] && kill "$rigctld_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
rigctld -m 1 -T 127.0.0.1 -t "$port" -vvvv -Z 2>"$work/rigctld.log" &
rigctld_pid=$!
for _ in $(seq 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null && break
    sleep 0.1
done

run() { # rate mode seconds
    local out="$work/$1-$2.out"
    QT_QPA_PLATFORM=offscreen build/tests/measure_retune_lead "127.0.0.1:$port" "$1" "$2" "$3" >"$out"
    local start end
    start=$(sed -n 's/^start //p' "$out")
    end=$(date -u +%Y-%m-%dT%H:%M:%S.%3N)
    echo "$1 $2 $start $end $(sed -n 's/^timer interval //p' "$out")" >>"$work/runs"
}
run Slow follow "$FOLLOW_SECONDS"
run Fast follow "$FOLLOW_SECONDS"
run Medium scan "$SCAN_SECONDS"

python3 - "$work/rigctld.log" "$work/runs" <<'PY'
import re, sys
from datetime import datetime, timezone

def stamp(text):
    text = text.replace("Z", "")
    return datetime.fromisoformat(text[:26]).replace(tzinfo=timezone.utc).timestamp()

sets = []
line_re = re.compile(rb"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d+)[+-]\d{4}: rig_set_freq called .*freq=(\d+)")
with open(sys.argv[1], "rb") as log:
    for line in log:
        m = line_re.match(line)
        if m:
            sets.append((stamp(m.group(1).decode()), int(m.group(2))))

print("set_freq lead before the nearest slot start (positive: ahead of it); wanted 0.200-0.500 s")
for run in open(sys.argv[2]):
    rate, mode, start, end, interval = run.split()[:5]
    t0, t1 = stamp(start), stamp(end)
    # The band button and the first tune of follow or scan come at once, not ahead of a slot.
    measured = [(t, f) for t, f in sets if t0 + 1.5 < t < t1]
    leads = []
    for t, f in measured:
        nearest = round(t / 10.0) * 10.0
        leads.append((nearest - t, f))
    if not leads:
        print(f"{mode:6} {rate:6} (tick {interval}): no retunes in the run")
        continue
    values = [l for l, _ in leads]
    outside = [l for l in values if not 0.2 <= l <= 0.5]
    print(f"{mode:6} {rate:6} (tick {interval}): {len(values)} retunes, lead min {min(values):.3f} s, "
          f"max {max(values):.3f} s, mean {sum(values) / len(values):.3f} s, outside the window: {len(outside)}")
    print("        " + "  ".join(f"{f / 1e6:.3f}:{l:+.3f}" for l, f in leads))
PY
