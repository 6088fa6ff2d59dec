#include "HelmRig.h"

namespace {

class HelmDecoder : public HelmTest {
protected:
    void SetUp() override
    {
        HelmTest::SetUp();
        Use(SwitcherType::Orion);
    }
};

const Bytes PasswordRequest = Raw({0xF2, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xFF});

Bytes PasswordFrame(const std::string& Password)
{
    Bytes f = Raw({0x80, 0x00, static_cast<int>(Password.size())});
    f += Password;
    AppendChecksumAndEnd(f);
    return f;
}

TEST_F(HelmDecoder, FramesAreCutAtTheirCommandByteAndTheirEnd)
{
    const int c = Connect();
    // Leading data bytes are dropped; the rest is one (too short) take frame.
    Feed(c, Raw({0x05, 0x06, 0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF}));
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());
    EXPECT_TRUE(ErrorLogged("Helm Message Length Error", "Take Command"));

    // A frame cut short by a new command byte: decoding goes on at that byte.
    Feed(c, Raw({0xFE, 0x01, 0x02, 0xFA, 0x01, 0x05, 0x06, 0xFF}));
    EXPECT_TRUE(ErrorLogged("Incomplete Message FE", "Helm"));
    EXPECT_TRUE(ErrorLogged("Helm Message Length Error", "Destination Links"));
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());

    // No end byte yet: the bytes wait.
    Feed(c, Raw({0xFE, 0x01, 0x02}));
    EXPECT_EQ(Client(c).ReceiveBuffer, Raw({0xFE, 0x01, 0x02}));

    Client(c).ReceiveBuffer.clear();
    Feed(c, HelmFrame({0xC0, 0x05}));
    EXPECT_TRUE(ErrorLogged("Unknown Command C0", "127.0.0.1"));
}

TEST_F(HelmDecoder, BeforeLoginOnlyLoginPasswordAndCrosspointFramesAreRead)
{
    Use(SwitcherType::Vela);
    rig.serial.opened = true;
    s.onConnectionRequest(Port::Helm);
    const int c = s.HelmClients.SlotCount();
    Sent(c);
    Feed(c, Raw({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF}));
    for (int tick = 0; tick < 10 && !Client(c).ReceiveBuffer.empty(); ++tick)
        DecodeHelmMessage(s, c);
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());
    EXPECT_TRUE(SerialSent().empty());

    Feed(c, Raw({0xF5}));
    EXPECT_TRUE(Sent(c).empty());

    // A crosspoint map before login is noted and dropped.
    Use(SwitcherType::Orion);
    const Bytes map = HelmFrame({0xF6, 0, 1, 0, 5, 0, 1, 0, 0, 3, 0, 0, 8});
    Feed(c, map);
    EXPECT_TRUE(Shown("Crosspoint Map Ignored - Not Logged In"));
    EXPECT_EQ(s.model.CrosspointMap[5].Sources[0], 0);

    Feed(c, HelmFrame({0x81, 120, 0}));
    Feed(c, map);
    EXPECT_TRUE(Shown("Received Crosspoint Map"));
    EXPECT_EQ(s.model.CrosspointMap[5].Sources[0], 3);
    EXPECT_EQ(s.model.CrosspointMap[5].Levels[0], 1024);
}

TEST_F(HelmDecoder, KeepAliveIsAnsweredReadyOnlyOnceTheSwitcherHasAnswered)
{
    const int c = Connect();
    Client(c).SilentTicks = 30;
    s.Link.Await();
    Feed(c, Raw({0xF5}));
    EXPECT_EQ(Sent(c), Raw({0xF1}));
    EXPECT_EQ(Client(c).SilentTicks, 0);

    Online();
    Feed(c, Raw({0xF5}));
    EXPECT_EQ(Sent(c), Raw({0xF4}));

    Client(c).SilentTicks = 30;
    Feed(c, Raw({0xF4}));
    EXPECT_TRUE(Sent(c).empty());
    EXPECT_EQ(Client(c).SilentTicks, 0);
}

