#pragma once
// A server of one switcher family on fakes, its serial port open, with Helm
// clients attached through the real accept path. The family rigs add what
// is particular to them.
#include "helm/HelmPort.h"
#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"
#include "switcher/SerialLink.h"

#include <string>

namespace switcher_test {

// A number as the wire carries it: low 7 bits, then the rest.
inline Bytes P(int value) { return Wire({value & 127, value >> 7}); }
// The frame with its check byte (the one before FF) off by one.
inline Bytes WithBadChecksum(Bytes f)
{
    f[f.size() - 2] = static_cast<char>((f[f.size() - 2] + 1) & 127);
    return f;
}

// Offline: nothing received from the switcher yet. Online: the switcher on
// line and the link up, as startup and the first answer leave them.
enum class Link { Offline, Online };

struct SwitcherRig : TestRig {
    TempDir dir;
    explicit SwitcherRig(SwitcherType Type, Link State = Link::Online)
    {
        server.cfg.AppPath = dir.app();
        server.model.SwitcherType = Type;
        if (State == Link::Online)
            SizeConfigTable(server.model, 1);  // as startup does
        SizeTablesForType(server.model);
        serial.opened = true;
        if (State == Link::Online) {
            server.Link.Answered();
            server.Link.AllTablesArrived();
        }
    }
    // A logged-in Helm client of the given type, its greeting already read.
    int connect(int type = HelmPcClientType)
    {
        server.onConnectionRequest(Port::Helm);
        const int slot = server.HelmClients.SlotCount();
        client(slot).LoggedIn = true;
        client(slot).ClientType = type;
        out(slot).clear();
        return slot;
    }
    ClientRecord& client(int slot) { return server.HelmClients[slot]; }
    Bytes& out(int slot) { return sockets.conn(Port::Helm, slot).outbound; }
    // As if the switcher had sent the bytes: one decoder call.
    void feed(const Bytes& bytes)
    {
        server.SerialBuffer += bytes;
        DecodeSwitcherMessage(server);
    }
    // Decoder calls until the buffer is empty, as the decode timer makes them.
    void drain()
    {
        for (int guard = 0; !server.SerialBuffer.empty() && guard < 100000; ++guard)
            DecodeSwitcherMessage(server);
    }
    // What the server wrote to the switcher, and forgetting it.
    Bytes sent() const { return serial.written(); }
    void clearSent() { serial.writes.clear(); }
    // A software error line with this location that ends in Message.
    bool errorLogged(const std::string& message, const std::string& location) const
    {
        return ErrorLogHas(dir.read("Errorlog.txt"), message, location);
    }
};

}  // namespace switcher_test
