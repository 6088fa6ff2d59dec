#!/usr/bin/env python3
"""What must stay as it was: CPU of an idle server with 100 logged-in Helm
clients, and the resident size with 500."""
import time

from common import Server, arguments, free_port, helm_client, result


def main():
    args = arguments(__doc__)
    idle, many, seconds = (20, 50, 2) if args.brief else (100, 500, 10)
    port = free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "Demo Mode": "Yes", "TCP/IP Port": port})
    try:
        clients = [helm_client(port) for _ in range(idle)]
        time.sleep(1)
        cpu = server.cpu_seconds()
        time.sleep(seconds)
        percent = (server.cpu_seconds() - cpu) / seconds * 100
        result(f"Idle CPU with {idle} clients", round(percent, 2), "%", "< 0.5 %", percent / 0.5)
        clients += [helm_client(port) for _ in range(many - idle)]
        time.sleep(1)
        rss = server.rss_kb() / 1024
        result(f"RSS with {many} clients", round(rss, 1), "MB", "< 40 MB", rss / 40)
        for c in clients:
            c.close()
    finally:
        server.stop()


if __name__ == "__main__":
    main()
