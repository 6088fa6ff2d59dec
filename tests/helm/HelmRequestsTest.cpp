#include "HelmRig.h"

#include "core/Lifecycle.h"
#include "switcher/vela/ToVela.h"

namespace {

class HelmRequests : public HelmTest {
protected:
    void SetUp() override
    {
        HelmTest::SetUp();
        Use(SwitcherType::Orion);
    }
    static Bytes InfoRequest(int64_t Mask)
    {
        Bytes f("\xF2", 1);
        for (int group = 0; group < 6; ++group)
            f += static_cast<char>((Mask >> (7 * group)) & 127);
        f += Bytes(4, '\0');
        AppendChecksumAndEnd(f);
        return f;
    }
};

const Bytes TakeFrame = Raw({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF});

TEST_F(HelmRequests, EmptyMaskDoesNothingAndHighBitsAreIgnored)
{
    Online();
    const int c = Connect();
    const size_t shown = rig.display.history.size();
    Feed(c, InfoRequest(0));
    EXPECT_TRUE(Sent(c).empty());
    EXPECT_EQ(rig.display.history.size(), shown);
    EXPECT_EQ(Client(c).PendingRequests, 0);

    // Bits 28 to 34 asked, with the link down so nothing is served.
    s.Link.Reset();
    s.Link.AllTablesArrived();
    Feed(c, InfoRequest(int64_t{127} << 28));
    EXPECT_EQ(Client(c).PendingRequests, int64_t{7} << 28);

    // Only logged: a request of the wrong length.
    Client(c).PendingRequests = 0;
    Bytes shortRequest = InfoRequest(128).substr(0, 9);
    AppendChecksumAndEnd(shortRequest);
    Feed(c, shortRequest);
    EXPECT_TRUE(ErrorLogged("Helm Length Error", "Info Request"));
    EXPECT_EQ(Client(c).PendingRequests, 128);
}

TEST_F(HelmRequests, CrosspointRequestWaitsForTheLinkThenTheFirstPassServesIt)
{
    const int polled = Connect();
    Feed(polled, HelmFrame({0xA4, 120, 0, 0, 0}));  // polled updates
    const int plain = Connect();
    for (int c : {polled, plain}) {
        Feed(c, InfoRequest(128));
        EXPECT_TRUE(Sent(c).empty());
        EXPECT_EQ(Client(c).PendingRequests, 128);
    }

    Online();
    s.model.UpdateFlags = 0;
    PollHelmClients(s);
    const Bytes map = BuildCrosspointMapMessage(s, 0, s.model.NumDestinations);
    for (int c : {polled, plain}) {
        EXPECT_EQ(Sent(c).substr(0, map.size()), map);
        EXPECT_EQ(Client(c).PendingRequests, 0);
    }
    EXPECT_TRUE(Shown("Crosspoint Map Request"));
    // Served once: the next pass sends nothing more.
    PollHelmClients(s);
    EXPECT_EQ(Sent(plain), Raw({0xF5}));
}

TEST_F(HelmRequests, EitherLinkBitSendsBothLinkTables)
{
    Online();
    const int c = Connect();
    s.model.SourceLinks[0] = 1;
    s.model.DestinationLinks[1] = 2;
    Feed(c, InfoRequest(1024));
    const Bytes out = Sent(c);
    const size_t frame = 256 + 8;
    ASSERT_EQ(out.size(), 2 * frame);
    EXPECT_EQ(out.substr(0, 6), Raw({0xFA, 10, 0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(out[6], '\x01');
    EXPECT_EQ(out.substr(frame, 6), Raw({0xFA, 20, 0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(out[frame + 7], '\x02');
    EXPECT_EQ(Client(c).PendingRequests, 0);
    EXPECT_TRUE(Shown("Stereo Links Request"));
}

TEST_F(HelmRequests, SystemInfoRequestAsksTheSwitcherForEverything)
{
    Use(SwitcherType::Vela);
    rig.serial.opened = true;
    const int c = Connect();
    s.model.UpdateFlags = 0;
    Feed(c, InfoRequest(1));
    EXPECT_EQ(SerialSent(), BuildInfoRequestVela(1, NoneValue, 0));
    EXPECT_EQ(s.model.UpdateFlags, VelaAllUpdateFlags);
    EXPECT_EQ(s.SwitcherRequest.Active, 1);
    EXPECT_TRUE(s.HelmClientsActive);
    EXPECT_EQ(Client(c).PendingRequests, VelaAllUpdateFlags);
    EXPECT_TRUE(Shown("System Info Request"));

    // The full refresh goes to a Vela as it is; its reports answer everybody.
    Online();
    Client(c).PendingRequests = 0;
    Feed(c, InfoRequest(FullRefreshMask));
    EXPECT_EQ(SerialSent(), BuildInfoRequestVela(FullRefreshMask, NoneValue, 0));
    EXPECT_TRUE(Sent(c).empty());
    EXPECT_EQ(Client(c).PendingRequests, FullRefreshMask);
    EXPECT_TRUE(Shown("Helm Info Request"));
}

TEST_F(HelmRequests, TakesAreLoggedAndReachTheSwitcher)
{
    const int c = Connect();
    Feed(c, TakeFrame);
    EXPECT_TRUE(Shown("Take - In:0001-->Out:0002"));
    Feed(c, HelmFrame({0xFE, 0, 0, 0x7F, 0x7F, 1, 0}));
    EXPECT_TRUE(Shown("Turn Off:-->Out:0002"));
    Feed(c, HelmFrame({0xFE, 68, 0, 0, 0, 5, 0}));
    EXPECT_TRUE(Shown("Latch Relay:0006"));
    Feed(c, HelmFrame({0xFE, 37, 4, 2, 0, 3, 0, 0, 8}));  // with a level
    EXPECT_TRUE(Shown("Priority Sum On - In:0003-->Out:0004"));

    Feed(c, HelmFrame({0xFE, 4, 0, 0, 0, 1, 0, 0}));
    EXPECT_TRUE(ErrorLogged("Helm Message Length Error", "Take Command"));
    Feed(c, Raw({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0xFF}));
    EXPECT_TRUE(ErrorLogged("Helm Check Sum Error", "Take Command"));

    // Bit 10 of the take type means nothing to the other families.
    const Bytes flagged = HelmFrame({0xFE, 4, 8, 0, 0, 1, 0});
    EXPECT_EQ(ReadTakeCommand(flagged, SwitcherType::Orion).TakeType, 4);
    EXPECT_EQ(ReadTakeCommand(flagged, SwitcherType::Draco).TakeType, 4);
    EXPECT_EQ(ReadTakeCommand(flagged, SwitcherType::Vela).TakeType, 1028);

    Use(SwitcherType::Vela);
    rig.serial.opened = true;
    Feed(c, flagged);
    EXPECT_EQ(SerialSent(), flagged);
}

TEST_F(HelmRequests, PolledClientsGetTheirTakeAskedBackLater)
{
    const int c = Connect();
    const int other = Connect();
    Feed(c, HelmFrame({0xA4, 120, 0, 0, 0}));
    EXPECT_TRUE(Client(c).PolledUpdates);
    EXPECT_EQ(Client(c).UpdateMask, 66584572);
    EXPECT_TRUE(Shown("Notification Message"));

    const int restarts = rig.timers.restarts[static_cast<size_t>(TimerId::Led2)];
    Feed(c, TakeFrame);
    EXPECT_EQ(s.model.DeferredRequestFlags, 128);
    EXPECT_EQ(rig.timers.restarts[static_cast<size_t>(TimerId::Led2)], restarts + 1);
    EXPECT_EQ(rig.timers.interval[static_cast<size_t>(TimerId::Led2)], LedIntervalMs);
    Feed(c, HelmFrame({0xFE, 72, 0, 0, 0, 5, 0}));
    EXPECT_EQ(s.model.DeferredRequestFlags, 65536);

    // Broadcasts pass polled clients by.
    SendTakeToClients(s, 1, 0, 4);
    EXPECT_TRUE(Sent(c).empty());
    EXPECT_FALSE(Sent(other).empty());

    Feed(other, HelmFrame({0xFE, 4, 0, 0, 0, 1, 0}));
    EXPECT_EQ(s.model.DeferredRequestFlags, 65536);
}

TEST_F(HelmRequests, NoticesSetSupervisionAndAWrongLengthChangesNothing)
{
    const int c = Connect();
    Feed(c, HelmFrame({0xA4, 100, 0, 0, 0}));
    EXPECT_FALSE(Client(c).Supervised);
    Feed(c, HelmFrame({0xA4, 120, 0, 0, 0}));
    Feed(c, HelmFrame({0xA4, 110, 0, 1, 0, 7, 0}));
    EXPECT_TRUE(Client(c).Supervised);
    EXPECT_FALSE(Client(c).PolledUpdates);

    Feed(c, HelmFrame({0xA4, 100, 0, 2, 0, 7, 0}));
    EXPECT_TRUE(ErrorLogged("Message Length Error", "Notification Message"));
    EXPECT_TRUE(Client(c).Supervised);
    Feed(c, Raw({0xA4, 100, 0, 0, 0, 0x7F, 0xFF}));
    EXPECT_TRUE(ErrorLogged("Check Sum Error", "Notice Message"));
}

TEST_F(HelmRequests, SalvoExecuteAndModuleUpgrade)
{
    Use(SwitcherType::Vela);
    rig.serial.opened = true;
    const int c = Connect();
    const Bytes salvo = HelmFrame({0xEA, 4, 0, 0});
    Feed(c, salvo);
    EXPECT_TRUE(Shown("Salvo Execute Number 5"));
    EXPECT_EQ(SerialSent(), salvo);

    const Bytes upgrade = HelmFrame({0xA5, 2, 0, 0x11, 0x22});
    Feed(c, upgrade);
    EXPECT_TRUE(Shown("Received Module Upgrade"));
    EXPECT_EQ(SerialSent(), upgrade);
    EXPECT_TRUE(Client(c).PolledUpdates);
    EXPECT_TRUE(s.ModuleUpgradeActive);

    Feed(c, HelmFrame({0xA5, 9, 0, 0x11}));
    EXPECT_TRUE(ErrorLogged("Length Error", "Module Upgrade"));
    EXPECT_TRUE(SerialSent().empty());
}

}  // namespace
