"""What the benchmark scripts share: the server and the switcher simulator as
processes, plain TCP clients, Helm frames, and the result lines tools/bench.sh
collects. Standard library only."""
import argparse
import json
import os
import pty
import select
import signal
import socket
import statistics
import struct
import subprocess
import tempfile
import time
import tty

HELM_LOGIN = bytes([0x81, 0x78, 0x78, 0xFF])
GREETING = bytes([0x81, 0x64, 0x64, 0xFF])
KEEP_ALIVE = bytes([0xF5])
KEEP_ALIVE_ANSWER = bytes([0xF4])


def arguments(description):
    p = argparse.ArgumentParser(description=description)
    p.add_argument("--build", default="build-release", help="build folder with hvnserver and hvn-switcher-sim")
    p.add_argument("--brief", action="store_true", help="a short run that only checks the script still works")
    return p.parse_args()


def result(figure, value, unit, goal, ratio):
    """One figure of this round: its value, its goal as text, and value
    against goal (1.00 or less meets it)."""
    print("RESULT " + json.dumps({"figure": figure, "value": value, "unit": unit, "goal": goal, "ratio": ratio}),
          flush=True)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def median(values):
    return statistics.median(values)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def checksum7(frame):
    return sum(frame[1:]) & 0x7F


def framed(body):
    body = bytes(body)
    return body + bytes([checksum7(body), 0xFF])


def pair(value):
    return bytes([value & 0x7F, (value >> 7) & 0x7F])


def helm_take(source, destination):
    """A Helm take frame; numbers 0-based."""
    return framed(b"\xFE" + pair(4) + pair(source) + pair(destination))


def raw_pty():
    """A pseudo-terminal in raw mode: (master fd, slave path). The slave stays
    open here too so the master never reads a hang-up."""
    master, slave = pty.openpty()
    tty.setraw(slave)
    os.set_inheritable(slave, False)
    return master, os.ttyname(slave), slave


