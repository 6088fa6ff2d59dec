#!/usr/bin/env python3
"""Last of 100 Helm clients to get the one-destination map after a take by
the first of them (the simulator, unpaced, as the switcher)."""
import select
import time

from common import Server, Simulator, arguments, drain, frames, free_port, helm_client, helm_take, median, \
    recv_stamped, result, stamp_arrivals, wait_on_line

MAP = 0xF6


def main():
    args = arguments(__doc__)
    count, takes = (20, 10) if args.brief else (100, 100)
    sim = Simulator(args.build)
    port = free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "TCP/IP Port": port}, serial=sim.path)
    try:
        clients = [helm_client(port) for _ in range(count)]
        wait_on_line(clients[0])
        for c in clients:
            drain(c, 0.01)
            c.setblocking(False)
            stamp_arrivals(c)
        poller = select.poll()
        by_fd = {c.fileno(): c for c in clients}
        for fd in by_fd:
            poller.register(fd, select.POLLIN)
        lasts = []
        for i in range(takes):
            waiting = {fd: b"" for fd in by_fd}
            last = 0.0
            start = time.time()
            clients[0].sendall(helm_take(i % 8, 4))
            while waiting:
                ready = poller.poll(5000)
                if not ready:
                    raise TimeoutError(f"{len(waiting)} clients never got the map")
                for fd, _ in ready:
                    data, arrived = recv_stamped(by_fd[fd])
                    if fd not in waiting:
                        continue
                    waiting[fd] += data
                    done, _ = frames(waiting[fd])
                    if any(f[0] == MAP for f in done):
                        del waiting[fd]
                        last = max(last, arrived)
            lasts.append((last - start) * 1e6)
        p50 = median(lasts)
        result(f"Last of {count} Helm clients to get the map, p50", round(p50), "us", "<= 1000 us", p50 / 1000)
    finally:
        server.stop()
        sim.stop()


if __name__ == "__main__":
    main()
