// Who may connect, how many, on which address, and a server out of
// descriptors: the real binary, clients on chosen loopback addresses.
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

const Bytes Greeting = Wire({0x81, 0x64, 0x64, 0xFF});

// A plain client from a chosen local address, so that the test decides who it is.
class Raw {
public:
    Raw(const std::string& from, const std::string& to, const std::string& port)
    {
        sockaddr_storage local{}, remote{};
        const socklen_t size = Address(from, 0, local), length = Address(to, std::stoi(port), remote);
        fd_ = ::socket(remote.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        connected = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), size) == 0 &&
                    ::connect(fd_, reinterpret_cast<sockaddr*>(&remote), length) == 0;
        error = connected ? 0 : errno;
    }
    ~Raw() { ::close(fd_); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    // What arrives within Ms, and whether the server closed the connection meanwhile.
    Bytes receive(size_t count, int ms, bool& closed)
    {
        Bytes got;
        closed = false;
        pollfd p{fd_, POLLIN, 0};
        while (got.size() < count && ::poll(&p, 1, ms) == 1) {
            char buf[256];
            const ssize_t n = ::recv(fd_, buf, std::min(sizeof buf, count - got.size()), 0);
            if (n <= 0) {
                closed = true;
                break;
            }
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    bool greeted()
    {
        bool closed = false;
        return receive(Greeting.size(), 5000, closed) == Greeting;
    }
    // Closed by the server before it sent a single byte.
    bool refused()
    {
        bool closed = false;
        return receive(1, 5000, closed).empty() && closed;
    }

    bool connected = false;
    int error = 0;

private:
    static socklen_t Address(const std::string& text, int port, sockaddr_storage& out)
    {
        const bool v6 = text.find(':') != std::string::npos;
        auto* in4 = reinterpret_cast<sockaddr_in*>(&out);
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
        out.ss_family = v6 ? AF_INET6 : AF_INET;
        in4->sin_port = htons(static_cast<uint16_t>(port));  // where sin6_port is too
        inet_pton(out.ss_family, text.c_str(), v6 ? static_cast<void*>(&in6->sin6_addr) : &in4->sin_addr);
        return v6 ? sizeof *in6 : sizeof *in4;
    }

    int fd_ = -1;
};

// Whether some socket of this machine listens on Port.
bool Listening(const std::string& port)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, ":%04X", static_cast<unsigned>(std::stoi(port)));
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, hex) == 0)
                return true;
        }
    }
    return false;
}

// A client once the server listens (it may still be starting).
std::unique_ptr<Raw> Connect(const std::string& from, const std::string& to, const std::string& port)
{
    SpinUntil([&] { return Listening(port); }, 5000);
    return std::make_unique<Raw>(from, to, port);
}

// Processor time the process has used, in seconds.
double CpuSeconds(qint64 pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stol(field);
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

TEST(ClientAccessEndToEnd, StrangersAndClientsPastTheLimitAreClosedBeforeAnyGreeting)
{
    TempDir dir;
    const std::string helm = FreePort(), zolt = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + helm + "\r\nConsole IP Port=" + zolt +
                                  "\r\nAllowed Clients=10.1.0.0/16, 127.0.0.1\r\nMax Clients=3\r\n");
    ServerProcess server(dir);
    std::vector<std::unique_ptr<Raw>> clients;
    clients.push_back(Connect("127.0.0.1", "127.0.0.1", helm));
    EXPECT_TRUE(clients.back()->greeted());

    Raw stranger("127.0.0.2", "127.0.0.1", helm);
    EXPECT_TRUE(stranger.refused());
    EXPECT_TRUE(server.waitForOutput("127.0.0.2\tClient Refused - Not Allowed"));

    for (int i = 0; i < 2; ++i) {
        clients.push_back(std::make_unique<Raw>("127.0.0.1", "127.0.0.1", helm));
        EXPECT_TRUE(clients.back()->greeted()) << i;
    }
    Raw fourth("127.0.0.1", "127.0.0.1", helm);
    EXPECT_TRUE(fourth.refused());
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tClient Refused - Too Many Connections"));
    // The limit is each port's own.
    auto console = Connect("127.0.0.1", "127.0.0.1", zolt);
    bool closed = false;
    EXPECT_EQ(console->receive(17, 5000, closed), "Login Sucessful\r\n");

    clients.erase(clients.begin());
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tClient Disconnect"));
    Raw next("127.0.0.1", "127.0.0.1", helm);
    EXPECT_TRUE(next.greeted());

    EXPECT_EQ(server.terminate(), 0);
    EXPECT_NE(dir.read("Eventlog.txt").find("Client Refused - Not Allowed"), std::string::npos);
    EXPECT_NE(dir.read("tcpserve.ini").find("\r\nAllowed Clients=10.1.0.0/16, 127.0.0.1\r\nMax Clients=3\r\n"),
              std::string::npos);
}

