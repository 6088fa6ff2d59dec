#include "core/Lifecycle.h"
#include "helm/HelmPort.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

namespace {

struct StartRig : TestRig {
    TempDir dir;
    explicit StartRig(const std::string& ini = "")
    {
        server.cfg.AppPath = dir.app();
        if (!ini.empty())
            dir.write("tcpserve.ini", "[CONFIGURATION]\r\n" + ini);
    }
    void second()
    {
        for (int i = 0; i < 4; ++i)
            server.onTimer(TimerId::Poll);
    }
};

}  // namespace

TEST(Startup, MissingConfigurationStartsAnOrionServerOnTheDefaults)
{
    StartRig rig;
    EXPECT_TRUE(StartServer(rig.server));
    EXPECT_EQ(rig.sockets.listening.at(Port::Helm), 1250);
    EXPECT_FALSE(rig.sockets.isListening(Port::Zolt));
    EXPECT_FALSE(rig.sockets.isListening(Port::Logitek));
    EXPECT_EQ(rig.server.model.SwitcherType, SwitcherType::Orion);
    EXPECT_EQ(rig.server.model.NumSources, 256);
    EXPECT_EQ(rig.serial.lastDevice, "/dev/ttyS0");
    EXPECT_EQ(rig.serial.lastSettings, "57600,n,8,1");
    EXPECT_TRUE(rig.server.Link.Awaiting());
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::Poll));
    EXPECT_EQ(rig.display.labels[Label::SerialStatus], "Router Serial Activity [COM 1 - 57600 Baud]");
    EXPECT_EQ(rig.display.labels[Label::RcvMsg], "Processing TCP/IP Message [Port 1250]");
    EXPECT_EQ(rig.display.labels[Label::CmdHistory], "Command History - [25 Items]");
    EXPECT_EQ(rig.display.toolTips[Label::SerialStatus], "Not Connected");
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_EQ(rig.server.ZoltPrompt, "\x1B[2J\x1B[HHVN READY>");
}

TEST(Startup, HelmPortsOutOfRangeListenOn1250)
{
    for (const char* port : {"0", "70000"}) {
        StartRig rig(std::string("TCP/IP Port=") + port + "\r\n");
        StartServer(rig.server);
        EXPECT_EQ(rig.sockets.listening.at(Port::Helm), 1250) << port;
    }
}

TEST(Startup, ABusyHelmPortStopsBeforeTheOtherPortsAndTheSerialPort)
{
    StartRig rig("Console IP Port=1200\r\nLogitek IP Port=1300\r\n");
    rig.sockets.refusePort = 1250;
    EXPECT_FALSE(StartServer(rig.server));
    ASSERT_EQ(rig.display.boxes.size(), 1u);
    EXPECT_EQ(rig.display.boxes[0].title, "IP Error");
    EXPECT_EQ(rig.display.boxes[0].text,
              "Error opening IP Port.  Port 1250 may already be in use.\rPlease verify this IP Port is available "
              "and restart the Server Module\ror select another IP Port from the setup screen.");
    EXPECT_FALSE(rig.sockets.isListening(Port::Zolt));
    EXPECT_EQ(rig.serial.openAttempts, 0);
    // Nor does the supervision open it later.
    for (int i = 0; i < 20; ++i)
        rig.second();
    EXPECT_EQ(rig.serial.openAttempts, 0);
}

TEST(Startup, BusyConsolePortsNameTheirOwnPortNumbers)
{
    StartRig rig("Logitek IP Port=1300\r\n");
    rig.sockets.refusePort = 1300;
    EXPECT_FALSE(StartServer(rig.server));
    ASSERT_EQ(rig.display.boxes.size(), 1u);
    EXPECT_NE(rig.display.boxes[0].text.find("Port 1300 may"), std::string::npos);
}

TEST(Startup, ADeviceChosenByNameIsWhatTheStatusLineAndTheErrorBoxName)
{
    StartRig rig("Serial Port=4\r\nSerial Device=/dev/ttyUSB0\r\n");
    rig.serial.openSucceeds = false;
    EXPECT_FALSE(StartServer(rig.server));
    EXPECT_EQ(rig.serial.lastDevice, "/dev/ttyUSB0");
    EXPECT_EQ(rig.display.labels[Label::SerialStatus], "Router Serial Activity [/dev/ttyUSB0 - 57600 Baud]");
    ASSERT_EQ(rig.display.boxes.size(), 1u);
    EXPECT_NE(rig.display.boxes[0].text.find("Serial Port.  /dev/ttyUSB0 may not exist"), std::string::npos);
}

