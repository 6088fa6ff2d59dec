#pragma once
// A Draco server on fakes with Helm clients attached, and frame builders.
#include "helm/HelmPort.h"
#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"

#include <string>
#include <vector>

namespace draco_test {

// A frame of 16-bit values as a Draco sends it, its check byte the 7-bit sum of the values.
inline Bytes Values(unsigned char command, const std::vector<int>& values)
{
    return BuildValuesFrameDraco(command, values);
}
inline Bytes WithBadChecksum(Bytes f)
{
    f[f.size() - 2] = static_cast<char>((f[f.size() - 2] + 1) & 127);
    return f;
}

// Switcher on line, every table received, port open, nothing sent yet.
struct DracoRig : TestRig {
    TempDir dir;
    DracoRig()
    {
        server.cfg.AppPath = dir.app();
        server.model.SwitcherType = TypeDraco;
        SizeConfigTable(server.model, 1);
        SizeTablesForType(server.model);
        server.model.UpdateFlags = 0;
        serial.opened = true;
        server.SwitcherOnline = true;
        server.SwitcherLink.Connected = 1;
    }
    int connect(int type = 120)
    {
        server.onConnectionRequest(Port::Helm);
        const int slot = server.HelmClients.SlotCount();
        server.HelmClients[slot].LoggedIn = true;
        server.HelmClients[slot].ClientType = type;
        out(slot).clear();
        return slot;
    }
    Bytes& out(int slot) { return sockets.conn(Port::Helm, slot).outbound; }
    // One decoder call on what the switcher sent.
    void feed(const Bytes& bytes)
    {
        server.SerialBuffer += bytes;
        DecodeDracoMessage(server);
    }
    // Decoder calls until the buffer is empty (at most Calls).
    void drain(int calls = 100)
    {
        while (!server.SerialBuffer.empty() && calls-- > 0)
            DecodeDracoMessage(server);
    }
    Bytes sent() const { return serial.written(); }
    void clearSent() { serial.writes.clear(); }
    // Lets the queue timer run once, Ms after now.
    void after(long long ms)
    {
        timers.now += ms;
        if (timers.on[static_cast<size_t>(TimerId::SwitcherQueue)])
            server.onTimer(TimerId::SwitcherQueue);
    }
    bool errorLogged(const std::string& message, const std::string& location) const
    {
        return ErrorLogHas(dir.read("Errorlog.txt"), message, location);
    }
};

}  // namespace draco_test