TEST(ClientAccessEndToEnd, OnlyTheListenAddressTakesConnections)
{
    TempDir dir;
    const std::string port = FreePort();
    const std::string ini = "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\n";
    dir.write("tcpserve.ini", ini + "Listen Address=127.0.0.2\r\n");
    {
        ServerProcess server(dir, {"--listen-address", "127.0.0.1"});
        EXPECT_TRUE(Connect("127.0.0.1", "127.0.0.1", port)->greeted());
        Raw elsewhere("127.0.0.1", "127.0.0.2", port);
        EXPECT_EQ(elsewhere.error, ECONNREFUSED);
        EXPECT_EQ(server.terminate(), 0);
        EXPECT_NE(dir.read("tcpserve.ini").find("\r\nListen Address=127.0.0.2\r\n"), std::string::npos);
    }
    {
        // Both families on "::"; an IPv4 client matches the IPv4 entry.
        dir.write("tcpserve.ini", ini + "Listen Address=::\r\nAllowed Clients=127.0.0.1\r\n");
        ServerProcess server(dir);
        EXPECT_TRUE(Connect("127.0.0.1", "127.0.0.1", port)->greeted());
        Raw v6("::1", "::1", port);
        EXPECT_TRUE(v6.refused());
        EXPECT_TRUE(server.waitForOutput("::1\tClient Refused - Not Allowed"));
    }
    ServerProcess server(dir, {"--listen-address", "192.0.2.1"});
    EXPECT_TRUE(server.waitForError("IP Error: Error opening IP Port.  Port " + port + " on 192.0.2.1"));
}

TEST(ClientAccessEndToEnd, OutOfDescriptorsTheExcessIsRefusedAtOnceAndServiceResumes)
{
#ifdef HVN_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizers' own checks need descriptors, and fail when there are none";
#endif
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\n");
    ServerProcess server(dir, {}, 64);
    std::vector<std::unique_ptr<Raw>> served;
    served.push_back(Connect("127.0.0.1", "127.0.0.1", port));
    ASSERT_TRUE(served.back()->greeted());

    // A flood: every client hears at once, greeted or closed; none is left waiting.
    std::vector<std::unique_ptr<Raw>> flood;
    for (int i = 0; i < 150; ++i)
        flood.push_back(std::make_unique<Raw>("127.0.0.1", "127.0.0.1", port));
    int refused = 0;
    for (auto& client : flood) {
        bool closed = false;
        const Bytes got = client->receive(Greeting.size(), 5000, closed);
        ASSERT_TRUE(got == Greeting || (got.empty() && closed)) << served.size() << " served, " << refused;
        if (got == Greeting)
            served.push_back(std::move(client));
        else
            ++refused;
    }
    EXPECT_GT(served.size(), 20u);
    EXPECT_GT(refused, 0);
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tClient Refused - Too Many Connections"));

    // Still full: newcomers are refused at once, and the server idles meanwhile.
    const double before = CpuSeconds(server.pid());
    for (int i = 0; i < 10; ++i) {
        Raw late("127.0.0.1", "127.0.0.1", port);
        EXPECT_TRUE(late.refused()) << i;
        SpinFor(200);
    }
    EXPECT_LT(CpuSeconds(server.pid()) - before, 0.4);

    const int leaving = static_cast<int>(served.size());
    served.clear();
    EXPECT_TRUE(server.waitForOutput("127.0.0.1\tClient Disconnect", 10000, leaving));
    EXPECT_TRUE(Connect("127.0.0.1", "127.0.0.1", port)->greeted());
}
