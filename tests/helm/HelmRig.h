#pragma once
// A server on fakes with Helm clients connected through the real accept path.
#include "helm/FromHelm.h"
#include "helm/HelmPort.h"
#include "helm/ToHelm.h"
#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

// A frame from its command and data bytes, with checksum and FF.
inline Bytes HelmFrame(std::initializer_list<int> CommandAndData)
{
    Bytes f;
    for (int b : CommandAndData)
        f += static_cast<char>(b);
    AppendChecksumAndEnd(f);
    return f;
}

inline Bytes Raw(std::initializer_list<int> bytes)
{
    Bytes f;
    for (int b : bytes)
        f += static_cast<char>(b);
    return f;
}

class HelmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;  // keep every history line for the checks
    }

    void Use(SwitcherType Type)
    {
        s.model.SwitcherType = Type;
        SizeTablesForType(s.model);
    }
    // The switcher has reported and the link is up: table replies may go out.
    void Online()
    {
        s.Link.StopAwaiting();
        s.Link.Answered();
        s.Link.AllTablesArrived();
    }
    // Accepts a client; with a Type, logs it in with that type (no passwords set).
    int Connect(int Type = HelmPcClientType)
    {
        s.onConnectionRequest(Port::Helm);
        const int slot = s.HelmClients.SlotCount();
        if (Type != 0)
            Feed(slot, HelmFrame({0x81, Type & 127, Type >> 7}));
        Sent(slot);
        return slot;
    }
    void Feed(int Slot, const Bytes& Data)
    {
        s.HelmClients[Slot].ReceiveBuffer += Data;
        DecodeHelmMessage(s, Slot);
    }
    // What the client was sent since the last call.
    Bytes Sent(int Slot)
    {
        Bytes& out = rig.sockets.conn(Port::Helm, Slot).outbound;
        Bytes all;
        all.swap(out);
        return all;
    }
    Bytes SerialSent()
    {
        Bytes all = rig.serial.written();
        rig.serial.writes.clear();
        return all;
    }
    ClientRecord& Client(int Slot) { return s.HelmClients[Slot]; }
    bool Shown(const std::string& Message) const
    {
        return std::any_of(rig.display.history.begin(), rig.display.history.end(),
                           [&](const auto& line) { return line.second == Message; });
    }
    std::string Errors() const { return dir.read("Errorlog.txt"); }
    bool ErrorLogged(const std::string& Text, const std::string& Location) const
    {
        for (const std::string& line : CrLfLines(Errors()))
            if (line.size() > 60 && line.substr(60) == Text &&
                line.substr(24, 36) == Location + std::string(36 - Location.size(), ' '))
                return true;
        return false;
    }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};
