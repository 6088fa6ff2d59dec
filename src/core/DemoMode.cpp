#include "core/DemoMode.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

namespace {

constexpr int DemoCount = 320;

std::vector<int> Identity(int n)
{
    std::vector<int> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = i;
    return v;
}

void SetPorts(CardRecord& Card, int Ports, int Channels, int TypeCode)
{
    Card.Present = 1;
    Card.Status = 1;
    Card.PortCount = static_cast<uint8_t>(Ports);
    for (int p = 0; p < Ports; ++p) {
        PortRecord& port = Card.Ports[static_cast<size_t>(p)];
        port.State = 1;
        port.Status = 1;
        port.ChannelCount = static_cast<uint8_t>(Channels);
        port.TypeCode = TypeCode;
        port.Channels.assign(static_cast<size_t>(Channels), ChannelRecord{1, {}, 1});
    }
}

// One Vela frame with a card of each kind: controller, inputs, outputs,
// inputs and outputs, and a card of control ports.
void FillVelaDemoFrame(FrameRecord& Frame)
{
    constexpr int UnspecifiedModule = 4999;
    constexpr int UnspecifiedPort = 5999;
    constexpr int ControllerPort = 2900;
    constexpr int SecondControllerPort = 2910;
    Frame = FrameRecord{};
    CardRecord& controller = Frame.Cards[0];
    controller.Flag = 1;
    controller.FrameStatus = 1;
    controller.Count = 5;
    SetPorts(controller, 2, 1, ControllerPort);
    controller.Ports[1].TypeCode = SecondControllerPort;
    SetPorts(Frame.Cards[1], 8, 2, UnspecifiedPort);   // inputs
    SetPorts(Frame.Cards[2], 8, 2, UnspecifiedPort);   // outputs
    SetPorts(Frame.Cards[3], 16, 2, UnspecifiedPort);  // 8 inputs, then 8 outputs
    SetPorts(Frame.Cards[4], 4, 1, NoneValue);         // control ports, nothing attached
    for (int c = 0; c < 5; ++c)
        Frame.Cards[static_cast<size_t>(c)].TypeCode = UnspecifiedModule;
}

}  // namespace

void LoadDemoData(Server& s)
{
    Trap(s, "Error Starting Demo Mode", "File Error", [&] {
        Model& m = s.model;
        if (!m.sized())
            return;  // pass-through keeps no model to fill
        LogSerialMessage(s, "Demo Mode", s.cfg.CommPort);
        m.NumSources = m.NumDestinations = m.NumRelays = m.NumOptos = DemoCount;
        ResizeVelaTables(m);
        m.SourceSortTable = m.DestinationSortTable = m.OptoSortTable = m.RelaySortTable = Identity(DemoCount);
        const bool vela = m.SwitcherType == TypeVela;
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
            // A Vela starts with nothing routed; the other families always
            // route something, source 0 here.
            x.SourceCount = vela ? 0 : 1;
            // Every output at unity gain, as a switcher reports it at start.
            x.TakeExtra = 1024;
            m.CrosspointMap[n] = x;
        }
        m.SourceAlphasRaw = m.SourceAlphas;
        m.DestinationAlphasRaw = m.DestinationAlphas;

        SizeConfigTable(m, 1);
        switch (m.SwitcherType) {
        case TypeOrion: FillOrionConfig(m.SwitcherConfig[0]); break;
        case TypeDraco: FillDracoConfig(m.SwitcherConfig[0]); break;
        default: FillVelaDemoFrame(m.SwitcherConfig[0]); break;
        }

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
        s.AwaitingSwitcher = false;
    });
}
