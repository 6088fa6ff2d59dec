// Demo mode: a synthetic switcher filled at startup; a Vela demo answers
// client commands through the decoder as a switcher would.
#include "core/MainForm.h"
#include "helm/FromHelm.h"
#include "helm/TCPSerialCommunications.h"
#include "helm/ToHelm.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "switcher/ByteManipulation.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/ToVela.h"

#include <gtest/gtest.h>

namespace {

Bytes B(std::initializer_list<int> bytes)
{
    Bytes b;
    for (int v : bytes)
        b += static_cast<char>(v);
    return b;
}
Bytes P(int value) { return B({value & 127, value >> 7}); }
Bytes Framed(Bytes f)
{
    AppendChecksumAndEnd(f);
    return f;
}

struct DemoRig : TestRig {
    TempDir dir;
    int a = 0, b = 0;
    explicit DemoRig(const std::string& type)
    {
        server.cfg.AppPath = dir.app();
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=" + type + "\r\nDemo Mode=Yes\r\nComm Port=9\r\n");
        Form_Load(server);
        a = connect();
        b = connect();
        for (int i = 0; i < 4; ++i)  // one second: the demo link comes up
            server.onTimer(TimerId::Poll);
        out(a).clear();
        out(b).clear();
    }
    int connect()
    {
        wscktClients_ConnectionRequest(server);
        const int slot = server.ClientSlotCount();
        server.ClientTable[static_cast<size_t>(slot)].LoggedIn = true;
        server.ClientTable[static_cast<size_t>(slot)].ClientType = 120;
        return slot;
    }
    Bytes& out(int slot) { return sockets.conn(Port::Helm, slot).outbound; }
    // A frame as client a sends it.
    void fromClient(const Bytes& frame)
    {
        server.ClientTable[static_cast<size_t>(a)].ReceiveBuffer += frame;
        DecodeHelmMessage(server, a);
    }
    bool logged(const std::string& text) const
    {
        for (const auto& line : display.history)
            if (line.second == text)
                return true;
        return false;
    }
};

}  // namespace

TEST(DemoMode, AVelaDemoStartsWithACompleteSwitcher)
{
    DemoRig rig("Vela");
    const Model& m = rig.server.model;
    EXPECT_EQ(rig.serial.openAttempts, 0);
    EXPECT_TRUE(rig.logged("Demo Mode"));
    EXPECT_EQ(m.NumSources, 320);
    EXPECT_EQ(m.NumRelays, 320);
    EXPECT_EQ(m.SourceAlphas[0], "Inpt0001");
    EXPECT_EQ(m.SourceAlphasRaw[319], "Inpt0320");
    EXPECT_EQ(m.DestinationAlphas[319], "Out0320");
    EXPECT_EQ(m.OptoAlphas[9], "Opto0010");
    EXPECT_EQ(m.RelayAlphas[9], "Rlay0010");
    EXPECT_EQ(m.DestinationSortTable[200], 200);
    EXPECT_EQ(m.InhibitMap[319], std::string(320, '0'));
    EXPECT_EQ(m.CrosspointMap[319].SourceCount, 0);
    EXPECT_EQ(m.CrosspointMap[319].Levels[0], 1024);
    EXPECT_EQ(m.SourceDisplayLists[255].Name, "Display List 256");
    EXPECT_EQ(m.DestinationDisplayLists[0].Members, std::vector<int>(40, 255));
    EXPECT_EQ(m.ClockMode, 2);
    EXPECT_EQ(m.ClockSetting, 20);
    EXPECT_EQ(m.GainOffsets, (std::array<int, 2>{80, 80}));
    EXPECT_EQ(m.NumFrames, 1);
    EXPECT_GT(m.SwitcherConfig[0].Cards[0].Count, 1);
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_FALSE(rig.server.AwaitingSwitcher);
    EXPECT_TRUE(rig.server.SwitcherOnline);
}

