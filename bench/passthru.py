#!/usr/bin/env python3
"""Pass-through round trip of 10-byte messages through the server, with an
echoing pseudo-terminal as the switcher, against a plain serial-to-TCP relay
(ser2net, chardelay off) on a second echoing pseudo-terminal in the same run:
round trips one at a time, then throughput with 64 messages in flight."""
import os
import select
import shutil
import subprocess
import tempfile
import time

from common import GREETING, Process, Server, arguments, connect, free_port, median, raw_pty, read_until, result

MESSAGE = b"0123456789"


def echo(master):
    """A child process that sends back whatever the line brings."""
    pid = os.fork()
    if pid == 0:
        try:
            while True:
                select.select([master], [], [])
                data = os.read(master, 65536)
                while data:
                    data = data[os.write(master, data):]
        finally:
            os._exit(0)
    return pid


def round_trip(s):
    start = time.perf_counter()
    s.sendall(MESSAGE)
    read_until(s, lambda got: len(got) >= len(MESSAGE))
    return (time.perf_counter() - start) * 1e6


def throughput(s, total, in_flight=64):
    """Messages a second with In_flight of them outstanding."""
    start = time.perf_counter()
    sent = min(in_flight, total)
    s.sendall(MESSAGE * sent)
    received = 0
    s.settimeout(10)
    while received < total * len(MESSAGE):
        got = len(s.recv(65536))
        if not got:
            raise ConnectionError("closed")
        before = received // len(MESSAGE)
        received += got
        more = min(received // len(MESSAGE) - before, total - sent)
        if more > 0:
            s.sendall(MESSAGE * more)
            sent += more
    return total / (time.perf_counter() - start)


class Ser2net(Process):
    def __init__(self, device, port):
        self.dir = tempfile.TemporaryDirectory(prefix="hvn-bench-ser2net-")
        config = os.path.join(self.dir.name, "ser2net.yaml")
        with open(config, "w") as f:
            f.write("%YAML 1.1\n---\n"
                    "connection: &bench\n"
                    f"  accepter: tcp,127.0.0.1,{port}\n"
                    f"  connector: serialdev,{device},57600n81,local\n"
                    "  options:\n"
                    "    chardelay: false\n")
        super().__init__(["ser2net", "-n", "-c", config, "-P", os.path.join(self.dir.name, "pid")],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        super().stop()
        self.dir.cleanup()


def main():
    args = arguments(__doc__)
    trips, total = (50, 500) if args.brief else (1000, 20000)
    if not shutil.which("ser2net"):
        raise SystemExit("ser2net is not installed (tools/bench.sh installs it)")
    ours_master, ours_path, _ = raw_pty()
    relay_master, relay_path, _ = raw_pty()
    echoes = [echo(ours_master), echo(relay_master)]
    port, relay_port = free_port(), free_port()
    server = Server(args.build, {"Switcher Type": "PassThru", "Pass Thru": "Yes", "TCP/IP Port": port},
                    serial=ours_path)
    relay = Ser2net(relay_path, relay_port)
    try:
        ours = connect(port)
        read_until(ours, lambda got: GREETING in got)
        theirs = connect(relay_port)
        for s in (ours, theirs):
            for _ in range(20):  # warm up
                round_trip(s)
        mine, base = [], []
        for _ in range(trips):  # interleaved, so both see the same load
            mine.append(round_trip(ours))
            base.append(round_trip(theirs))
        ratio = median(mine) / median(base)
        result("Pass-through round trip p50 / ser2net's", round(ratio, 2), "x",
               f"<= 1.00 (server {median(mine):.0f} us, ser2net {median(base):.0f} us)", ratio)
        rate, base_rate = throughput(ours, total), throughput(theirs, total)
        result("ser2net's throughput / pass-through's, 64 in flight", round(base_rate / rate, 2), "x",
               f"<= 1.00 (server {rate:.0f}/s, ser2net {base_rate:.0f}/s)", base_rate / rate)
    finally:
        server.stop()
        relay.stop()
        for pid in echoes:
            os.kill(pid, 9)
            os.waitpid(pid, 0)


if __name__ == "__main__":
    main()