TEST(Startup, AMissingSerialPortIsReportedAndTheNetworkKeepsServing)
{
    StartRig rig("Serial Port=4\r\n");
    rig.serial.openSucceeds = false;
    EXPECT_FALSE(StartServer(rig.server));
    ASSERT_EQ(rig.display.boxes.size(), 1u);
    EXPECT_EQ(rig.display.boxes[0].title, "Serial Error");
    EXPECT_EQ(rig.display.boxes[0].text.substr(0, 60), "Error opening Serial Port.  Com 4 may not exist or is alread");
    EXPECT_TRUE(rig.sockets.isListening(Port::Helm));
    rig.serial.openSucceeds = true;
    for (int i = 0; i < 3; ++i)
        rig.second();
    EXPECT_TRUE(rig.serial.isOpen());
    EXPECT_EQ(rig.display.boxes.size(), 1u);
}

TEST(Startup, DemoModeNeverOpensTheSerialPortAndStaysConnected)
{
    StartRig rig("Demo Mode=Yes\r\nSwitcher Type=Vela\r\n");
    rig.serial.openSucceeds = false;
    EXPECT_TRUE(StartServer(rig.server));
    EXPECT_EQ(rig.serial.openAttempts, 0);
    rig.second();
    rig.second();
    EXPECT_EQ(rig.serial.openAttempts, 0);
    EXPECT_TRUE(rig.server.Link.Answering());
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.server.Link.OnLine());
}

TEST(Startup, AnExistingStatusFileIsMarkedIncomplete)
{
    StartRig rig;
    rig.dir.write("Status.ndf", "\x01\x07");
    StartServer(rig.server);
    EXPECT_EQ(rig.dir.read("Status.ndf"), Bytes("\x00\x07", 2));
}

TEST(PollTimer, AwaitingVelaSwitcherIsAskedAsThePortOpensThenOnceASecond)
{
    StartRig rig("Switcher Type=Vela\r\n");
    ASSERT_TRUE(StartServer(rig.server));
    ASSERT_EQ(rig.serial.writes.size(), 1u);  // before the first tick
    EXPECT_EQ(rig.serial.writes[0], BasicInfoRequest);
    EXPECT_EQ(rig.server.model.UpdateFlags, VelaAllUpdateFlags);
    rig.second();
    rig.second();
    ASSERT_EQ(rig.serial.writes.size(), 3u);
    EXPECT_EQ(rig.serial.writes[1], BasicInfoRequest);
    EXPECT_EQ(rig.serial.writes[2], BasicInfoRequest);
}

TEST(PollTimer, KeepAliveOnceOnLineAndLinkLostAfterPollReloadSilentSeconds)
{
    StartRig rig("Switcher Type=Vela\r\n");
    ASSERT_TRUE(StartServer(rig.server));
    Server& s = rig.server;
    s.onSerialData(Wire({0xF4}));
    s.Link.StopAwaiting();
    s.model.UpdateFlags = 0;
    rig.serial.writes.clear();

    // Answered polls keep the link.
    for (int i = 0; i < 50; ++i) {
        rig.second();
        s.onSerialData(Wire({0xF4}));
    }
    EXPECT_EQ(rig.serial.writes.size(), 50u);
    EXPECT_EQ(rig.serial.writes[49], Wire({0xF5}));
    EXPECT_TRUE(s.Link.OnLine());
    EXPECT_TRUE(s.Link.Answering());

    // Silence: lost once the misses pass PollReload (40).
    for (int i = 0; i < 40; ++i)
        rig.second();
    EXPECT_TRUE(s.Link.Answering());
    rig.second();
    EXPECT_FALSE(s.Link.Answering());
    EXPECT_FALSE(s.Link.OnLine());
    EXPECT_TRUE(s.Link.Awaiting());
    EXPECT_EQ(rig.display.history.back().second, "Switcher Connection Lost");
    EXPECT_EQ(rig.display.toolTips[Label::SerialStatus], "Not Connected");
    // Back to asking for the basics.
    rig.serial.writes.clear();
    rig.second();
    EXPECT_EQ(rig.serial.writes.back(), BasicInfoRequest);
}

TEST(PollTimer, ModuleUpgradeSuspendsTheMissCount)
{
    StartRig rig("Switcher Type=Vela\r\n");
    StartServer(rig.server);
    Server& s = rig.server;
    SetSwitcherConnected(s, true);
    s.Link.StopAwaiting();
    s.model.UpdateFlags = 0;
    s.ModuleUpgradeActive = true;
    for (int i = 0; i < 60; ++i)
        rig.second();
    EXPECT_TRUE(s.Link.Answering());
}

