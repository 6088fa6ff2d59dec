// Name tables that claim far more sources and destinations than any switcher
// has, sent by a Helm client to the real binary in demo mode (where they are
// answered as a Vela's own): the server's memory, read from /proc, stays small.
#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const Bytes HelmLogin = Wire({0x81, 0x78, 0x78, 0xFF});

Bytes Pair(int Value) { return Wire({Value & 127, Value >> 7}); }

// FC, table, name length 10, count, first, then each name and its sort number.
Bytes NameTable(int Table, int First, int Count)
{
    Bytes f = Wire({0xFC, Table, 10}) + Pair(Count) + Pair(First);
    for (int i = 0; i < Count; ++i)
        f += "Name " + Digits(i % 100000, 5) + Pair((First + i) & NoneValue);
    return Framed(f);
}

long ResidentKilobytes(qint64 Pid)
{
    std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

}  // namespace

TEST(NameTableMemoryEndToEnd, NoNameTableGrowsTheServerPastAHundredMegabytes)
{
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\n");
    ServerProcess server(dir);
    TestClient pc;
    ASSERT_TRUE(pc.connectTo(port));
    pc.send(HelmLogin);
    const auto answersReady = [&] {
        pc.received.clear();
        pc.send(Wire({0xF5}));
        return pc.waitFor(Wire({0xF4}), 1000);
    };
    ASSERT_TRUE(SpinUntil(answersReady, 5000));
    const long before = ResidentKilobytes(server.pid());
    ASSERT_GT(before, 0);

    // The 21-byte frame: one source, then one destination, numbered 16382.
    const Bytes lone = NameTable(10, 16382, 1);
    ASSERT_EQ(lone.size(), 21u);
    pc.send(lone + NameTable(20, 16382, 1));
    // Whole tables of the largest count the wire can carry.
    pc.send(NameTable(10, 0, NoneValue));
    pc.send(NameTable(20, 0, NoneValue));
    EXPECT_TRUE(server.waitForOutput("16383 Destination Alpha Lables, Starting with 1", 20000));
    // Every table of that size goes out once: the inhibit and crosspoint maps
    // are built in full.
    pc.send(Framed(Wire({0xF2, 0x00, 0x21, 0, 0, 0, 0, 0x7F, 0x7F, 0, 0})));
    EXPECT_TRUE(SpinUntil(answersReady, 20000));

    const long after = ResidentKilobytes(server.pid());
    // Under the sanitizers freed memory is held back on purpose; there only
    // the growth is judged.
    if (!Sanitized) {
        EXPECT_LT(after, 100 * 1024);
    }
    EXPECT_LT(after - before, 50 * 1024);
    EXPECT_EQ(server.terminate(), 0);
}
