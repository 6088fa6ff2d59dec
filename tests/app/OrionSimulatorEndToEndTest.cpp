// The real server against a simulated Orion: the simulator binary, tracing
// what it hears, or the simulator library played by the test for what the
// simulator never sends.
#include "OrionSimulator.h"

#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"
#include "switcher/vela/ToVela.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const Bytes AskEverything = Wire({0xDF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF});
const Bytes Poll = Wire({0xF5});
// Input 3 to output 18 (0-based), from a Helm client and as the Orion reports it.
const Bytes HelmTake = Framed(Wire({0xFE, 0x04, 0x00, 0x03, 0x00, 0x12, 0x00}));
const Bytes OrionTake = Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF});

struct OrionServer : SwitcherServer {
    explicit OrionServer(const std::string& line) : SwitcherServer("Orion", line) {}
    // A console with tallies and name notices on.
    std::unique_ptr<TestClient> console()
    {
        std::unique_ptr<TestClient> c = SwitcherServer::console();
        c->send(Bytes(1, '\x06') + "150");
        EXPECT_TRUE(c->waitFor("OK\r\n"));
        c->received.clear();
        return c;
    }
};

}  // namespace

TEST(OrionSimulatorEndToEnd, TakesRelaysAndANewNameTravelBothWays)
{
    SimProcess sim({"--type", "orion", "--trace"});
    ASSERT_FALSE(sim.path().empty());
    OrionServer server(sim.path());
    auto pc = server.helmPc();
    auto other = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    EXPECT_TRUE(sim.traced("rx F5"));
    for (const char* line :
         {"256 Crosspoint Maps", "256 Source Alpha Labels", "256 Destination Alpha Labels", "256 Source Links",
          "256 Inhibits Maps", "Button Templates", "2 Salvo Alphas", "3 Salvo Events", "Version Info", "QRT Activity",
          "Active Devices", "Relay Tally", "Opto State"})
        EXPECT_TRUE(server.process->waitForOutput(std::string("Switcher COM1\t") + line)) << line;
    EXPECT_FALSE(server.dir.exists("Errorlog.txt")) << server.dir.read("Errorlog.txt");
    auto console = server.console();

    other->received.clear();
    pc->send(HelmTake);
    EXPECT_TRUE(sim.traced("FE 01 12 03 00 03 FF"));
    EXPECT_TRUE(pc->waitFor(HelmTake));
    EXPECT_TRUE(other->waitFor(HelmTake));
    EXPECT_TRUE(console->waitFor("T004:019\r\n"));
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\tTake - In:004-->Out:019"));
    EXPECT_EQ(server.dir.read("xptmap.ndf").at(19), 3);
    EXPECT_EQ(server.dir.read("lxptmap.ndf").substr(4 * 18 + 5, 2), Wire({3, 0}));

    // Latch relay 6: the relay, and the opto wired to it, are tallied.
    pc->send(Framed(Wire({0xFE, 0x44, 0x00, 0x00, 0x00, 0x05, 0x00})));
    EXPECT_TRUE(sim.traced("FE 30 10 05 00 05 FF"));
    EXPECT_TRUE(pc->waitFor(Framed(Wire({0xF7, 40, 1, 0, 5, 0, 1}))));
    EXPECT_TRUE(pc->waitFor(Framed(Wire({0xF7, 30, 1, 0, 5, 0, 1}))));

    // Source 6 renamed at its place in the name order: asked back, then announced.
    pc->send(Framed(Wire({0xFC, 10, 8, 1, 0, 5, 0}) + "Studio 6" + Wire({5, 0})));
    EXPECT_TRUE(sim.traced("DF 00 00 02 00 00 00 00 00 02 FF"));
    EXPECT_TRUE(console->waitFor("\aIAC"));
    pc->received.clear();
    pc->send(BuildInfoRequestVela(256, NoneValue, 0));
    const Bytes& names = pc->readUntil([](const Bytes& got) { return got.find("Studio 6") != Bytes::npos; });
    EXPECT_NE(names.find("Studio 6" + Wire({5, 0})), Bytes::npos);
    EXPECT_NE(names.find("Src 005 " + Wire({4, 0})), Bytes::npos);
    EXPECT_NE(names.find("Src 007 " + Wire({6, 0})), Bytes::npos);
    EXPECT_EQ(names.find("Src 006 "), Bytes::npos);
}

TEST(OrionSimulatorEndToEnd, ASilentSwitcherIsAskedOnceASecondAndNoiseNeverStopsTheServer)
{
    PlayedSwitcher<OrionSimulator> orion{OrionSimulator()};
    orion.answer(false);
    OrionServer server(orion.path());
    ASSERT_TRUE(orion.heard(AskEverything, 5000));
    const size_t early = orion.timesHeard(AskEverything);
    SpinUntil([] { return false; }, 2200);
    EXPECT_GE(orion.timesHeard(AskEverything), early + 1);
    EXPECT_LE(orion.timesHeard(AskEverything), early + 3);

    orion.answer(true);
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    const size_t polls = orion.timesHeard(Poll);
    SpinUntil([] { return false; }, 2200);
    EXPECT_GE(orion.timesHeard(Poll), polls + 2);

    // A take with a wrong check byte is still applied and reported.
    pc->received.clear();
    orion.send(Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x07, 0xFF}));
    EXPECT_TRUE(pc->waitFor(HelmTake));
    EXPECT_TRUE(server.errorLogged("Switcher Check Sum Error"));

    // A map with a wrong check byte is dropped whole.
    Bytes map = BuildOrionCrosspointMap(std::vector<int>(256, 9));
    map[map.size() - 2] = 0x55;
    // Noise, a short frame, the server's own command, an unknown one and
    // numbers beyond the switcher.
    orion.send(map + Wire({0x12, 0x34, 0x56, 0xFE, 0x01, 0x12, 0xFF, 0xEF, 0x00, 0x00, 0xFF, 0xC7, 0x00, 0x00, 0xFF}) +
               Wire({0xFE, 0x01, 0x13, 0x2C, 0x02, 0x2C, 0xFF, 0xFE, 0x20, 0x10, 0x2C, 0x02, 0x2C, 0xFF}));
    for (const char* text : {"Message Length Error", "Unexpected CommandEF", "Unknown Command C7"})
        EXPECT_TRUE(server.errorLogged(text)) << text;
    EXPECT_NE(server.dir.read("Errorlog.txt").find("Crosspoint Map"), std::string::npos);

    pc->received.clear();
    pc->send(BuildInfoRequestVela(128, NoneValue, 0));
    // Output 19 (0-based 18) still on input 4, output 20 untouched by the stray take.
    const Bytes entry18 = Wire({1, 0, 0, 3, 0, 0, 8});
    const Bytes entry19 = Wire({1, 0, 0, 19, 0, 0, 8});
    EXPECT_TRUE(pc->waitFor(entry18 + entry19));
    EXPECT_EQ(pc->received.find(Wire({0xF7})), Bytes::npos);
    EXPECT_TRUE(OnLine(*pc, 3000));
}
