#pragma once
// An Orion server on fakes with Helm clients attached.
#include "switcher/SwitcherRig.h"
#include "switcher/orion/OrionFrames.h"

namespace orion_test {

using switcher_test::P;
using switcher_test::WithBadChecksum;

struct OrionRig : switcher_test::SwitcherRig {
    OrionRig() : SwitcherRig(SwitcherType::Orion) {}
    // Decodes until the buffer is empty, as the decode timer does.
    void feedAll(const Bytes& bytes)
    {
        server.SerialBuffer += bytes;
        drain();
    }
};

}  // namespace orion_test
