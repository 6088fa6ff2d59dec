#include "switcher/SwitcherFamily.h"

#include "model/Server.h"

// The family list: each table is defined in its own folder.
extern const SwitcherFamily VelaFamily, OrionFamily, DracoFamily;
static const SwitcherFamily* const Families[] = {&VelaFamily, &OrionFamily, &DracoFamily};

const SwitcherFamily* FamilyOf(SwitcherType Type)
{
    for (const SwitcherFamily* f : Families)
        if (f->Type == Type)
            return f;
    return nullptr;
}

const SwitcherFamily* ConfiguredFamily(const Server& s) { return FamilyOf(s.model.SwitcherType); }

namespace {

bool Capability(const Server& s, bool SwitcherFamily::*Flag)
{
    const SwitcherFamily* f = ConfiguredFamily(s);
    return f != nullptr && f->*Flag;
}

}  // namespace

bool HelmFramesPassUnchanged(const Server& s) { return Capability(s, &SwitcherFamily::HelmFramesPassUnchanged); }
bool CrosspointMapToEveryClient(const Server& s) { return Capability(s, &SwitcherFamily::CrosspointMapToEveryClient); }
bool TurnOffTakes(const Server& s) { return Capability(s, &SwitcherFamily::TurnOffTakes); }
bool ConsoleGainAndLinkCommands(const Server& s) { return Capability(s, &SwitcherFamily::ConsoleGainAndLinkCommands); }
