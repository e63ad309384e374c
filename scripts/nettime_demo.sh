#!/usr/bin/env bash
# Tries the time dialog against a daytime server on this machine: starts a small server
# on 127.0.0.1 (a free port) that answers every connection with the current UTC time in
# NIST's daytime format, then the program with its six time servers pointed there and
# a clock setter that only prints what it would set. Nothing leaves this machine and
# the clock is not touched. Arguments go to nettime_demo (--open, --press).
# Needs python3 and a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

portfile="$(mktemp)"
python3 -u - "$portfile" <<'PY' &
import datetime, socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen()
with open(sys.argv[1], "w") as f:
    f.write(str(server.getsockname()[1]))
while True:
    client, _ = server.accept()
    now = datetime.datetime.now(datetime.timezone.utc)
    mjd = (now.date() - datetime.date(1858, 11, 17)).days
    line = f"\n{mjd:05d} {now:%y-%m-%d %H:%M:%S} 00 0 0  50.0 UTC(NIST) * \n"
    print("served:", line.strip(), flush=True)
    client.sendall(line.encode("ascii"))
    client.close()
PY
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$portfile"' EXIT
for _ in $(seq 50); do [ -s "$portfile" ] && break; sleep 0.1; done
build/tests/nettime_demo "$(cat "$portfile")" "$@"