TEST(DemoMode, TakesSumsLinksAndGainsChangeTheModelAndReachEveryClient)
{
    DemoRig rig("Vela");
    Server& s = rig.server;
    // A client's own take frame, answered by the simulated switcher.
    rig.fromClient(Framed(B({0xFE}) + P(4) + P(3) + P(7)));
    EXPECT_EQ(s.model.CrosspointMap[7].Sources[0], 3);
    EXPECT_EQ(s.model.CrosspointMap[7].SourceCount, 1);
    const Bytes map = BuildCrosspointMapMessage(s, 7, 1);
    EXPECT_EQ(rig.out(rig.a), map);
    EXPECT_EQ(rig.out(rig.b), map);
    EXPECT_TRUE(rig.logged("Take - In:0004-->Out:0008"));

    int sum = 36;
    SendTakeToSwitcher(s, 5, 7, sum, NoneValue);
    EXPECT_EQ(s.model.CrosspointMap[7].SourceCount, 2);
    EXPECT_EQ(rig.out(rig.b), map + BuildCrosspointMapMessage(s, 7, 1));

    rig.out(rig.a).clear();
    rig.out(rig.b).clear();
    SendLinkToSwitcher(s, 0, 10, {1, 1});
    EXPECT_EQ(s.model.SourceLinks[0], 1);
    EXPECT_EQ(s.model.SourceLinks[1], 1);
    const Bytes links = Framed(B({0xFA, 0x0A}) + P(2) + P(0) + B({1, 1}));
    EXPECT_EQ(rig.out(rig.a), links);
    EXPECT_EQ(rig.out(rig.b), links);

    rig.out(rig.a).clear();
    rig.out(rig.b).clear();
    SendGainVela(s, 1, 900, 7, NoneValue, NoneValue);
    EXPECT_EQ(s.model.SourceGains[7].Level2, 900);
    EXPECT_EQ(rig.out(rig.a), BuildGainVela(1, 900, 7, NoneValue, NoneValue));
    EXPECT_EQ(rig.out(rig.b), BuildGainVela(1, 900, 7, NoneValue, NoneValue));
    EXPECT_TRUE(rig.serial.writes.empty());
}

TEST(DemoMode, TheSimulatedSwitcherHonoursInhibitsAndStereoLinks)
{
    DemoRig rig("Vela");
    Model& m = rig.server.model;
    m.InhibitMap[5][2] = '1';
    int take = 4;
    SendTakeToSwitcher(rig.server, 2, 5, take, NoneValue);
    EXPECT_EQ(m.CrosspointMap[5].SourceCount, 0);
    EXPECT_EQ(rig.out(rig.a), "");
    int sum = 36;
    SendTakeToSwitcher(rig.server, 2, 5, sum, NoneValue);
    EXPECT_EQ(m.CrosspointMap[5].SourceCount, 0);

    // Outputs 10 and 11 and inputs 2 and 3 are stereo pairs.
    m.DestinationLinks[10] = m.DestinationLinks[11] = 1;
    m.SourceLinks[2] = m.SourceLinks[3] = 1;
    take = 4;
    SendTakeToSwitcher(rig.server, 2, 10, take, NoneValue);
    EXPECT_EQ(m.CrosspointMap[10].Sources[0], 2);
    EXPECT_EQ(m.CrosspointMap[11].Sources[0], 3);
    EXPECT_TRUE(rig.logged("Take - In:0004-->Out:0012"));
}

TEST(DemoMode, AnInhibitUploadComesBackToEveryClientAsItWasSent)
{
    DemoRig rig("Vela");
    Model& m = rig.server.model;
    m.InhibitMap[0] = std::string(100, '1') + std::string(220, '0');
    m.InhibitMap[319] = std::string(319, '0') + "1";
    rig.server.ClientTable[static_cast<size_t>(rig.b)].PendingRequests = 4096;
    SendInhibitMapToClient(rig.server);
    const Bytes upload = rig.out(rig.b);
    ASSERT_FALSE(upload.empty());
    rig.out(rig.b).clear();
    m.InhibitMap.assign(320, std::string(320, '0'));

    rig.fromClient(upload);
    EXPECT_EQ(m.InhibitMap[0], std::string(100, '1') + std::string(220, '0'));
    EXPECT_EQ(m.InhibitMap[319], std::string(319, '0') + "1");
    EXPECT_EQ(rig.out(rig.a), upload);
    EXPECT_EQ(rig.out(rig.b), upload);
}

TEST(DemoMode, OrionAndDracoDemosAreFilledButDoNotAnswer)
{
    for (const char* type : {"Orion", "Draco"}) {
        DemoRig rig(type);
        const Model& m = rig.server.model;
        EXPECT_EQ(m.NumSources, 320) << type;
        EXPECT_EQ(m.NumDestinations, 320) << type;
        EXPECT_EQ(m.SourceAlphas[319], "Inpt0320") << type;
        EXPECT_EQ(m.DestinationAlphas[0], "Out0001") << type;
        EXPECT_EQ(m.RelayAlphas[319], "Rlay0320") << type;
        EXPECT_EQ(m.CrosspointMap[319].SourceCount, 1) << type;
        EXPECT_EQ(m.CrosspointMap[319].Sources[0], 0) << type;
        EXPECT_EQ(m.UpdateFlags, 0) << type;

        rig.fromClient(Framed(B({0xFE}) + P(4) + P(3) + P(7)));
        EXPECT_EQ(m.CrosspointMap[7].Sources[0], 0) << type;
        EXPECT_EQ(rig.out(rig.a).find('\xF6'), std::string::npos) << type;
        EXPECT_EQ(rig.out(rig.b), "") << type;
    }
    DemoRig orion("Orion");
    EXPECT_EQ(orion.server.model.SwitcherConfig[0].Cards[0].Count, 21);
    DemoRig draco("Draco");
    EXPECT_EQ(draco.server.model.SwitcherConfig[0].Cards[0].PortCount, 16);
}
