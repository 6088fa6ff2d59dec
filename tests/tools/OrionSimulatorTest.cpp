#include "OrionSimulator.h"

#include "model/ByteManipulation.h"
#include "support/WireBytes.h"
#include "switcher/orion/OrionFrames.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const Bytes Ack = Wire({0xF4});

// The command bytes of an answer's frames, in order.
std::vector<int> Commands(const Bytes& answer)
{
    std::vector<int> commands;
    for (size_t at = 0; at < answer.size();) {
        const size_t end = answer.find('\xFF', at);
        if (end == Bytes::npos)
            break;
        commands.push_back(ByteAt(answer, at));
        at = end + 1;
    }
    return commands;
}

}  // namespace

TEST(OrionSim, AnswersThePollAndTheRequestsForTables)
{
    OrionSimulator sim;
    EXPECT_EQ(sim.Receive(Wire({0xF5})), Ack);
    EXPECT_EQ(Commands(sim.Receive(BuildOrionInfoRequest(128))), std::vector<int>{0xF6});
    EXPECT_EQ(Commands(sim.Receive(BuildOrionInfoRequest(256 | 65536))), (std::vector<int>{0xFC, 0xE4}));

    std::vector<int> all = {0xF6, 0xFC, 0xFB, 0xFA, 0xF9};
    all.insert(all.end(), 256, 0xF8);
    all.insert(all.end(), {0xFD, 0xE9, 0xEC, 0xEB, 0xE5, 0xE0, 0xF0, 0xE4, 0xE4});
    EXPECT_EQ(Commands(sim.Receive(BuildOrionInfoRequest(1))), all);
    EXPECT_EQ(Commands(sim.Receive(Wire({0xF2}))), all);
    // A request with a wrong check byte is not answered.
    Bytes bad = BuildOrionInfoRequest(128);
    bad[9] = 0x10;
    EXPECT_EQ(sim.Receive(bad), "");
}

TEST(OrionSim, TakesAndRelayCommandsAreReportedAsExecuted)
{
    OrionSimulator sim;
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF})),
              Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF}));
    EXPECT_EQ(sim.SourceOf(18), 3);
    // The relay's contact is wired to the opto of its number.
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x30, 0x10, 0x05, 0x00, 0x05, 0xFF})),
              Wire({0xFE, 0x20, 0x10, 0x05, 0x00, 0x05, 0xFF, 0xFE, 0x10, 0x10, 0x05, 0x00, 0x05, 0xFF}));
    EXPECT_EQ(sim.RelayState(5), 1);
    EXPECT_EQ(sim.OptoState(5), 1);
    EXPECT_EQ(Commands(sim.Receive(Wire({0xFE, 0x30, 0x25, 0x05, 0x00, 0x05, 0xFF}))),
              (std::vector<int>{0xFE, 0xFE, 0xFE, 0xFE}));
    EXPECT_EQ(sim.RelayState(5), 0);
    EXPECT_EQ(sim.Receive(Wire({0xE7, 0x01, 0x00, 0x01, 0xFF})), Ack);
}

// Every table the server sends is kept and answered F4, so that the table
// asked back is the one sent.
TEST(OrionSim, TableCommandsAreStoredAndAskedBack)
{
    OrionSimulator sim;
    std::vector<std::string> names(256, "Studio");
    const Bytes fc = BuildOrionAlphaTable(0xFC, names, 256);
    EXPECT_EQ(sim.Receive(fc), Ack);
    EXPECT_EQ(sim.Receive(BuildOrionInfoRequest(256)), fc);

    EXPECT_EQ(sim.Receive(BuildOrionSortTable(0xEF, {3, 2}, 256)), Ack);
    EXPECT_EQ(sim.SourceSortTable()[0], 3);
    EXPECT_EQ(sim.SourceSortTable()[2], 255);

    EXPECT_EQ(sim.Receive(BuildOrionInhibitMap(9, "011")), Ack);
    EXPECT_EQ(sim.Inhibits(9).substr(0, 4), "0110");
    std::vector<int> links(256, 0);
    links[4] = 1;
    EXPECT_EQ(sim.Receive(BuildOrionLinks(0xFA, links)), Ack);
    EXPECT_EQ(sim.SourceLinks()[5], 1);

    OrionButtons buttons{std::vector<int>(256, 1), std::vector<int>(64 * 64, 9)};
    const Bytes fd = BuildOrionButtons(buttons);
    EXPECT_EQ(sim.Receive(fd), Ack);
    EXPECT_EQ(sim.Receive(BuildOrionInfoRequest(8192)), fd);

    SalvoEventRecord e;
    e.Salvo = 0;
    const Bytes salvos = BuildOrionSalvoCount(1, 1) + BuildOrionSalvoEvents(0xEB, {e}) +
                         BuildOrionSalvoDefinition(0, 1) + BuildOrionAlphaTable(0xEC, {"Only"}, 1) +
                         BuildOrionSortTable(0xED, {0}, 1);
    EXPECT_EQ(sim.Receive(salvos), Ack + Ack + Ack + Ack + Ack);
    EXPECT_EQ(sim.Receive(BuildOrionInfoRequest(16384)),
              BuildOrionSalvoCount(1, 1) + BuildOrionAlphaTable(0xEC, {"Only"}, 1) + BuildOrionSalvoEvents(0xEB, {e}));

    EXPECT_EQ(sim.Receive(BuildOrionActiveDevices({true})), Ack);
    EXPECT_FALSE(sim.CardPresent(1));

    // A table with a wrong check byte is not taken.
    Bytes bad = BuildOrionLinks(0xF9, links);
    bad[1] = 0x7F;
    EXPECT_EQ(sim.Receive(bad), "");
}
