#include "support/Fakes.h"
#include "support/WireBytes.h"
#include "switcher/SerialLink.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

namespace {

using LinkRig = vela_test::OfflineVelaRig;

}  // namespace

TEST(SerialReceive, ChunksAreCollectedAndTheFirstByteMarksTheSwitcherConnected)
{
    LinkRig rig;
    Server& s = rig.server;
    s.Link.Await();
    for (int i = 0; i < 7; ++i)
        s.Link.CountMiss();
    OnSerialData(s, Wire({0x05, 0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF}));
    EXPECT_EQ(s.SerialBuffer, Wire({0x05, 0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF}));
    EXPECT_FALSE(s.Link.Awaiting());
    EXPECT_EQ(s.Link.Misses(), 0);
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::SerialDecode));
    EXPECT_TRUE(rig.display.lamps[static_cast<size_t>(Lamp::Serial)]);
    ASSERT_FALSE(rig.display.history.empty());
    EXPECT_EQ(rig.display.history.back(),
              std::make_pair(std::string("Switcher COM1"), std::string("Switcher Connection")));
    // Only the first byte after the wait is announced.
    s.onSerialData(Wire({0x10}));
    EXPECT_EQ(rig.display.history.size(), 1u);
}

TEST(SerialReceive, AKeepAliveAnswerLosesOnlyItsOwnByte)
{
    LinkRig rig;
    Server& s = rig.server;
    s.ModuleUpgradeActive = true;
    s.onSerialData(Wire({0xF4}));
    EXPECT_TRUE(s.SerialBuffer.empty());
    EXPECT_TRUE(s.Link.Answering());
    EXPECT_FALSE(s.ModuleUpgradeActive);
    EXPECT_EQ(rig.display.toolTips[Label::SerialStatus], "Connected");

    OnSerialData(s, Wire({0xF4, 0xFE, 0x01, 0xFF}));
    EXPECT_EQ(s.SerialBuffer, Wire({0xFE, 0x01, 0xFF}));
    // An F4 inside a chunk is data for the decoder.
    OnSerialData(s, Wire({0x01, 0xF4}));
    EXPECT_EQ(s.SerialBuffer, Wire({0xFE, 0x01, 0xFF, 0x01, 0xF4}));
}

TEST(SerialReceive, PassThroughForwardsToEveryHelmClientOnce)
{
    LinkRig rig;
    Server& s = rig.server;
    s.cfg.PassThru = true;
    s.model.SwitcherType = SwitcherType::PassThru;
    s.HelmClients.Records.resize(3);
    rig.sockets.accept(Port::Helm, 1);
    rig.sockets.accept(Port::Helm, 2);
    s.onSerialData(Wire({0xF4, 0x81, 0x05}));
    s.onSerialData(Wire({0x22}));
    EXPECT_TRUE(s.SerialBuffer.empty());
    EXPECT_EQ(rig.sockets.conn(Port::Helm, 1).outbound, Wire({0xF4, 0x81, 0x05, 0x22}));
    EXPECT_EQ(rig.sockets.conn(Port::Helm, 2).outbound, Wire({0xF4, 0x81, 0x05, 0x22}));
}

TEST(SerialReceive, ErrorEventsAreLoggedWithTheirTexts)
{
    LinkRig rig;
    rig.server.onSerialError(SerialReceiveOverflowError);
    rig.server.onSerialError(SerialOverrunError);
    rig.server.onSerialError(1004);
    const std::string log = rig.dir.read("Errorlog.txt");
    EXPECT_NE(log.find("Serial Port Receive Buffer Overflow"), std::string::npos);
    EXPECT_NE(log.find("Serial Port Overrun"), std::string::npos);
    EXPECT_NE(log.find("Serial Port Error #1004"), std::string::npos);
    EXPECT_NE(log.find("Serial Error"), std::string::npos);
}

TEST(SerialDecodeRound, AnUnfinishedMessageWaitsWithoutSpinningAndIsDiscardedWhenIdle)
{
    LinkRig rig;
    Server& s = rig.server;
    s.NoteTraffic();
    s.onSerialData(Wire({0xFE, 0x01, 0x02}));
    rig.timers.now += 100;
    s.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(s.SerialBuffer.size(), 3u);
    // Nothing to do until the discard is due: the timer sleeps until then.
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::SerialDecode));
    EXPECT_GT(rig.timers.interval[static_cast<size_t>(TimerId::SerialDecode)], 350);

    rig.timers.now += 401;
    s.onTimer(TimerId::SerialDecode);
    EXPECT_TRUE(s.SerialBuffer.empty());
    EXPECT_FALSE(rig.timers.isEnabled(TimerId::SerialDecode));
}

