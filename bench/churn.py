#!/usr/bin/env python3
"""Rounds of 1000 connects and disconnects: the server's resident size after
the last round against after the first."""
import time

from burst import connect_all, greeted_within
from common import Server, arguments, free_port, result

SETTLE = 2.0  # seconds for the server to see every close and give memory back


def main():
    args = arguments(__doc__)
    rounds, count = (3, 200) if args.brief else (20, 1000)
    port = free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "Demo Mode": "Yes", "TCP/IP Port": port})
    try:
        time.sleep(0.5)
        sizes = []
        for _ in range(rounds):
            clients = connect_all(port, count)
            greeted_within(clients, 5.0)
            for s in clients:
                s.close()
            time.sleep(SETTLE)
            sizes.append(server.rss_kb())
        growth = (sizes[-1] - sizes[0]) / 1024
        result(f"RSS after {rounds} rounds of {count} connects - after the first", round(growth, 2), "MB",
               f"<= 2 MB ({sizes[0] / 1024:.1f} -> {sizes[-1] / 1024:.1f} MB)", max(growth, 0) / 2)
    finally:
        server.stop()


if __name__ == "__main__":
    main()
