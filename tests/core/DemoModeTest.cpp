// Demo mode: a synthetic switcher filled at startup; a Vela demo answers
// client commands through the decoder as a switcher would.
#include "core/Lifecycle.h"
#include "helm/FromHelm.h"
#include "helm/ToHelm.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

// Started from the configuration file, with two Helm PCs and one second of
// polling behind it (the demo link is up).
struct DemoRig : VelaRig {
    int a = 0, b = 0;
    explicit DemoRig(const std::string& type)
    {
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=" + type + "\r\nDemo Mode=Yes\r\n");
        StartServer(server);
        a = connect();
        b = connect();
        for (int i = 0; i < 4; ++i)
            server.onTimer(TimerId::Poll);
        out(a).clear();
        out(b).clear();
    }
    void fromClient(const Bytes& frame)
    {
        client(a).ReceiveBuffer += frame;
        DecodeHelmMessage(server, a);
    }
    void bothGot(const Bytes& expected)
    {
        EXPECT_EQ(out(a), expected);
        EXPECT_EQ(out(b), expected);
        out(a).clear();
        out(b).clear();
    }
};

}  // namespace

TEST(DemoMode, AVelaDemoStartsWithACompleteSwitcher)
{
    DemoRig rig("Vela");
    const Model& m = rig.server.model;
    EXPECT_EQ(rig.serial.openAttempts, 0);
    EXPECT_TRUE(rig.logged("Demo Mode"));
    EXPECT_EQ(m.SourceAlphasRaw[319], "Inpt0320");
    EXPECT_EQ(m.DestinationAlphas[319], "Out0320");
    EXPECT_EQ(m.OptoAlphas[9], "Opto0010");
    EXPECT_EQ(m.RelayAlphas[9], "Rlay0010");
    EXPECT_EQ(m.InhibitMap.text(319), std::string(320, '0'));
    EXPECT_EQ(m.CrosspointMap[319].SourceCount, 0);
    EXPECT_EQ(m.SourceDisplayLists[255].Name, "Display List 256");
    EXPECT_EQ(m.DestinationDisplayLists[0].Members, std::vector<int>(40, 255));
    EXPECT_EQ(m.GainOffsets, (std::array<int, 2>{80, 80}));
    EXPECT_GT(m.SwitcherConfig[0].Cards[0].Count, 1);
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_TRUE(rig.server.Link.OnLine());
}

TEST(DemoMode, TakesSumsLinksAndGainsChangeTheModelAndReachEveryClient)
{
    DemoRig rig("Vela");
    Server& s = rig.server;
    rig.fromClient(Framed(Wire({0xFE}) + P(4) + P(3) + P(7)));  // a client's own take
    EXPECT_EQ(s.model.CrosspointMap[7].Sources[0], 3);
    rig.bothGot(BuildCrosspointMapMessage(s, 7, 1));
    EXPECT_TRUE(rig.logged("Take - In:0004-->Out:0008"));

    int sum = 36;
    SendTakeToSwitcher(s, 5, 7, sum, NoneValue);
    EXPECT_EQ(s.model.CrosspointMap[7].SourceCount, 2);
    rig.bothGot(BuildCrosspointMapMessage(s, 7, 1));

    SendLinkToSwitcher(s, 0, 10, {1, 1});
    EXPECT_EQ(s.model.SourceLinks[1], 1);
    rig.bothGot(Framed(Wire({0xFA, 0x0A}) + P(2) + P(0) + Wire({1, 1})));

    SendGainVela(s, 1, 900, 7, NoneValue, NoneValue);
    EXPECT_EQ(s.model.SourceGains[7].Level2, 900);
    rig.bothGot(BuildGainVela(1, 900, 7, NoneValue, NoneValue));
    EXPECT_TRUE(rig.serial.writes.empty());
}

TEST(DemoMode, TheSimulatedSwitcherHonoursInhibitsAndStereoLinks)
{
    DemoRig rig("Vela");
    Model& m = rig.server.model;
    m.InhibitMap.setText(5, "001");
    for (int type : {4, 36}) {
        SendTakeToSwitcher(rig.server, 2, 5, type, NoneValue);
        EXPECT_EQ(m.CrosspointMap[5].SourceCount, 0);
    }
    EXPECT_EQ(rig.out(rig.a), "");

    m.DestinationLinks[10] = m.DestinationLinks[11] = 1;  // stereo outputs
    m.SourceLinks[2] = m.SourceLinks[3] = 1;              // stereo inputs
    int take = 4;
    SendTakeToSwitcher(rig.server, 2, 10, take, NoneValue);
    EXPECT_EQ(m.CrosspointMap[10].Sources[0], 2);
    EXPECT_EQ(m.CrosspointMap[11].Sources[0], 3);
}

TEST(DemoMode, AnInhibitUploadComesBackToEveryClientAsItWasSent)
{
    DemoRig rig("Vela");
    Model& m = rig.server.model;
    m.InhibitMap.setText(0, std::string(100, '1'));
    rig.client(rig.b).PendingRequests = 4096;
    SendInhibitMapToClient(rig.server);
    const Bytes upload = rig.out(rig.b);
    rig.out(rig.b).clear();
    m.InhibitMap.assign(320, 320);

    rig.fromClient(upload);
    EXPECT_EQ(m.InhibitMap.text(0), std::string(100, '1') + std::string(220, '0'));
    rig.bothGot(upload);
}

TEST(DemoMode, OrionAndDracoDemosAreFilledButDoNotAnswer)
{
    for (const char* type : {"Orion", "Draco"}) {
        DemoRig rig(type);
        const Model& m = rig.server.model;
        EXPECT_EQ(m.SourceAlphas[319], "Inpt0320") << type;
        EXPECT_EQ(m.RelayAlphas[319], "Rlay0320") << type;
        EXPECT_EQ(m.CrosspointMap[319].SourceCount, 1) << type;
        EXPECT_EQ(m.SwitcherConfig[0].Cards[0].Count, std::string(type) == "Orion" ? 21 : 1) << type;
        rig.fromClient(Framed(Wire({0xFE}) + P(4) + P(3) + P(7)));
        EXPECT_EQ(m.CrosspointMap[7].Sources[0], 0) << type;
        EXPECT_EQ(rig.out(rig.b), "") << type;
    }
}