TEST(SerialDecodeRound, AfterAStallWholeFramesAreDecodedAndTheHeadGetsItsOwnIdleTime)
{
    LinkRig rig;
    Server& s = rig.server;
    const Bytes frame = Wire({0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF});
    s.NoteTraffic();
    s.onSerialData(frame + frame + Wire({0xFE, 0x01}));
    // The loop was held up long past the idle time before the first tick.
    rig.timers.now += 5000;
    for (int tick = 0; tick < 3 && s.SerialBuffer.size() > 2; ++tick)
        s.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(s.SerialBuffer, Wire({0xFE, 0x01}));
    // The unfinished head waits its own idle time from here, and its rest may still come.
    rig.timers.now += 400;
    s.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(s.SerialBuffer, Wire({0xFE, 0x01}));
    rig.timers.now += 101;
    s.onTimer(TimerId::SerialDecode);
    EXPECT_TRUE(s.SerialBuffer.empty());
}

TEST(SerialDecodeRound, TrafficOnAnyPortPostponesTheDiscard)
{
    LinkRig rig;
    Server& s = rig.server;
    s.NoteTraffic();
    s.onSerialData(Wire({0xFE, 0x01}));
    rig.timers.now += 400;
    s.NoteTraffic();  // a client spoke
    rig.timers.now += 400;
    s.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(s.SerialBuffer.size(), 2u);
}

TEST(SerialDecodeRound, NoiseNeverGrowsTheBufferBeyondItsCap)
{
    LinkRig rig;
    Server& s = rig.server;
    const Bytes noise(100000, '\x11');
    for (int i = 0; i < 3; ++i)
        OnSerialData(s, noise);
    s.onTimer(TimerId::SerialDecode);
    EXPECT_TRUE(s.SerialBuffer.empty());
    EXPECT_NE(rig.dir.read("Errorlog.txt").find("Buffer Overflow"), std::string::npos);
}

TEST(SerialSend, LongMessagesGoOutInPiecesAndAClosedPortDropsThem)
{
    LinkRig rig;
    SendToSwitcher(rig.server, Bytes(16384, 'a'));
    EXPECT_EQ(rig.serial.writes.size(), 1u);
    rig.serial.writes.clear();
    SendToSwitcher(rig.server, Bytes(16385, 'a'));
    ASSERT_EQ(rig.serial.writes.size(), 2u);
    EXPECT_EQ(rig.serial.writes[1].size(), 1u);
    rig.serial.writes.clear();
    SendToSwitcher(rig.server, Bytes(40000, 'a'));
    ASSERT_EQ(rig.serial.writes.size(), 3u);
    EXPECT_EQ(rig.serial.writes[2].size(), 7232u);

    rig.serial.writes.clear();
    rig.serial.opened = false;
    SendToSwitcher(rig.server, Bytes(10, 'a'));
    EXPECT_TRUE(rig.serial.writes.empty());
}

TEST(SerialPortSupervision, AFailedPortIsReopenedAndOnlyTheFirstFailureReported)
{
    LinkRig rig;
    Server& s = rig.server;
    rig.serial.opened = false;
    rig.serial.openSucceeds = false;
    s.SerialPortWanted = true;
    s.cfg.SerialDevice = "/dev/ttyUSB7";
    for (int tick = 0; tick < 36; ++tick)
        SuperviseSerialPort(s);
    EXPECT_EQ(rig.serial.openAttempts, 3);
    const std::string log = rig.dir.read("Errorlog.txt");
    const size_t first = log.find("Error opening Serial Port /dev/ttyUSB7");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Error opening Serial Port", first + 1), std::string::npos);

    rig.serial.openSucceeds = true;
    for (int tick = 0; tick < 12; ++tick)
        SuperviseSerialPort(s);
    EXPECT_TRUE(rig.serial.isOpen());
    EXPECT_EQ(rig.serial.lastSettings, "57600,n,8,1");
    EXPECT_TRUE(s.Link.Awaiting());
}

TEST(SerialPortSupervision, DeviceNamesFollowTheComPortUnlessGiven)
{
    LinkRig rig;
    rig.server.cfg.CommPort = 3;
    EXPECT_EQ(SerialDevicePath(rig.server), "/dev/ttyS2");
    rig.server.cfg.SerialDevice = "/dev/pts/9";
    EXPECT_EQ(SerialDevicePath(rig.server), "/dev/pts/9");
}
