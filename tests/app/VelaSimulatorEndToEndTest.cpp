// The real server against a simulated Vela switcher: the simulator binary on
// a pseudo-terminal of its own, or the simulator library played by the test
// on a pseudo-terminal it holds, when the test must see or shape the traffic.
#include "VelaSimulator.h"

#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"
#include "switcher/vela/ToVela.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int SimSize = 16;

const Bytes PolledUpdatesNotice = Framed(Wire({0xA4, 120, 0, 0, 0}));
Bytes Request(int64_t mask) { return BuildInfoRequestVela(mask, NoneValue, 0); }

using PlayedVela = PlayedSwitcher<VelaSimulator>;

const QStringList SimArgs = {"--size", QString::number(SimSize)};
VelaSimulator PlayedSim() { return VelaSimulator(SimulatorOptions{SimSize, "Src ", "Dst "}); }

// The whole crosspoint map as a freshly started simulator reports it.
Bytes SimulatorMap()
{
    const Bytes answer = PlayedSim().Receive(Request(128));
    return answer.substr(0, answer.find('\xFF') + 1);
}

// The server as a Vela switcher's, on the given line, with Helm PC clients.
struct VelaServer : SwitcherServer {
    explicit VelaServer(const std::string& line) : SwitcherServer("Vela", line) {}
};

}  // namespace

TEST(VelaSimulatorEndToEnd, TheStartUpDumpBringsTheServerOnLine)
{
    SimProcess sim(SimArgs);
    ASSERT_FALSE(sim.path().empty());
    VelaServer server(sim.path());
    auto pc = server.helmPc();
    EXPECT_TRUE(OnLine(*pc));
    ASSERT_TRUE(server.process->waitForOutput("Switcher COM1\tSwitcher Information Request"));
    for (const char* line : {"Received System Description",
                             "Received Config Message",
                             "Received Version Message",
                             "Received State Message",
                             "Received Status Message",
                             "16 Crosspoint Maps, Starting at Output 0001",
                             "16 Source Alpha Lables, Starting with 1",
                             "16 Destination Alpha Lables, Starting with 1",
                             "16 Source Links, Starting with 1",
                             "16 Destination Links, Starting with 1",
                             "16 Inhibit Maps, Starting at Output 0001",
                             "0 Button Templates, Starting with 1",
                             "0 Salvo Events",
                             "Received Relay Tally",
                             "Received Opto State",
                             "16 Opto Alpha Table, Starting with 1",
                             "16 Relay Alpha Table, Starting with 1",
                             "Received Clock Message",
                             "Received Clock Config",
                             "256 Source Display Lists, Starting with 1",
                             "256 Destination Display Lists, Starting with 1",
                             "Received Gain Offset Message",
                             "Received Relay Configuration",
                             "16 Transition Controls"})
        EXPECT_NE(server.process->out().find(std::string("Switcher COM1\t") + line), std::string::npos) << line;
    EXPECT_FALSE(server.dir.exists("Errorlog.txt")) << server.dir.read("Errorlog.txt");
}

TEST(VelaSimulatorEndToEnd, ATakeComesBackFromTheSimulatorToEveryClient)
{
    SimProcess sim(SimArgs);
    VelaServer server(sim.path());
    auto pc = server.helmPc();
    auto other = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    other->received.clear();

    pc->send(Framed(Wire({0xFE, 0x04, 0x00, 0x02, 0x00, 0x04, 0x00})));  // input 3 to output 5
    // Output 5 alone: one source, no sum, input 3 at level 1024.
    const Bytes map = Framed(Wire({0xF6, 0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x08}));
    EXPECT_TRUE(pc->waitFor(map));
    EXPECT_TRUE(other->waitFor(map));
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\tTake - In:0003-->Out:0005"));
}

TEST(VelaSimulatorEndToEnd, WhileTheSimulatorIsPausedTheModelAnswersAndATakeWaitsForItsReport)
{
    SimProcess sim(SimArgs);
    VelaServer server(sim.path());
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));

    sim.pause();
    pc->received.clear();
    pc->send(Request(128));
    EXPECT_TRUE(pc->waitFor(SimulatorMap()));

    pc->send(Framed(Wire({0xFE, 0x04, 0x00, 0x07, 0x00, 0x01, 0x00})));  // input 8 to output 2
    const Bytes map = Framed(Wire({0xF6, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x07, 0x00, 0x00, 0x08}));
    EXPECT_FALSE(pc->waitFor(map, 1500));
    sim.resume();
    EXPECT_TRUE(pc->waitFor(map));
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\tTake - In:0008-->Out:0002"));
}

TEST(VelaSimulatorEndToEnd, AChecksumErrorMakesTheServerAskForThatTableAgain)
{
    PlayedVela switcher(PlayedSim());
    switcher.withSim(
        [](VelaSimulator& sim) { sim.CorruptNextChecksum(0xFC); });  // the source names, first of the name tables
    VelaServer server(switcher.path());
    EXPECT_TRUE(switcher.heard(Request(256), 8000));
    auto pc = server.helmPc();
    EXPECT_TRUE(OnLine(*pc));
    EXPECT_NE(server.dir.read("Errorlog.txt").find("Vela Check Sum Error"), std::string::npos);
}

TEST(VelaSimulatorEndToEnd, ACrosspointRequestMadeBeforeTheSwitcherAnswersIsServedOnceOnLine)
{
    PlayedVela switcher(PlayedSim());
    switcher.answer(false);
    VelaServer server(switcher.path());
    ASSERT_TRUE(switcher.heard(BasicInfoRequest, 5000));
    // A polled client: its pending requests are served by the first pass
    // after the switcher is on line.
    auto pc = server.helmPc();
    pc->send(PolledUpdatesNotice);
    pc->send(Request(128));
    EXPECT_FALSE(pc->waitFor(Wire({0xF6}), 1500));

    switcher.answer(true);
    EXPECT_TRUE(pc->waitFor(SimulatorMap(), 10000));
}
