#!/usr/bin/env python3
"""A tiny time server on 127.0.0.1 for trying the clock check by hand: answers every
request with this machine's time (plus --offset seconds), or with a refusal code.
Never listens beyond the loopback address.

  scripts/sntp_responder.py --port 5123 [--offset 0.0] [--kiss RATE]
Then set ClockCheckServer=127.0.0.1:5123 in a temporary Halvion.ini."""
import argparse
import socket
import struct
import time

NTP_EPOCH = 2208988800


def stamp(t):
    seconds = int(t)
    return ((seconds + NTP_EPOCH) & 0xFFFFFFFF) << 32 | int((t - seconds) * 2**32)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=5123)
    ap.add_argument("--offset", type=float, default=0.0)
    ap.add_argument("--kiss", default="")
    args = ap.parse_args()
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", args.port))
    print(f"answering on 127.0.0.1:{args.port}", flush=True)
    while True:
        data, peer = sock.recvfrom(512)
        received = time.time() + args.offset
        if len(data) < 48:
            continue
        origin = data[40:48]
        stratum, ref = (0, args.kiss.encode()[:4].ljust(4, b"\0")) if args.kiss else (1, b"GPS\0")
        leap = 3 if args.kiss else 0
        header = struct.pack("!BBbb", leap << 6 | 4 << 3 | 4, stratum, 4, -20)
        body = struct.pack("!II4sQ", 0, 0, ref, stamp(received))
        sent = time.time() + args.offset
        packet = header + body + origin + struct.pack("!QQ", stamp(received), stamp(sent))
        sock.sendto(packet, peer)
        print(f"answered {peer}", flush=True)


if __name__ == "__main__":
    main()
