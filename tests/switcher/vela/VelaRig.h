#pragma once
// A Vela server on fakes with Helm clients attached, and frame builders.
#include "helm/HelmPort.h"
#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"
#include "switcher/vela/FromVela.h"

#include <initializer_list>
#include <string>

namespace vela_test {

// A number as the wire carries it: low 7 bits, then the rest.
inline Bytes P(int value) { return Wire({value & 127, value >> 7}); }
inline Bytes WithBadChecksum(Bytes f)
{
    f[f.size() - 2] = static_cast<char>((f[f.size() - 2] + 1) & 127);
    return f;
}

// A Vela server on fakes with its serial port open, before anything is
// received from the switcher.
struct OfflineVelaRig : TestRig {
    TempDir dir;
    OfflineVelaRig()
    {
        server.cfg.AppPath = dir.app();
        server.model.SwitcherType = TypeVela;
        SizeTablesForType(server.model);
        serial.opened = true;
    }
};

struct VelaRig : TestRig {
    TempDir dir;
    VelaRig()
    {
        server.cfg.AppPath = dir.app();
        server.model.SwitcherType = TypeVela;
        SizeConfigTable(server.model, 1);  // as startup does
        SizeTablesForType(server.model);
        serial.opened = true;
        server.SwitcherOnline = true;
        server.SwitcherLink.Connected = 1;
    }
    // A logged-in Helm client of the given type, its greeting already read.
    int connect(int type = 120)
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
        DecodeVelaMessage(server);
    }
    // A software error line with this location that ends in Message.
    bool errorLogged(const std::string& message, const std::string& location) const
    {
        return ErrorLogHas(dir.read("Errorlog.txt"), message, location);
    }
};

}  // namespace vela_test
