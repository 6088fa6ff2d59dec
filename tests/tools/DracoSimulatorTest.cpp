// The simulated Draco: its dump brings a server's model on line, and it
// answers commands as a Draco does, F3 for anything damaged.
#include "DracoSimulator.h"

#include "switcher/draco/DracoRig.h"

#include <gtest/gtest.h>

using namespace draco_test;

namespace {

const Bytes Ack = Wire({0xF4});
const Bytes Nack = Wire({0xF3});

}  // namespace

TEST(DracoSimulator, OneDumpForTwoInfoRequestsFillsAServersModel)
{
    DracoSimulator sim("In  ", "Out ");
    const Bytes dump = sim.Receive(Wire({0xF2, 0xF2}));
    EXPECT_EQ(dump, sim.Dump());
    EXPECT_EQ(sim.Receive(Wire({0xF5})), Ack);

    DracoRig rig;
    rig.server.model.UpdateFlags = DracoAllUpdateFlags;
    rig.server.SerialBuffer = dump;
    rig.drain();
    const Model& m = rig.server.model;
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_EQ(m.SourceAlphasRaw[4], "In  005 ");
    EXPECT_EQ(m.DestinationAlphasRaw[31], "Out 032 ");
    EXPECT_EQ(m.CrosspointMap[9].Sources[0], 9);
    EXPECT_EQ(m.TemplateAssignment[3], 3);
    EXPECT_EQ(m.NumSalvos, 2);
    EXPECT_EQ(m.NumSalvoEvents, 3);
    EXPECT_FALSE(rig.dir.exists("Errorlog.txt")) << rig.dir.read("Errorlog.txt");
}

TEST(DracoSimulator, CommandsAreCarriedOutAndDamagedFramesRefused)
{
    DracoSimulator sim;
    EXPECT_EQ(sim.Receive(BuildTakeDraco(7, 30)), BuildTakeDraco(7, 30));
    EXPECT_EQ(sim.SourceOf(30), 7);
    EXPECT_EQ(sim.Receive(BuildSalvoExecuteDraco(1)), Ack);
    EXPECT_EQ(sim.Executed(), std::vector<int>{1});

    std::vector<std::string> names(32, "Renamed ");
    EXPECT_EQ(sim.Receive(BuildAlphaTableDraco(names, 20)), Ack);
    EXPECT_EQ(sim.DestinationNames()[0], "Renamed ");
    EXPECT_EQ(sim.Receive(BuildSortTableDraco({5}, 10)), Ack);
    EXPECT_EQ(sim.SourceOrder()[0], 5);
    EXPECT_EQ(sim.Receive(Values(0xFA, {1, 2, 3, 4})), Ack);
    EXPECT_EQ(sim.LinkWords(), (std::vector<int>{1, 2, 3, 4}));

    // A wrong check byte, a wrong length, a frame cut by a new command, an unknown command.
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x00, 0x03, 0x05, 0x00, 0x06, 0xFF})), Nack);
    EXPECT_EQ(sim.Receive(Values(0xFA, {1, 2, 3})), Nack);
    EXPECT_EQ(sim.Receive(Wire({0xF7, 0x01}) + BuildTakeDraco(1, 1)), Nack + BuildTakeDraco(1, 1));
    EXPECT_EQ(sim.Receive(Wire({0x90, 0x00, 0x00, 0xFF})), Nack);
    EXPECT_EQ(sim.LinkWords(), (std::vector<int>{1, 2, 3, 4}));

    sim.NackNext();
    EXPECT_EQ(sim.Receive(BuildTakeDraco(2, 30)), Nack);
    EXPECT_EQ(sim.SourceOf(30), 7);
    // An unfinished frame waits for its end.
    EXPECT_EQ(sim.Receive(Wire({0xFE, 0x00})), Bytes());
    EXPECT_EQ(sim.PendingBytes(), 2u);
}
