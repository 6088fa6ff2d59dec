// hvn-switcher-sim: plays a Vela, Orion or Draco switcher on a serial device
// or on a pseudo-terminal of its own, for trying the server without hardware.
#include "DracoSimulator.h"
#include "LinePacer.h"
#include "OrionSimulator.h"
#include "VelaSimulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* Usage =
    "usage: hvn-switcher-sim [--type vela|orion|draco] [--device PATH] [--size N]\n"
    "                        [--source-prefix TEXT] [--destination-prefix TEXT]\n"
    "                        [--baud N] [--trace]\n"
    "  --type vela|orion|draco    the switcher family played (default vela; an\n"
    "                             Orion is always 256 x 256, a Draco 32 x 32)\n"
    "  --device PATH              serial device to answer on (default: a new\n"
    "                             pseudo-terminal; its path is the first line of output)\n"
    "  --size N                   Vela sources and destinations, 1 to 512 (default 32)\n"
    "  --source-prefix TEXT       source names are TEXT and a 3-digit number,\n"
    "                             8 characters in all (default \"Src \")\n"
    "  --destination-prefix TEXT  the same for destinations (default \"Dst \")\n"
    "  --baud N                   send no faster than N baud, 10 bits per byte\n"
    "                             (sets the device's speed too)\n"
    "  --trace                    write received and sent bytes in hex to stderr\n";

// Answers the line does not take are dropped beyond this, as a switcher's
// full transmit buffer would.
constexpr size_t MaxQueued = 4u << 20;
// With pacing, bytes go out in slices of this much wire time.
constexpr double SliceMs = 10.0;

struct Options {
    std::string type = "vela";
    std::string device;
    SimulatorOptions sim;
    long baud = 0;
    bool trace = false;
};

bool ParseNumber(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

std::optional<speed_t> LineSpeed(long baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return std::nullopt;
    }
}

// Parses the arguments; returns an exit status when the program should stop now.
std::optional<int> ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--trace") {
            o.trace = true;
            continue;
        }
        if (i + 1 >= argc)
            return 2;
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--type" &&
            (std::string(value) == "vela" || std::string(value) == "orion" || std::string(value) == "draco"))
            o.type = value;
        else if (arg == "--device" && *value)
            o.device = value;
        else if (arg == "--size" && ParseNumber(value, 1, VelaSimulator::MaxSize, number))
            o.sim.Size = static_cast<int>(number);
        else if (arg == "--source-prefix")
            o.sim.SourcePrefix = value;
        else if (arg == "--destination-prefix")
            o.sim.DestinationPrefix = value;
        else if (arg == "--baud" && ParseNumber(value, 1, 4000000, number))
            o.baud = number;
        else
            return 2;
    }
    if (!o.device.empty() && o.baud > 0 && !LineSpeed(o.baud))
        return 2;  // a real line only runs at the standard rates
    return std::nullopt;
}

bool MakeRaw(int fd, long baud)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;  // a switcher drives no modem lines
    if (const auto speed = LineSpeed(baud)) {
        cfsetispeed(&t, *speed);
        cfsetospeed(&t, *speed);
    }
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// Opens the line; for a pseudo-terminal the slave stays open here too, so
// that the master never reports a hang-up while no server has it open.
int OpenLine(const Options& o, std::string& path, int& slave)
{
    if (!o.device.empty()) {
        path = o.device;
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && isatty(fd) && !MakeRaw(fd, o.baud)) {
            close(fd);
            return -1;
        }
        return fd;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master))
        return -1;
    path = ptsname(master);
    slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0 || !MakeRaw(slave, 0) || fcntl(master, F_SETFL, O_NONBLOCK) != 0)
        return -1;
    return master;
}

volatile std::sig_atomic_t StopRequested = 0;
void OnStopSignal(int) { StopRequested = 1; }

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void Trace(const Options& o, const char* direction, const Bytes& bytes)
{
    if (o.trace && !bytes.empty())
        std::fprintf(stderr, "%s %s\n", direction, HexBytes(bytes).c_str());
}

// The switcher of the chosen family: what arrived on the line in, its answer out.
std::function<Bytes(const Bytes&)> MakeSwitcher(const Options& o)
{
    if (o.type == "orion") {
        auto orion = std::make_shared<OrionSimulator>(o.sim);
        return [orion](const Bytes& chunk) { return orion->Receive(chunk); };
    }
    if (o.type == "draco") {
        auto draco = std::make_shared<DracoSimulator>(o.sim.SourcePrefix, o.sim.DestinationPrefix);
        return [draco](const Bytes& chunk) { return draco->Receive(chunk); };
    }
    auto vela = std::make_shared<VelaSimulator>(o.sim);
    return [vela](const Bytes& chunk) { return vela->Receive(chunk); };
}

int Run(const Options& o)
{
    // The stop signals are only let through while waiting, so none is missed.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::string path;
    int slave = -1;
    const int fd = OpenLine(o, path, slave);
    if (fd < 0) {
        std::fprintf(stderr, "hvn-switcher-sim: cannot open %s: %s\n",
                     o.device.empty() ? "a pseudo-terminal" : o.device.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    const std::function<Bytes(const Bytes&)> answerTo = MakeSwitcher(o);
    Bytes queued;
    LinePacer pacer(static_cast<double>(o.baud) / 10.0 / 1000.0, SliceMs);
    bool lineFull = false;
    while (!StopRequested) {
        const double now = NowMs();
        if (!queued.empty() && !lineFull && now >= pacer.dueAtMs()) {
            const ssize_t n = write(fd, queued.data(), pacer.allowance(now, queued.size()));
            if (n > 0) {
                queued.erase(0, static_cast<size_t>(n));
                pacer.sent(static_cast<size_t>(n));
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                lineFull = true;
            } else if (errno != EINTR) {
                std::fprintf(stderr, "hvn-switcher-sim: write: %s\n", std::strerror(errno));
                return 1;
            }
        }

        pollfd p{fd, POLLIN, 0};
        timespec wait{};
        timespec* timeout = nullptr;
        if (lineFull) {
            p.events |= POLLOUT;
        } else if (!queued.empty()) {
            const double ms = std::max(0.0, pacer.dueAtMs() - NowMs());
            wait.tv_sec = static_cast<time_t>(ms / 1000);
            wait.tv_nsec = static_cast<long>((ms - static_cast<double>(wait.tv_sec) * 1000) * 1e6);
            timeout = &wait;
        }
        const int ready = ppoll(&p, 1, timeout, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "hvn-switcher-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (p.revents & POLLOUT)
            lineFull = false;
        if (p.revents & POLLIN) {
            char buf[4096];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0) {
                const Bytes chunk(buf, static_cast<size_t>(n));
                Trace(o, "rx", chunk);
                const Bytes answer = answerTo(chunk);
                Trace(o, "tx", answer);
                if (queued.empty() && !answer.empty())
                    pacer.start(NowMs());
                if (queued.size() + answer.size() <= MaxQueued)
                    queued += answer;
            }
        } else if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            std::fprintf(stderr, "hvn-switcher-sim: the line to %s is gone\n", path.c_str());
            return 1;
        }
    }
    if (slave >= 0)
        close(slave);
    close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (const auto status = ParseOptions(argc, argv, o)) {
        if (*status == 2)
            std::fputs(Usage, stderr);
        return *status;
    }
    return Run(o);
}
