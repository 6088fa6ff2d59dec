#pragma once
// A server on fakes with Zolt consoles connected through the real accept path.
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "switcher/vela/ToVela.h"
#include "zolt/Zolt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

class ZoltTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;                  // keep every history line for the checks
        s.ZoltPrompt = "\x1B[2J\x1B[HHVN READY>";  // built at startup
        rig.serial.opened = true;
        Use(SwitcherType::Vela);
        s.Link.Answered();
        s.Link.AllTablesArrived();
    }

    void Use(SwitcherType Type)
    {
        s.model.SwitcherType = Type;
        SizeTablesForType(s.model);
    }
    // Accepts a console and forgets its greeting.
    int Connect(const std::string& Address = "10.1.1.1")
    {
        rig.sockets.pendingAddresses.push_back(Address);
        s.onConnectionRequest(Port::Zolt);
        for (int i = 1; i <= s.ZoltClients.SlotCount(); ++i)
            if (Console(i).Address == Address && rig.sockets.isConnected(Port::Zolt, i)) {
                Sent(i);
                return i;
            }
        return 0;
    }
    // Appends to the console's buffer and runs the parser until it stops making progress.
    void Feed(int Slot, const Bytes& Data)
    {
        Console(Slot).ReceiveBuffer += Data;
        for (size_t before = 0; !Console(Slot).ReceiveBuffer.empty() && before != Console(Slot).ReceiveBuffer.size();) {
            before = Console(Slot).ReceiveBuffer.size();
            DecodeConsoleMessage(s, Slot);
        }
    }
    // What the console was sent since the last call.
    Bytes Sent(int Slot)
    {
        Bytes all;
        all.swap(rig.sockets.conn(Port::Zolt, Slot).outbound);
        return all;
    }
    Bytes SerialSent()
    {
        Bytes all = rig.serial.written();
        rig.serial.writes.clear();
        return all;
    }
    Bytes TakeFrame(int Input, int Output, int Type, int Level = NoneValue)
    {
        return BuildTakeVela(Input, Output, Type, Level);
    }
    ZoltClient& Console(int Slot) { return s.ZoltClients[Slot]; }
    void Route(int Output, int Input)
    {
        CrosspointRecord& r = s.model.CrosspointMap.at(static_cast<size_t>(Output));
        r.Sources[0] = Input;
        r.SourceCount = Input < 0 ? 0 : 1;
    }
    bool ErrorLogged(const std::string& Text) const { return dir.read("Errorlog.txt").find(Text) != std::string::npos; }
    bool Shown(const std::string& Message) const
    {
        return std::any_of(rig.display.history.begin(), rig.display.history.end(),
                           [&](const auto& line) { return line.second == Message; });
    }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};

inline Bytes Ctrl(char Letter) { return Bytes(1, static_cast<char>(Letter - '@')); }
