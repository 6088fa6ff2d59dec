#!/usr/bin/env python3
"""SW-P-08 connect round trip beside the Helm take one, each with its client
alone on the same server and switcher (the simulator, unpaced): a Helm take ->
the one-destination crosspoint map back to the Helm client, then a connect
(82) -> the switcher -> the connected message (84) back to the control system."""
import time

from common import FrameReader, Server, Simulator, arguments, connect, free_port, helm_client, helm_take_times, \
    median, result, wait_on_line

DLE, STX, ETX, ACK = 0x10, 0x02, 0x03, 0x06


def swp08_frame(data):
    """DLE STX, data, byte count, checksum, DLE ETX; every DLE inside doubled."""
    body = bytes(data) + bytes([len(data)])
    body += bytes([-sum(body) & 0xFF])
    return bytes([DLE, STX]) + body.replace(b"\x10", b"\x10\x10") + bytes([DLE, ETX])


def swp08_connect(source, destination):
    """Extended connect on matrix 0, level 0; numbers 0-based."""
    return swp08_frame([0x82, 0, 0, destination >> 8, destination & 0xFF, source >> 8, source & 0xFF])


def swp08_frames(data):
    """The data of the whole frames in Data (DLEs undoubled, without byte count
    and checksum), and the rest; acknowledgements between them are dropped."""
    out = []
    while True:
        start = data.find(bytes([DLE, STX]))
        if start < 0:
            return out, data
        body, i = b"", start + 2
        while i + 1 < len(data):
            if data[i] != DLE:
                body += data[i : i + 1]
                i += 1
                continue
            if data[i + 1] == ETX:
                break
            if data[i + 1] == DLE:
                body += bytes([DLE])
            i += 2
        else:
            return out, data[start:]
        out.append(body[:-2])
        data = data[i + 2 :]


def acknowledging(s):
    """Cuts frames as swp08_frames does and acknowledges each, as a control system does."""

    def split(data):
        out, rest = swp08_frames(data)
        for _ in out:
            s.sendall(bytes([DLE, ACK]))
        return out, rest

    return split


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
        helm_times = helm_take_times(pc, takes)
        pc.close()

        control = connect(swp08)
        reader = FrameReader(control, acknowledging(control))
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
