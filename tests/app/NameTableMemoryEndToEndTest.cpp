// Name tables that claim far more sources and destinations than any switcher
// has, sent by a Helm client to the real binary in demo mode (where they are
// answered as a Vela's own): the server's memory, read from /proc, stays small.
#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

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
    ASSERT_TRUE(SpinUntil([&] { return AnswersReady(pc); }, 5000));
    const long before = ResidentKb(server.pid());
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
    EXPECT_TRUE(SpinUntil([&] { return AnswersReady(pc); }, 20000));

    // (Under AddressSanitizer freed memory is held back on purpose: there the
    // walk through the tables is what is checked.)
#ifndef HVN_ADDRESS_SANITIZER
    const long after = ResidentKb(server.pid());
    EXPECT_LT(after, 100 * 1024);
    EXPECT_LT(after - before, 50 * 1024);
#endif
    EXPECT_EQ(server.terminate(), 0);
}