class Process:
    def __init__(self, argv, **kwargs):
        self.p = subprocess.Popen(argv, **kwargs)

    def stop(self):
        if self.p.poll() is None:
            self.p.send_signal(signal.SIGTERM)
            try:
                self.p.wait(5)
            except subprocess.TimeoutExpired:
                self.p.kill()
                self.p.wait()

    def rss_kb(self):
        with open(f"/proc/{self.p.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def cpu_seconds(self):
        with open(f"/proc/{self.p.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Simulator(Process):
    """hvn-switcher-sim on a pseudo-terminal of its own."""

    def __init__(self, build, size=32, baud=0):
        argv = [os.path.join(build, "hvn-switcher-sim"), "--size", str(size)]
        if baud:
            argv += ["--baud", str(baud)]
        super().__init__(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.path = self.p.stdout.readline().strip()


class Server(Process):
    """hvnserver headless in a folder of its own. With watch=True its history
    lines can be waited for; otherwise they are thrown away."""

    def __init__(self, build, ini, serial=None, watch=False):
        self.dir = tempfile.TemporaryDirectory(prefix="hvn-bench-")
        with open(os.path.join(self.dir.name, "tcpserve.ini"), "w", newline="") as f:
            f.write("[CONFIGURATION]\r\n" + "".join(f"{k}={v}\r\n" for k, v in ini.items()))
        argv = [os.path.join(build, "hvnserver"), "--headless", "--app-dir", self.dir.name]
        if serial:
            argv += ["--serial-device", serial]
        self.started = time.perf_counter()
        super().__init__(argv, stdout=subprocess.PIPE if watch else subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.out = b""

    def wait_for_line(self, text, timeout=30):
        """Returns the time the history line holding Text was read, or None."""
        end = time.perf_counter() + timeout
        fd = self.p.stdout.fileno()
        while time.perf_counter() < end:
            if text.encode() in self.out:
                return time.perf_counter()
            if select.select([fd], [], [], 0.05)[0]:
                chunk = os.read(fd, 65536)
                if not chunk:
                    return None
                self.out += chunk
        return None

    def stop(self):
        super().stop()
        self.dir.cleanup()


def connect(port, timeout=10):
    end = time.perf_counter() + timeout
    while True:
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=2)
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            return s
        except OSError:
            if time.perf_counter() > end:
                raise
            time.sleep(0.05)


def read_until(s, done, timeout=5):
    """Reads from S until done(bytes so far) is true; returns them."""
    got = b""
    s.settimeout(timeout)
    while not done(got):
        chunk = s.recv(65536)
        if not chunk:
            raise ConnectionError("closed by the server")
        got += chunk
    return got


# Single command bytes without a frame around them.
LONE_BYTES = (0xF1, 0xF4, 0xF5)


def frames(data):
    """Whole frames (ending FF) in Data, and the rest; lone keep-alive bytes
    between them are dropped."""
    out = []
    while True:
        while data and data[0] in LONE_BYTES:
            data = data[1:]
        end = data.find(b"\xFF")
        if end < 0:
            return out, data
        out.append(data[: end + 1])
        data = data[end + 1 :]


def helm_client(port):
    """A logged-in Helm client, its greeting read."""
    s = connect(port)
    read_until(s, lambda got: GREETING in got)
    s.sendall(HELM_LOGIN)
    return s


def wait_on_line(s, timeout=30):
    """The keep-alive is answered F4 once the switcher is on line."""
    end = time.perf_counter() + timeout
    while time.perf_counter() < end:
        s.sendall(KEEP_ALIVE)
        s.settimeout(0.25)
        try:
            got = b""
            while KEEP_ALIVE_ANSWER not in got:
                got += s.recv(65536)
            return True
        except socket.timeout:
            continue
    raise TimeoutError("the switcher never came on line")


# Linux: the kernel's arrival time of received data, as a struct timespec.
SO_TIMESTAMPNS = 35


def stamp_arrivals(s):
    """Receives on S carry the time the data reached the kernel, so a busy
    machine that is slow to run this script does not lengthen the figures."""
    s.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)


def recv_stamped(s):
    """Data and the wall-clock time it arrived (time.time() scale)."""
    data, ancillary, _, _ = s.recvmsg(65536, socket.CMSG_SPACE(16))
    for level, kind, payload in ancillary:
        if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS:
            seconds, nanoseconds = struct.unpack("qq", payload[:16])
            return data, seconds + nanoseconds / 1e9
    return data, time.time()


def drain(s, quiet=0.05):
    """Reads and drops what arrives until the line has been quiet a while."""
    s.settimeout(quiet)
    try:
        while s.recv(65536):
            pass
    except socket.timeout:
        pass


class FrameReader:
    """Helm frames from one socket, in order; arrived is when the bytes that
    completed the last frame returned reached the kernel. Split cuts another
    protocol's frames: it returns the whole ones and the rest."""

    def __init__(self, s, split=frames):
        self.s = s
        self.split = split
        self.rest = b""
        self.arrived = 0.0
        stamp_arrivals(s)

    def next(self, command, timeout=5):
        """Skips frames until one with this command byte (or that starts with
        these bytes); returns it."""
        end = time.perf_counter() + timeout
        while True:
            done, self.rest = self.split(self.rest)
            for i, f in enumerate(done):
                if f.startswith(command) if isinstance(command, bytes) else f[0] == command:
                    self.rest = b"".join(done[i + 1 :]) + self.rest
                    return f
            left = end - time.perf_counter()
            if left <= 0:
                raise TimeoutError(f"no frame {command:02X} within {timeout} s")
            self.s.settimeout(left)
            chunk, self.arrived = recv_stamped(self.s)
            if not chunk:
                raise ConnectionError("closed by the server")
            self.rest += chunk


MAP = 0xF6


def helm_take_times(client, takes):
    """Round trips in microseconds of Takes Helm takes from a logged-in client
    whose switcher is on line: take -> switcher -> one-destination map back."""
    drain(client)
    reader = FrameReader(client)
    times = []
    for i in range(takes):
        start = time.time()
        client.sendall(helm_take(i % 8, 4))
        reader.next(MAP)
        times.append((reader.arrived - start) * 1e6)
    return times
