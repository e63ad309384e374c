#!/usr/bin/env python3
"""A tiny time server on 127.0.0.1 for trying the clock check by hand: answers every
request with this machine's time (plus --offset seconds), with a refusal code, or with
one of the broken replies the check must not believe. Never listens beyond the
loopback address.

  scripts/sntp_responder.py [--port 5123] [--offset 0.0] [--kiss RATE]
                            [--broken zero-receive|zero-transmit|receive-early|empty-kiss]
Port 0 takes a free port; the first line printed names it. Then set
ClockCheckServer=127.0.0.1:PORT in a temporary Halvion.ini.

The receive stamp is the kernel's arrival time of the request where the system gives
one, so the server's own wake-up delay does not show in what the client measures."""
import argparse
import socket
import struct
import time

NTP_EPOCH = 2208988800
SO_TIMESTAMPING = 37
SOF_TIMESTAMPING_RX_SOFTWARE = 1 << 3
SOF_TIMESTAMPING_SOFTWARE = 1 << 4


def stamp(t):
    seconds = int(t)
    return ((seconds + NTP_EPOCH) & 0xFFFFFFFF) << 32 | int((t - seconds) * 2**32)


def arrival(ancillary):
    for level, kind, data in ancillary:
        if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPING and len(data) >= 16:
            seconds, nanos = struct.unpack("qq", data[:16])
            if seconds or nanos:
                return seconds + nanos / 1e9
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=5123)
    ap.add_argument("--offset", type=float, default=0.0)
    ap.add_argument("--kiss", default="")
    ap.add_argument("--broken", choices=["zero-receive", "zero-transmit", "receive-early", "empty-kiss"])
    args = ap.parse_args()
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", args.port))
    try:
        sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPING,
                        SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE)
    except OSError:
        pass
    print(f"answering on 127.0.0.1:{sock.getsockname()[1]}", flush=True)
    while True:
        data, ancillary, _, peer = sock.recvmsg(512, 256)
        received = (arrival(ancillary) or time.time()) + args.offset
        if len(data) < 48:
            continue
        origin = data[40:48]
        kiss = b"" if args.broken == "empty-kiss" else args.kiss.encode()
        refusing = args.broken == "empty-kiss" or bool(args.kiss)
        stratum, ref = (0, kiss[:4].ljust(4, b"\0")) if refusing else (1, b"GPS\0")
        leap = 3 if refusing else 0
        header = struct.pack("!BBbb", leap << 6 | 4 << 3 | 4, stratum, 4, -20)
        sent = time.time() + args.offset
        receive, transmit = stamp(received), stamp(sent)
        if args.broken == "zero-receive":
            receive = 0
        elif args.broken == "zero-transmit":
            transmit = 0
        elif args.broken == "receive-early":
            receive = stamp(received - 600)
        body = struct.pack("!II4sQ", 0, 0, ref, receive)
        packet = header + body + origin + struct.pack("!QQ", receive, transmit)
        sock.sendto(packet, peer)
        print(f"answered {peer}", flush=True)


if __name__ == "__main__":
    main()
