// The real server as a Draco switcher's: against the simulator binary on a
// pseudo-terminal of its own, or the simulator library played by the test
// on a pseudo-terminal it holds, when the test must see or shape the traffic.
#include "DracoSimulator.h"

#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"
#include "switcher/draco/ToDraco.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

const Bytes InfoRequest = Wire({0xF2, 0xF2});
const Bytes Poll = Wire({0xF5});
// Helm take of input 5 to output 3 (0-based), and its report to the clients.
const Bytes HelmTake5To3 = Framed(Wire({0xFE, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00}));
const Bytes DracoTake5To3 = Wire({0xFE, 0x00, 0x03, 0x05, 0x00, 0x05, 0xFF});

Bytes HelmTake(int input, int output) { return Framed(Wire({0xFE, 0x04, 0x00, input, 0x00, output, 0x00})); }
Bytes HelmSalvo(int salvo) { return Framed(Wire({0xEA, salvo, 0x00, 0x00})); }
using PlayedDraco = PlayedSwitcher<DracoSimulator>;
const QStringList DracoArgs = {"--type", "draco"};

// A Helm info request for the system information (mask bit 0).
const Bytes SystemInfoRequest = Framed(Wire({0xF2, 1, 0, 0, 0, 0, 0, 0x7F, 0x7F, 0, 0}));

Bytes WithBadCheck(Bytes f)
{
    f[f.size() - 2] = static_cast<char>((f[f.size() - 2] + 1) & 127);
    return f;
}

