#!/usr/bin/env python3
"""Helm take round trip, one client: take -> switcher (the simulator, unpaced)
-> one-destination crosspoint map back to the client."""

from common import Server, Simulator, arguments, free_port, helm_client, helm_take_times, median, result, wait_on_line


def main():
    args = arguments(__doc__)
    takes = 20 if args.brief else 200
    sim = Simulator(args.build)
    port = free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "TCP/IP Port": port}, serial=sim.path)
    try:
        client = helm_client(port)
        wait_on_line(client)
        times = helm_take_times(client, takes)
        p50 = median(times)
        result("Helm take round trip, 1 client, p50", round(p50), "us", "<= 150 us", p50 / 150)
        result(f"Helm take round trip, 1 client, max of {takes}", round(max(times)), "us", "<= 5000 us",
               max(times) / 5000)
    finally:
        server.stop()
        sim.stop()


if __name__ == "__main__":
    main()
