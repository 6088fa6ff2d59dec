#pragma once
// An Orion server on fakes with Helm clients attached.
#include "switcher/SerialLink.h"
#include "switcher/orion/OrionFrames.h"
#include "switcher/vela/VelaRig.h"

namespace orion_test {

using vela_test::P;
using vela_test::WithBadChecksum;

struct OrionRig : vela_test::VelaRig {
    OrionRig()
    {
        server.model.SwitcherType = SwitcherType::Orion;
        SizeTablesForType(server.model);
    }
    // As if the switcher had sent the bytes: one decoder call.
    void feed(const Bytes& bytes)
    {
        server.SerialBuffer += bytes;
        DecodeSwitcherMessage(server);
    }
    // Decodes until the buffer is empty, as the decode timer does.
    void feedAll(const Bytes& bytes)
    {
        server.SerialBuffer += bytes;
        for (int guard = 0; !server.SerialBuffer.empty() && guard < 100000; ++guard)
            DecodeSwitcherMessage(server);
    }
};

}  // namespace orion_test
