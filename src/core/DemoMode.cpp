#include "core/DemoMode.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

constexpr int DemoCount = 320;

void LoadDemoData(Server& s)
{
    Trap(s, "Error Starting Demo Mode", "File Error", [&] {
        Model& m = s.model;
        if (!m.sized())
            return;  // pass-through keeps no model to fill
        LogSerialMessage(s, "Demo Mode", s.cfg.CommPort);
        m.NumSources = m.NumDestinations = m.NumRelays = m.NumOptos = DemoCount;
        ResizeVelaTables(m);
        m.SourceSortTable = m.DestinationSortTable = m.OptoSortTable = m.RelaySortTable = IdentityOrder(DemoCount);
        const FamilyDescription& family = Family(m);
        for (int i = 0; i < DemoCount; ++i) {
            const size_t n = static_cast<size_t>(i);
            m.SourceAlphas[n] = "Inpt" + Digits(i + 1, 4);
            m.OptoAlphas[n] = "Opto" + Digits(i + 1, 4);
            m.SourceLinks[n] = 0;
            m.DestinationAlphas[n] = "Out" + Digits(i + 1, 4);
            m.RelayAlphas[n] = "Rlay" + Digits(i + 1, 4);
            m.DestinationLinks[n] = 0;
            m.InhibitMap.setText(n, std::string(DemoCount, '0'));
            CrosspointRecord x{};
            // Source 0 where the family always routes something, else nothing.
            x.SourceCount = family.DemoRoutesEveryOutput ? 1 : 0;
            // Every output at unity gain, as a switcher reports it at start.
            x.TakeExtra = 1024;
            m.CrosspointMap[n] = x;
        }
        m.SourceAlphasRaw = m.SourceAlphas;
        m.DestinationAlphasRaw = m.DestinationAlphas;

        SizeConfigTable(m, 1);
        family.FillDemoConfig(m.SwitcherConfig[0]);

        auto fillLists = [](std::vector<DisplayListRecord>& Lists, int Members) {
            Lists.assign(DisplayListCount, DisplayListRecord{});
            for (int i = 0; i < DisplayListCount; ++i) {
                Lists[static_cast<size_t>(i)].Name = "Display List " + Digits(i + 1, 3);
                Lists[static_cast<size_t>(i)].Members.assign(static_cast<size_t>(Members), EmptyDisplayMember);
            }
        };
        fillLists(m.SourceDisplayLists, m.NumSources / 8);
        fillLists(m.DestinationDisplayLists, m.NumDestinations / 8);

        m.ClockMode = 2;
        m.ClockSetting = 20;
        m.GainOffsets = {80, 80};
        m.UpdateFlags = 0;
        s.Link.StopAwaiting();
    });
}
