#pragma once
// A server on fakes, a Vela switcher on line outside demo mode, with Logitek
// consoles connected through the real accept path.
#include "logitek/Logitek.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

#include <string>

inline const Bytes StartRequest = Wire({0x01, 0x03, 0x00, 0x02, 0x03, 0xF0, 0x01, 0x06});

// A console-to-server channel message: header, 02, L, Command, Data.
inline Bytes Channel(unsigned char Command, std::initializer_list<int> Data)
{
    return LogitekMessage(Bytes("\x01\x03\x00", 3), Command, Wire(Data));
}

class LogitekTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;
        s.LogitekHeader = Bytes("\x01\x03\x00", 3);  // built at startup
        rig.serial.opened = true;
        s.model.SwitcherType = SwitcherType::Vela;
        SizeTablesForType(s.model);
        Size(32, 32);
        s.Link.Answered();
        s.Link.AllTablesArrived();
    }

    void Size(int Sources, int Destinations)
    {
        s.model.NumSources = Sources;
        s.model.NumDestinations = Destinations;
        ResizeVelaTables(s.model);
    }
    // Accepts a console and forgets its greeting.
    int Connect(const std::string& Address = "10.1.1.1")
    {
        rig.sockets.pendingAddresses.push_back(Address);
        s.onConnectionRequest(Port::Logitek);
        for (int i = 1; i <= s.LogitekClients.SlotCount(); ++i)
            if (Console(i).Address == Address && rig.sockets.isConnected(Port::Logitek, i)) {
                Sent(i);
                return i;
            }
        return 0;
    }
    // A console that has been started and loaded, with what it was sent forgotten.
    int Started(const std::string& Address = "10.1.1.1")
    {
        const int slot = Connect(Address);
        Feed(slot, StartRequest);
        Sent(slot);
        SerialSent();
        return slot;
    }
    // Appends to the console's buffer and decodes until no progress is made.
    void Feed(int Slot, const Bytes& Data)
    {
        Console(Slot).ReceiveBuffer += Data;
        for (size_t before = 0; !Console(Slot).ReceiveBuffer.empty() && before != Console(Slot).ReceiveBuffer.size();) {
            before = Console(Slot).ReceiveBuffer.size();
            DecodeLogitekMessage(s, Slot);
        }
    }
    Bytes Sent(int Slot)
    {
        Bytes all;
        all.swap(rig.sockets.conn(Port::Logitek, Slot).outbound);
        return all;
    }
    Bytes SerialSent()
    {
        Bytes all = rig.serial.written();
        rig.serial.writes.clear();
        return all;
    }
    LogitekClient& Console(int Slot) { return s.LogitekClients[Slot]; }
    bool ErrorLogged(const std::string& Text) const { return dir.read("Errorlog.txt").find(Text) != std::string::npos; }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};
