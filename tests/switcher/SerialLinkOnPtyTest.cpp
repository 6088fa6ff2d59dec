// The serial link with the real Qt port and timers on a pseudo-terminal.
#include "core/Lifecycle.h"
#include "platform/QtLoop.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTimers.h"
#include "support/Fakes.h"
#include "support/Pty.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"
#include "switcher/SerialLink.h"
#include "switcher/ToSwitcher.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct PtyRig {
    PtyRig()
    {
        QtApp();
        RouteServer(server);
        serial.setHandler(&server);
        timers.setHandler(&server);
        server.cfg.AppPath = dir.app();
        server.cfg.SerialDevice = pty.path();
        server.model.SwitcherType = SwitcherType::Vela;
        SizeTablesForType(server.model);
        std::string error;
        opened = OpenSerialPort(server, error);
    }
    TempDir dir;
    Pty pty;
    HeadlessDisplay display;
    FakeSockets sockets;
    QtSerialPort serial;
    QtTimers timers;
    FakeWebServer web;
    Server server{Platform{display, sockets, serial, timers, web}};
    bool opened = false;
};

}  // namespace

TEST(SerialLinkOnPty, RequestsAndTakesLeaveAsTheirFrames)
{
    PtyRig rig;
    ASSERT_TRUE(rig.opened);
    RequestSwitcherTables(rig.server, 128, NoneValue, 0);
    int type = 4;
    SendTakeToSwitcher(rig.server, 0, 9, type, NoneValue);
    // Opening the port asked for the basics at once.
    const Bytes expected = BasicInfoRequest +
                           Wire({0xF2, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0xFF}) +
                           Wire({0xFE, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00, 0x0D, 0xFF});
    Bytes got;
    SpinUntil([&] {
        got += rig.pty.readFor(10);
        return got.size() >= expected.size();
    });
    EXPECT_EQ(got, expected);
}

TEST(SerialLinkOnPty, AnsweredKeepAlivesKeepTheLinkOnceOnLine)
{
    PtyRig rig;
    ASSERT_TRUE(rig.opened);
    Server& s = rig.server;
    rig.timers.enable(TimerId::Poll, PollIntervalMs);
    rig.pty.send(Wire({0xF4}));
    ASSERT_TRUE(SpinUntil([&] { return s.Link.Answering(); }));
    s.model.UpdateFlags = 0;

    // Each poll is answered, as a switcher does.
    Bytes polls;
    SpinUntil(
        [&] {
            const Bytes got = rig.pty.readFor(10);
            polls += got;
            if (got.find('\xF5') != Bytes::npos)
                rig.pty.send(Wire({0xF4}));
            return false;
        },
        3300);
    const auto count = std::count(polls.begin(), polls.end(), '\xF5');
    EXPECT_GE(count, 2);
    EXPECT_LE(count, 4);
    EXPECT_TRUE(s.Link.Answering());
    EXPECT_TRUE(s.Link.OnLine());
    EXPECT_LE(s.Link.Misses(), 1);  // at most the answer to the last poll is on its way
}
