#!/usr/bin/env python3
"""1000 clients connecting at once and waiting, silent, for the greeting."""
import select
import socket
import time

from common import GREETING, Server, arguments, free_port, result


def connect_all(port, count):
    clients = []
    for _ in range(count):
        s = socket.socket()
        s.setblocking(False)
        s.connect_ex(("127.0.0.1", port))
        clients.append(s)
    return clients


def greeted_within(clients, seconds):
    """How many have their greeting within Seconds of now."""
    poller = select.epoll()
    got = {}
    for s in clients:
        poller.register(s.fileno(), select.EPOLLIN)
        got[s.fileno()] = b""
    by_fd = {s.fileno(): s for s in clients}
    greeted = 0
    end = time.perf_counter() + seconds
    while greeted < len(clients) and time.perf_counter() < end:
        for fd, _ in poller.poll(max(0.0, end - time.perf_counter())):
            try:
                got[fd] += by_fd[fd].recv(4096)
            except OSError:
                pass
            if GREETING in got[fd]:
                greeted += 1
                poller.unregister(fd)
    poller.close()
    return greeted


def main():
    args = arguments(__doc__)
    count = 200 if args.brief else 1000
    port = free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "Demo Mode": "Yes", "TCP/IP Port": port})
    try:
        time.sleep(0.5)
        clients = connect_all(port, count)
        greeted = greeted_within(clients, 1.0)
        for s in clients:
            s.close()
        result(f"{count} silent clients at once: greeted within 1 s", greeted, "clients", f"= {count}",
               count / max(greeted, 1))
    finally:
        server.stop()


if __name__ == "__main__":
    main()