TEST(PollTimer, PendingTablesAreRequestedWhenTheCountdownRunsOut)
{
    StartRig rig("Switcher Type=Vela\r\n");
    StartServer(rig.server);
    Server& s = rig.server;
    s.Link.StopAwaiting();
    s.SwitcherRequest.Countdown = 2;
    s.model.UpdateFlags = 4096;
    rig.serial.writes.clear();
    rig.second();
    EXPECT_TRUE(rig.serial.writes.empty());
    rig.second();
    ASSERT_EQ(rig.serial.writes.size(), 1u);
    EXPECT_EQ(rig.serial.writes[0].substr(0, 3), Wire({0xF2, 0x00, 0x20}));
    EXPECT_EQ(s.SwitcherRequest.Countdown, 40);

    // The serial-mode marker alone is not a table to wait for.
    s.model.UpdateFlags = UpdateBit::VelaSerialMode;
    rig.second();
    EXPECT_EQ(s.model.UpdateFlags, 0);
    EXPECT_TRUE(s.Link.OnLine());
}

TEST(PollTimer, PhasesRunOnceInFourTicks)
{
    StartRig rig("Switcher Type=Vela\r\n");
    StartServer(rig.server);
    rig.serial.writes.clear();
    for (int tick = 1; tick <= 8; ++tick) {
        rig.server.onTimer(TimerId::Poll);
        EXPECT_EQ(rig.serial.writes.size(), tick < 3 ? 0u : tick < 7 ? 1u : 2u) << tick;
    }
}

TEST(EnableDisable, DisablingClosesEverythingAndEnablingAsksForEveryTable)
{
    StartRig rig("Switcher Type=Vela\r\nConsole IP Port=1200\r\nMaintain ndf=Yes\r\n");
    ASSERT_TRUE(StartServer(rig.server));
    Server& s = rig.server;
    rig.dir.write("lxptmap.ndf", "x");
    s.onConnectionRequest(Port::Helm);
    SetSwitcherConnected(s, true);
    s.SerialBuffer = "pending";

    ToggleServerEnabled(s);
    EXPECT_FALSE(s.ServerEnabled);
    EXPECT_FALSE(rig.timers.isEnabled(TimerId::Poll));
    EXPECT_FALSE(rig.serial.isOpen());
    EXPECT_FALSE(rig.sockets.isListening(Port::Helm));
    EXPECT_FALSE(rig.sockets.isListening(Port::Zolt));
    EXPECT_EQ(s.HelmClients.SlotCount(), 0);
    EXPECT_EQ(s.HelmClients.Count, 0);
    EXPECT_TRUE(s.SerialBuffer.empty());
    EXPECT_FALSE(s.Link.Answering());
    EXPECT_EQ(rig.display.caption, "HVN Server Module - Disabled");
    EXPECT_EQ(rig.display.enableMenuCaption, "&Enable");
    EXPECT_FALSE(rig.dir.exists("lxptmap.ndf"));
    EXPECT_EQ(rig.dir.read("Status.ndf"), Bytes(1, '\0'));

    ToggleServerEnabled(s);
    EXPECT_TRUE(s.ServerEnabled);
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::Poll));
    EXPECT_TRUE(rig.serial.isOpen());
    EXPECT_TRUE(s.Link.Awaiting());
    EXPECT_TRUE(rig.sockets.isListening(Port::Helm));
    EXPECT_TRUE(rig.sockets.isListening(Port::Zolt));
    EXPECT_EQ(s.model.UpdateFlags, 133693436);
    EXPECT_EQ(rig.display.caption, "HVN Server Module - Vela Switcher - Serial Mode");
    EXPECT_EQ(rig.display.enableMenuCaption, "&Disable");
}

TEST(EnableDisable, ADisabledConsolePortStaysClosed)
{
    StartRig rig("Switcher Type=Vela\r\n");
    StartServer(rig.server);
    ToggleServerEnabled(rig.server);
    ToggleServerEnabled(rig.server);
    rig.server.model.UpdateFlags = 0;
    rig.server.Link.StopAwaiting();
    rig.second();
    EXPECT_TRUE(rig.server.Link.OnLine());
    EXPECT_FALSE(rig.sockets.isListening(Port::Zolt));
}

TEST(Shutdown, ClosesPortsWritesTheConfigurationAndLogsTheExit)
{
    StartRig rig("Switcher Type=Vela\r\nMaintain ndf=Yes\r\n");
    StartServer(rig.server);
    rig.server.onConnectionRequest(Port::Helm);
    SetSwitcherConnected(rig.server, true);
    ShutdownServer(rig.server);
    EXPECT_FALSE(rig.serial.isOpen());
    EXPECT_FALSE(rig.sockets.isListening(Port::Helm));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, 1));
    const std::string log = rig.dir.read("Eventlog.txt");
    const size_t disconnect = log.find("Switcher Disconnect");
    const size_t client = log.find("Client Disconnect", disconnect);
    const size_t exit = log.find("Server Module Exit", client);
    EXPECT_NE(disconnect, std::string::npos);
    EXPECT_NE(client, std::string::npos);
    EXPECT_NE(exit, std::string::npos);
    EXPECT_NE(rig.dir.read("tcpserve.ini").find("Switcher Type=Vela"), std::string::npos);
    EXPECT_EQ(rig.dir.read("Status.ndf"), Bytes(1, '\0'));
}
