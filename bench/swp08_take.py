#!/usr/bin/env python3
"""SW-P-08 connect round trip beside the Helm take one, each with its client
alone on the same server and switcher (the simulator, unpaced): a Helm take ->
the one-destination crosspoint map back to the Helm client, then a connect
(82) -> the switcher -> the connected message (84) back to the control system."""
import time

from common import FrameReader, Server, Simulator, arguments, connect, drain, free_port, helm_client, helm_take, \
    median, recv_stamped, result, stamp_arrivals, wait_on_line

DLE, STX, ETX, ACK = 0x10, 0x02, 0x03, 0x06
MAP = 0xF6


def swp08_frame(data):
    """DLE STX, data, byte count, checksum, DLE ETX; every DLE inside doubled."""
    body = bytes(data) + bytes([len(data)])
    body += bytes([-sum(body) & 0xFF])
    return bytes([DLE, STX]) + body.replace(b"\x10", b"\x10\x10") + bytes([DLE, ETX])


def swp08_connect(source, destination):
    """Extended connect on matrix 0, level 0; numbers 0-based."""
    return swp08_frame([0x82, 0, 0, destination >> 8, destination & 0xFF, source >> 8, source & 0xFF])


class Swp08Reader:
    """Undoubled frame data from one socket, each frame acknowledged as a
    control system does; arrived is when the bytes completing the last returned
    frame reached the kernel."""

    def __init__(self, s):
        self.s = s
        self.rest = b""
        self.arrived = 0.0
        stamp_arrivals(s)

    def frames(self):
        out = []
        while True:
            start = self.rest.find(bytes([DLE, STX]))
            if start < 0:
                return out
            body, i = b"", start + 2
            while i + 1 < len(self.rest):
                if self.rest[i] != DLE:
                    body += self.rest[i : i + 1]
                    i += 1
                    continue
                if self.rest[i + 1] == ETX:
                    break
                if self.rest[i + 1] == DLE:
                    body += bytes([DLE])
                i += 2
            else:
                return out
            out.append(body[:-2])
            self.rest = self.rest[i + 2 :]
            self.s.sendall(bytes([DLE, ACK]))

    def next(self, head, timeout=5):
        """Skips frames until one whose data starts with Head; returns it."""
        end = time.perf_counter() + timeout
        while True:
            for f in self.frames():
                if f.startswith(head):
                    return f
            left = end - time.perf_counter()
            if left <= 0:
                raise TimeoutError(f"no frame {head.hex()} within {timeout} s")
            self.s.settimeout(left)
            chunk, self.arrived = recv_stamped(self.s)
            if not chunk:
                raise ConnectionError("closed by the server")
            self.rest += chunk


def main():
    args = arguments(__doc__)
    takes = 20 if args.brief else 200
    sim = Simulator(args.build)
    helm, swp08 = free_port(), free_port()
    server = Server(args.build, {"Switcher Type": "Vela", "TCP/IP Port": helm, "SW-P-08 IP Port": swp08},
                    serial=sim.path)
    try:
        pc = helm_client(helm)
        wait_on_line(pc)
        drain(pc)
        helm_reader = FrameReader(pc)
        helm_times = []
        for i in range(takes):
            start = time.time()
            pc.sendall(helm_take(i % 8, 4))
            helm_reader.next(MAP)
            helm_times.append((helm_reader.arrived - start) * 1e6)
        pc.close()

        control = connect(swp08)
        reader = Swp08Reader(control)
        # Destination 5 changes twice, so that the second is reported whatever it held.
        for source in (1, 2):
            control.sendall(swp08_connect(source, 5))
        reader.next(bytes([0x84, 0, 0, 0, 5, 0, 2]))
        swp08_times = []
        for i in range(takes):
            start = time.time()
            control.sendall(swp08_connect(8 + i % 8, 5))
            reader.next(bytes([0x84, 0, 0, 0, 5, 0, 8 + i % 8]))
            swp08_times.append((reader.arrived - start) * 1e6)
        h, s = median(helm_times), median(swp08_times)
        result("Helm take round trip before SW-P-08, 1 client, p50", round(h), "us", "<= 150 us", h / 150)
        result("SW-P-08 connect round trip, 1 client, p50", round(s), "us", f"<= 1.2 x Helm take ({round(1.2 * h)} us)",
               s / (1.2 * h))
    finally:
        server.stop()
        sim.stop()


if __name__ == "__main__":
    main()
