#!/usr/bin/env python3
"""Zolt console take: "OK" at once, then the tally line once the switcher
(the simulator, unpaced) has reported the take."""
import time

from common import Server, Simulator, arguments, connect, free_port, median, read_until, result

PROMPT = b"HVN READY>"


def main():
    args = arguments(__doc__)
    takes = 20 if args.brief else 200
    sim = Simulator(args.build)
    helm, zolt = free_port(), free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "TCP/IP Port": helm, "Console IP Port": zolt},
                    serial=sim.path)
    try:
        console = connect(zolt)
        read_until(console, lambda got: b"Login Sucessful\r\n" in got)
        # A CR is answered with the prompt once the switcher is on line.
        end = time.perf_counter() + 30
        while True:
            console.sendall(b"\r")
            try:
                read_until(console, lambda got: PROMPT in got, timeout=0.3)
                break
            except OSError:
                if time.perf_counter() > end:
                    raise
        time.sleep(0.1)
        read_until(console, lambda got: True, timeout=1)
        oks, tallies = [], []
        for i in range(takes):
            source = 1 + i % 8
            tally = b"T%03d:005\r\n" % source
            start = time.perf_counter()
            console.sendall(b"\x14%03d005" % source)
            got, ok_at = b"", None
            console.settimeout(5)
            while tally not in got:
                got += console.recv(65536)
                if ok_at is None and b"OK\r\n" in got:
                    ok_at = time.perf_counter()
            tally_at = time.perf_counter()
            oks.append(((ok_at or tally_at) - start) * 1e6)
            tallies.append((tally_at - start) * 1e6)
        ok, tally = median(oks), median(tallies)
        result('Zolt "OK" after a take, p50', round(ok), "us", "<= 200 us", ok / 200)
        result("Zolt tally after a take, p50", round(tally), "us", "<= 300 us", tally / 300)
    finally:
        server.stop()
        sim.stop()


if __name__ == "__main__":
    main()
