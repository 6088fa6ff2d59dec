#pragma once
// A Draco server on fakes with Helm clients attached, and frame builders.
#include "switcher/SwitcherRig.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"

#include <vector>

namespace draco_test {

using switcher_test::WithBadChecksum;

// A frame of 16-bit values as a Draco sends it, its check byte the 7-bit sum of the values.
inline Bytes Values(unsigned char command, const std::vector<int>& values)
{
    return BuildValuesFrameDraco(command, values);
}

// Switcher on line, every table received, port open, nothing sent yet.
struct DracoRig : switcher_test::SwitcherRig {
    DracoRig() : SwitcherRig(SwitcherType::Draco) { server.model.UpdateFlags = 0; }
    // Lets the queue timer run once, Ms after now.
    void after(long long ms)
    {
        timers.now += ms;
        if (timers.on[static_cast<size_t>(TimerId::SwitcherQueue)])
            server.onTimer(TimerId::SwitcherQueue);
    }
};

}  // namespace draco_test
