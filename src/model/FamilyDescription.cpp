#include "model/FamilyDescription.h"

namespace {

void SetPorts(CardRecord& Card, int First, int Last, uint8_t Channels, int TypeCode)
{
    for (int p = First; p <= Last; ++p) {
        PortRecord& port = Card.Ports[static_cast<size_t>(p)];
        port.ChannelCount = Channels;
        port.TypeCode = TypeCode;
        port.Channels.assign(Channels, ChannelRecord{});
    }
}

// Frame 0 of an Orion: 15 cards of 8 ports, four module slots and the
// controller card with its 6 ports.
void FillOrionConfig(FrameRecord& Frame)
{
    Frame = FrameRecord{};
    Frame.Cards[0].Flag = 1;
    Frame.Cards[0].Count = 21;
    for (int c = 1; c <= 15; ++c) {
        Frame.Cards[static_cast<size_t>(c)].PortCount = 8;
        SetPorts(Frame.Cards[static_cast<size_t>(c)], 0, 7, 2, 5999);
    }
    for (int c = 16; c <= 19; ++c) {
        Frame.Cards[static_cast<size_t>(c)].Present = 1;
        Frame.Cards[static_cast<size_t>(c)].TypeCode = 4999;
    }
    CardRecord& controller = Frame.Cards[20];
    controller.Present = 1;
    controller.PortCount = 6;
    for (int p = 1; p <= 5; ++p) {
        controller.Ports[static_cast<size_t>(p)].ChannelCount = 4;
        controller.Ports[static_cast<size_t>(p)].Channels.assign(4, ChannelRecord{});
    }
}

// A Draco is one card with its 16 control ports.
void FillDracoConfig(FrameRecord& Frame)
{
    Frame = FrameRecord{};
    CardRecord& card = Frame.Cards[0];
    card.Flag = 1;
    card.Count = 1;
    card.Present = 1;
    card.PortCount = 16;
    SetPorts(card, 0, 15, 2, NoneValue);
}

// A card of the demo frame, every port and channel present and in order.
void SetDemoPorts(CardRecord& Card, int Ports, int Channels, int TypeCode)
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
    SetDemoPorts(controller, 2, 1, ControllerPort);
    controller.Ports[1].TypeCode = SecondControllerPort;
    SetDemoPorts(Frame.Cards[1], 8, 2, UnspecifiedPort);   // inputs
    SetDemoPorts(Frame.Cards[2], 8, 2, UnspecifiedPort);   // outputs
    SetDemoPorts(Frame.Cards[3], 16, 2, UnspecifiedPort);  // 8 inputs, then 8 outputs
    SetDemoPorts(Frame.Cards[4], 4, 1, NoneValue);         // control ports, nothing attached
    for (int c = 0; c < 5; ++c)
        Frame.Cards[static_cast<size_t>(c)].TypeCode = UnspecifiedModule;
}

const FamilyDescription Vela{
    .Type = SwitcherType::Vela,
    .Name = "Vela",
    .Caption = "HVN Server Module - Vela Switcher - Serial Mode",
    .DemoCaption = "HVN Server Module - Vela Switcher - Demo Mode",
    .SetupCaption = "HVN Server Module - Vela Switcher - Serial Mode",
    .ConsoleName = "Vela",
    .SetupName = "Vela Serial",
    .Channels = 512,
    .RelaysAndOptos = 512,
    .Templates = 256,
    .ButtonsPerTemplate = 64,
    .NoTemplate = 256,
    .PollReload = 40,
    .AllUpdateFlags = VelaAllUpdateFlags,
    .EnableUpdateFlags = VelaAllUpdateFlags | UpdateBit::VelaSerialMode,
    .FillDemoConfig = FillVelaDemoFrame,
    .OwnNameOrder = true,
};

const FamilyDescription Orion{
    .Type = SwitcherType::Orion,
    .Name = "Orion",
    .Caption = "HVN Server Module - Orion Switcher",
    .DemoCaption = "HVN Server Module - Orion Switcher - Demo Mode",
    .SetupCaption = "HVN Server Module - Orion Switcher",
    .ConsoleName = "Orion",
    .SetupName = "Orion",
    .FixedTables = true,
    .Channels = 256,
    .RelaysAndOptos = 256,
    .Templates = 64,
    .ButtonsPerTemplate = 64,
    .NoTemplate = 64,
    .PollReload = 1500,
    .AllUpdateFlags = OrionAllUpdateFlags,
    .EnableUpdateFlags = OrionAllUpdateFlags,
    // An Orion without relay or opto cards never reports their states.
    .UnansweredFlags = UpdateBit::RelayStates | UpdateBit::OptoStates,
    .FillConfig = FillOrionConfig,
    .FillDemoConfig = FillOrionConfig,
    .DemoRoutesEveryOutput = true,
    .ByteNdfFiles = true,
    .SendsTemplateAssignments = true,
};

const FamilyDescription Draco{
    .Type = SwitcherType::Draco,
    .Name = "Draco",
    .Caption = "HVN Server Module - Draco Switcher",
    .DemoCaption = "HVN Server Module - Draco Switcher - Demo Mode",
    .SetupCaption = "HVN Server Module - Draco Switcher",
    // Consoles asking a Draco server for its type get an empty line.
    .ConsoleName = "",
    .SetupName = "Draco",
    .BaudRate = "19200",
    .FixedTables = true,
    .Channels = 32,
    .RelaysAndOptos = 0,  // a Draco reports none
    .Templates = 32,
    .ButtonsPerTemplate = 32,
    .NoTemplate = 64,
    .PollReload = 15,
    .AllUpdateFlags = DracoAllUpdateFlags,
    .EnableUpdateFlags = DracoAllUpdateFlags,
    .FillConfig = FillDracoConfig,
    .FillDemoConfig = FillDracoConfig,
    .DemoRoutesEveryOutput = true,
    .SendsTemplateAssignments = true,
};

const FamilyDescription PassThru{
    .Type = SwitcherType::PassThru,
    .Name = "PassThru",
    .Caption = "HVN Server Module - Pass Thru Mode",
    .DemoCaption = "HVN Server Module - Pass Thru Mode",
    .SetupCaption = "HVN Server Module - Pass Thru Mode ",
    .ConsoleName = "PassThru Mode",
    .SetupName = "Pass Thru",
    .KeepsModel = false,
};

// A Lyra is not served: the server runs an Orion in its place.
const FamilyDescription Lyra = [] {
    FamilyDescription lyra = Orion;
    lyra.Name = "Lyra";
    lyra.Served = false;
    lyra.Caption = "HVN Server Module - Lyra Switcher";
    lyra.DemoCaption = "HVN Server Module - Lyra Switcher - Demo Mode";
    return lyra;
}();

const FamilyDescription* const Served[] = {&Vela, &Orion, &Draco, &PassThru};

}  // namespace

const FamilyDescription& Describe(SwitcherType Type)
{
    for (const FamilyDescription* f : Served)
        if (f->Type == Type)
            return *f;
    return PassThru;
}

const FamilyDescription* FamilyNamed(const std::string& Name)
{
    for (const FamilyDescription* f : {&Vela, &Orion, &Draco, &PassThru, &Lyra})
        if (Name == f->Name)
            return f;
    return nullptr;
}