TEST_F(HelmDecoder, LoginTypesAndPasswords)
{
    const int helm = Connect(0);
    Feed(helm, Raw({0x81, 0x78, 0x78, 0xFF}));
    EXPECT_TRUE(Client(helm).LoggedIn);
    EXPECT_EQ(Client(helm).ClientType, 120);
    EXPECT_TRUE(Shown("Helm Connection"));

    s.cfg.HelmPassword = "Secret";
    s.cfg.PanelPassword = "Panel";
    const int guarded = Connect(0);
    Feed(guarded, Raw({0x81, 0x78, 0x78, 0xFF}));
    EXPECT_FALSE(Client(guarded).LoggedIn);
    EXPECT_EQ(Sent(guarded), PasswordRequest);
    Feed(guarded, PasswordFrame("secret"));  // case matters
    EXPECT_FALSE(Client(guarded).LoggedIn);
    EXPECT_EQ(Sent(guarded), PasswordRequest);
    Feed(guarded, PasswordFrame("Secret"));
    EXPECT_TRUE(Client(guarded).LoggedIn);
    EXPECT_TRUE(Shown("Correct Password"));

    const int console = Connect(0);
    Feed(console, Raw({0x81, 0x16, 0x01, 0x17, 0xFF}));
    EXPECT_EQ(Client(console).ClientType, 150);
    EXPECT_TRUE(Client(console).LoggedIn);
    EXPECT_TRUE(Shown("Console Connection"));

    const int panel = Connect(0);
    Feed(panel, HelmFrame({0x81, 131 & 127, 1}));
    EXPECT_EQ(Sent(panel), PasswordRequest);
    EXPECT_TRUE(Shown("Spruce SoftPanel Connection"));

    const int odd = Connect(0);
    Feed(odd, Raw({0x81, 0x78, 0x77, 0xFF}));
    EXPECT_TRUE(ErrorLogged("Helm Check Sum Error", "Login Message"));
    EXPECT_EQ(Client(odd).ClientType, NoClientType);
    Feed(odd, HelmFrame({0x81, 122, 0}));
    EXPECT_TRUE(Shown("Unknown Connection Request"));
    EXPECT_FALSE(Client(odd).LoggedIn);
}

TEST_F(HelmDecoder, ThreeWrongPasswordsOrACancelCloseTheConnection)
{
    s.cfg.HelmPassword = "Secret";
    const int c = Connect(0);
    Feed(c, HelmFrame({0x81, 120, 0}));
    Sent(c);
    const int before = s.HelmClients.Count;
    Feed(c, PasswordFrame("one"));
    Feed(c, PasswordFrame("two"));
    EXPECT_EQ(Sent(c), PasswordRequest + PasswordRequest);
    Feed(c, PasswordFrame("three"));
    EXPECT_TRUE(Sent(c).empty());
    EXPECT_TRUE(Shown("Incorrect Password"));
    EXPECT_TRUE(Shown("Client Disconnected"));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, c));
    EXPECT_FALSE(Client(c).Connected);
    EXPECT_EQ(s.HelmClients.Count, before - 1);

    const int cancel = Connect(0);
    Feed(cancel, HelmFrame({0x81, 120, 0}));
    Feed(cancel, PasswordFrame(""));
    EXPECT_TRUE(Shown("Connection Cancelled"));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, cancel));

    // A malformed answer only repeats the question.
    const int sloppy = Connect(0);
    Feed(sloppy, HelmFrame({0x81, 120, 0}));
    Sent(sloppy);
    Feed(sloppy, HelmFrame({0x80, 0x00, 0x09, 0x41}));
    EXPECT_EQ(Sent(sloppy), PasswordRequest);
    EXPECT_EQ(Client(sloppy).PasswordFailures, 0);
}

TEST_F(HelmDecoder, DemoSwitcherAnswersOnlyWhenItPlaysAVela)
{
    s.cfg.DemoMode = true;
    const int c = Connect();
    const Bytes take = Raw({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF});
    Feed(c, take);
    EXPECT_TRUE(Shown("Take - In:0001-->Out:0002"));

    rig.display.history.clear();
    Use(SwitcherType::Vela);
    Feed(c, take);
    // The simulated switcher answers: its report is shown, not the client's command.
    ASSERT_EQ(rig.display.history.size(), 1u);
    EXPECT_EQ(rig.display.history[0],
              std::make_pair(std::string("Switcher COM1"), std::string("Take - In:0001-->Out:0002")));
    // Requests and notices are still the server's own business.
    Feed(c, HelmFrame({0xA4, 120, 0, 0, 0}));
    EXPECT_TRUE(Client(c).PolledUpdates);
}

TEST_F(HelmDecoder, HostileBuffersEndQuicklyAndChangeNothing)
{
    const int c = Connect();
    const auto before = s.model.CrosspointMap;

    Client(c).ReceiveBuffer.assign(1 << 20, '\x01');
    DecodeHelmMessage(s, c);
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());
    EXPECT_NE(Errors().find("Buffer Overflow"), std::string::npos);

    // One long frame of data bytes: read in one pass.
    Bytes big(1, '\xF6');
    big += Bytes(700000, '\x01');
    big += '\xFF';
    Feed(c, big);
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());
    EXPECT_TRUE(ErrorLogged("Check Sum Error", "Crosspoint Map"));

    // Many cut-short frames: each call works off a bounded number of them.
    s.cfg.MaintainErrorLog = false;
    Bytes flood;
    for (int i = 0; i < 20000; ++i)
        flood += Raw({0xF6, 0x01});
    flood += '\xFF';
    Client(c).ReceiveBuffer = flood;
    int calls = 0;
    while (!Client(c).ReceiveBuffer.empty() && calls < 5000) {
        DecodeHelmMessage(s, c);
        ++calls;
    }
    EXPECT_TRUE(Client(c).ReceiveBuffer.empty());
    EXPECT_GT(calls, 1);
    EXPECT_EQ(s.model.CrosspointMap.size(), before.size());
    for (size_t d = 0; d < before.size(); ++d)
        EXPECT_EQ(s.model.CrosspointMap[d].Sources, before[d].Sources);
}

}  // namespace