size_t Count(const Bytes& text, const Bytes& needle)
{
    size_t n = 0;
    for (size_t at = text.find(needle); at != Bytes::npos; at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

// The server as a Draco switcher's, on the given line.
struct DracoServer : SwitcherServer {
    explicit DracoServer(const std::string& line) : SwitcherServer("Draco", line, "Baud Rate=19200\r\n") {}
};

}  // namespace

TEST(DracoSimulatorEndToEnd, ASilentSwitcherIsAskedOnceASecondAndTheDumpBringsItOnLineThenItIsPolled)
{
    PlayedDraco draco;
    draco.answer(false);
    DracoServer server(draco.path());
    ASSERT_TRUE(draco.heard(InfoRequest, 5000));
    draco.forget();
    std::this_thread::sleep_for(std::chrono::milliseconds(3100));
    const Bytes silent = draco.heard();
    EXPECT_GE(Count(silent, InfoRequest), 2u);
    EXPECT_LE(Count(silent, InfoRequest), 4u);
    EXPECT_EQ(silent.find_first_not_of('\xF2'), Bytes::npos);

    draco.answer(true);
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    for (const char* line :
         {"32 Crosspoint Maps", "32 Source Alpha Labels", "32 Destination Alpha Labels", "32 Stereo Links",
          "32 Inhibits Maps", "Button Templates", "Port Map", "Salvo Count", "2 Salvo Alphas", "3 Salvo Events"})
        EXPECT_TRUE(server.process->waitForOutput(std::string("Switcher COM1\t") + line)) << line;
    draco.forget();
    std::this_thread::sleep_for(std::chrono::milliseconds(3100));
    const Bytes online = draco.heard();
    EXPECT_GE(Count(online, Poll), 2u);
    EXPECT_LE(Count(online, Poll), 4u);
    EXPECT_EQ(Count(online, InfoRequest), 0u);
    EXPECT_FALSE(server.dir.exists("Errorlog.txt")) << server.dir.read("Errorlog.txt");
}

TEST(DracoSimulatorEndToEnd, ATakeReachesTheSwitcherAndItsReportEveryClientConsoleAndPanelFile)
{
    SimProcess sim(DracoArgs);
    ASSERT_FALSE(sim.path().empty());
    DracoServer server(sim.path());
    auto pc = server.helmPc();
    auto other = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    auto console = server.console();
    other->received.clear();

    pc->send(HelmTake5To3);
    const Bytes report = Framed(Wire({0xFE, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00}));
    EXPECT_TRUE(pc->waitFor(report));
    EXPECT_TRUE(other->waitFor(report));
    EXPECT_TRUE(console->waitFor("T006:004\r\n"));
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\tTake - In:006-->Out:004"));
    const Bytes lxpt = server.dir.read("lxptmap.ndf");
    ASSERT_GE(lxpt.size(), 19u);
    EXPECT_EQ(lxpt.substr(17, 2), Wire({0x05, 0x00}));
}

TEST(DracoSimulatorEndToEnd, CommandsGivenWhileTheDumpIsPendingLeaveInOrderAfterIt)
{
    PlayedDraco draco;
    draco.answer(false);
    DracoServer server(draco.path());
    ASSERT_TRUE(draco.heard(InfoRequest, 5000));
    auto pc = server.helmPc();
    pc->send(HelmTake(1, 2));
    pc->send(HelmTake(3, 4));
    pc->send(HelmSalvo(1));
    ASSERT_TRUE(server.process->waitForOutput("Salvo Execute Number 2"));
    EXPECT_EQ(draco.heard().find('\xFE'), Bytes::npos);

    draco.answer(true);
    const Bytes commands = BuildTakeDraco(1, 2) + BuildTakeDraco(3, 4) + BuildSalvoExecuteDraco(1);
    ASSERT_TRUE(draco.heard(commands, 5000));
    const Bytes all = draco.heard();
    EXPECT_GT(all.find(commands), all.rfind(InfoRequest));
}

TEST(DracoSimulatorEndToEnd, AnotherClientIsAnsweredAtOnceWhileASystemInfoRequestWaits)
{
    PlayedDraco draco;
    DracoServer server(draco.path());
    auto pc = server.helmPc();
    auto other = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    ASSERT_TRUE(OnLine(*other));
    draco.forget();

    const auto start = std::chrono::steady_clock::now();
    pc->send(SystemInfoRequest);
    other->received.clear();
    other->send(Poll);
    EXPECT_TRUE(other->waitFor(Wire({0xF4}), 400));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(draco.heard().find(InfoRequest), Bytes::npos);
    // The tables are asked for a second later.
    EXPECT_TRUE(draco.heard(InfoRequest, 3000));
}

TEST(DracoSimulatorEndToEnd, ATakeLeavesAsADracoTakeAndANackIsLoggedWithoutStoppingTheServer)
{
    PlayedDraco draco;
    DracoServer server(draco.path());
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    draco.withSim([](DracoSimulator& sim) { sim.NackNext(); });
    pc->send(HelmTake5To3);
    EXPECT_TRUE(draco.heard(DracoTake5To3, 3000));
    EXPECT_TRUE(server.errorLogged("NACK received from Switcher"));
    pc->send(HelmTake5To3);
    EXPECT_TRUE(pc->waitFor(Framed(Wire({0xFE, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00}))));
}

TEST(DracoSimulatorEndToEnd, ASwitcherThatStopsIsLostAlthoughAClientKeepsTakingAndFoundWhenItResumes)
{
    SimProcess sim(DracoArgs);
    DracoServer server(sim.path());
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    sim.pause();
    const auto stopped = std::chrono::steady_clock::now();
    bool lost = false;
    while (!lost && std::chrono::steady_clock::now() - stopped < std::chrono::seconds(25)) {
        pc->send(HelmTake5To3);
        lost = server.process->waitForOutput("Switcher COM1\tSwitcher Connection Lost", 1000);
    }
    ASSERT_TRUE(lost);
    EXPECT_GE(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(14));
    sim.resume();
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\tSwitcher Connection\n", 5000, 2));
    EXPECT_TRUE(OnLine(*pc, 15000));
}

TEST(DracoSimulatorEndToEnd, DamagedAndHostileFramesAreLoggedAndTheServerKeepsServing)
{
    Pty line;
    DracoServer server(line.path());
    ASSERT_NE(line.readUntil(InfoRequest, 5000).find(InfoRequest), Bytes::npos);
    DracoSimulator sim;
    Bytes bad;
    bad += WithBadCheck(BuildValuesFrameDraco(0xF6, std::vector<int>(32, 1)));  // check byte
    bad += Wire({0xFA, 0x01, 0x00, 0x01, 0xFF});                                // short
    bad += Wire({0x11, 0x22, 0x33});                                            // junk
    bad += Wire({0xFE, 0x0F, 0x0F, 0x01, 0x00, 0x01, 0xFF});                    // output 256
    bad += Wire({0xFE, 0x00, 0x01, 0x7F, 0x7F, 0x7F, 0xFF});                    // input 16384
    std::vector<int> alternating;
    for (int e = 0; e < 8; ++e)
        alternating.insert(alternating.end(), {e % 2 == 0 ? 16000 : 0, 0, 0, 0, 0, 0});
    bad += BuildValuesFrameDraco(0xE9, {0, 8, 1}) + BuildValuesFrameDraco(0xEB, alternating);
    line.send(bad + sim.Dump());

    auto pc = server.helmPc();
    ASSERT_TRUE(SpinUntil(
        [&] {
            const Bytes got = line.readFor(100);
            if (got.find('\xF5') != Bytes::npos)
                line.send(Wire({0xF4}));
            if (got.find('\xF2') != Bytes::npos)
                line.send(sim.Dump());
            pc->received.clear();
            pc->send(Poll);
            return pc->waitFor(Wire({0xF4}), 100);
        },
        15000));
    EXPECT_TRUE(server.process->waitForOutput("Switcher COM1\t3 Salvo Events"));
    const std::string errors = server.dir.read("Errorlog.txt");
    for (const char* text : {"Switcher Check Sum Error", "Message Length Error", "Salvo Events Beyond 16383"})
        EXPECT_NE(errors.find(text), std::string::npos) << text;
    EXPECT_EQ(server.process->out().find("Take - In"), std::string::npos);
}

TEST(DracoSimulatorEndToEnd, ANameUploadRenamesOnlyItsOwnNumberOnTheSwitcher)
{
    // Switcher order IN00, IN05, IN10, ...: the name order is another one.
    std::vector<std::string> sources, destinations;
    for (int i = 0; i < 32; ++i) {
        sources.push_back("IN" + Digits((5 * i) % 32, 2) + "    ");
        destinations.push_back("OUT" + Digits((5 * i) % 32, 2) + "   ");
    }
    PlayedDraco draco;
    draco.withSim([&](DracoSimulator& sim) {
        sim.Receive(BuildAlphaTableDraco(sources, TableSources) +
                    BuildAlphaTableDraco(destinations, TableDestinations));
    });
    DracoServer server(draco.path());
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));

    // Source 0 is first in name order; destination 1 (OUT05) sixth.
    pc->send(Framed(Wire({0xFC, 10, 8, 1, 0, 0, 0}) + "NEWNAME1" + Wire({0, 0})));
    sources[0] = "NEWNAME1";
    EXPECT_TRUE(draco.heard(BuildAlphaTableDraco(sources, TableSources), 5000));
    ASSERT_TRUE(OnLine(*pc));
    pc->send(Framed(Wire({0xFC, 20, 8, 1, 0, 5, 0}) + "NEWNAME2" + Wire({1, 0})));
    destinations[1] = "NEWNAME2";
    EXPECT_TRUE(draco.heard(BuildAlphaTableDraco(destinations, TableDestinations), 5000));
    draco.withSim([&](DracoSimulator& sim) {
        EXPECT_EQ(sim.SourceNames(), sources);
        EXPECT_EQ(sim.DestinationNames(), destinations);
    });
}

TEST(DracoSimulatorEndToEnd, EveryHelmClientGetsTheSwitchersCrosspointMapWithoutAskingForIt)
{
    PlayedDraco draco;
    draco.answer(false);
    DracoServer server(draco.path());
    auto pc = server.helmPc();
    auto other = server.helmPc();
    // Logged in: the keep-alive is answered, not yet ready.
    for (TestClient* c : {pc.get(), other.get()}) {
        c->send(Poll);
        ASSERT_TRUE(c->waitFor(Wire({0xF1})));
    }
    // F6, 00, 32 outputs from output 0, then destination 0's entry: one source, 0.
    const Bytes map = Wire({0xF6, 0x00, 0x20, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00});
    draco.answer(true);
    EXPECT_TRUE(pc->waitFor(map));
    EXPECT_TRUE(other->waitFor(map));

    // A map the switcher sends of its own accord: destination 0 now has source 7.
    std::vector<int> sources(32, 0);
    sources[0] = 7;
    draco.send(BuildValuesFrameDraco(0xF6, sources));
    const Bytes changed = Wire({0xF6, 0x00, 0x20, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x07, 0x00});
    EXPECT_TRUE(pc->waitFor(changed));
    EXPECT_TRUE(other->waitFor(changed));
}
