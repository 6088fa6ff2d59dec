#pragma once
// A Vela server on fakes with Helm clients attached.
#include "switcher/SwitcherRig.h"
#include "switcher/vela/FromVela.h"

namespace vela_test {

using switcher_test::P;
using switcher_test::WithBadChecksum;

// Before anything is received from the switcher.
struct OfflineVelaRig : switcher_test::SwitcherRig {
    OfflineVelaRig() : SwitcherRig(SwitcherType::Vela, switcher_test::Link::Offline) {}
};

struct VelaRig : switcher_test::SwitcherRig {
    VelaRig() : SwitcherRig(SwitcherType::Vela) {}
};

}  // namespace vela_test
