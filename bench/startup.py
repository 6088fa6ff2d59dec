#!/usr/bin/env python3
"""Start to on line: from starting the server to the end of the switcher's
start-up dump (the simulator paced at 57600 baud), against the dump's own
wire time measured from the same simulator in the same run."""
import os
import select
import time

from common import Server, Simulator, arguments, free_port, helm_client, result, wait_on_line

BAUD = 57600
EVERYTHING = bytes([0xF2, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0xFF])
END_OF_DUMP = bytes([0xF2, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0xFF])


def dump_bytes(build, size):
    """The length of the simulator's answer to a request for everything."""
    sim = Simulator(build, size)
    try:
        fd = os.open(sim.path, os.O_RDWR | os.O_NOCTTY)
        import tty
        tty.setraw(fd)
        os.write(fd, EVERYTHING)
        got = b""
        end = time.perf_counter() + 30
        while END_OF_DUMP not in got and time.perf_counter() < end:
            if select.select([fd], [], [], 0.5)[0]:
                got += os.read(fd, 65536)
        os.close(fd)
        return len(got)
    finally:
        sim.stop()


def main():
    args = arguments(__doc__)
    for size in ((16,) if args.brief else (512, 128)):
        wire_ms = dump_bytes(args.build, size) * 10 / BAUD * 1000
        sim = Simulator(args.build, size, BAUD)
        port = free_port()
        server = Server(args.build, {"Switcher Type": "Vela", "TCP/IP Port": port, "Baud Rate": BAUD},
                        serial=sim.path, watch=True)
        try:
            at = server.wait_for_line("Switcher COM1\tSwitcher Information Request", timeout=60)
            if at is None:
                raise SystemExit("the dump never ended")
            wait_on_line(helm_client(port), timeout=5)
            ratio = (at - server.started) * 1000 / wire_ms
            result(f"Start to on line / dump wire time, {size} sources, {BAUD} baud", round(ratio, 3), "x",
                   f"<= 1.03 (dump {wire_ms:.0f} ms on the wire)", ratio / 1.03)
        finally:
            server.stop()
            sim.stop()


if __name__ == "__main__":
    main()
