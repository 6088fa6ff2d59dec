#include "switcher/vela/ToVela.h"

#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/vela/FromVela.h"

namespace {

// Demo mode answers the frame itself; otherwise it goes on the wire.
void SendOrLoopBack(Server& s, const Bytes& Frame)
{
    if (s.cfg.DemoMode)
        LoopBackToDecoder(s, Frame);
    else
        SendToSwitcher(s, Frame);
}

char Low7(int Value) { return static_cast<char>(Value & 127); }

}  // namespace

Bytes BuildInfoRequestVela(int64_t Mask, int First, int Last)
{
    const int64_t mask = Mask < 0 ? 0 : Mask;
    Bytes f("\xF2", 1);
    for (int shift = 0; shift <= 35; shift += 7)
        f += static_cast<char>((mask >> shift) & 127);
    AppendPair(f, First);
    AppendPair(f, Last);
    AppendChecksumAndEnd(f);
    return f;
}

void SendInfoRequestVela(Server& s, int64_t Mask, int First, int Last)
{
    Trap(s, "Error Sending Info Request", "Vela Error", [&] {
        const bool everything = Mask == 1;
        if (everything) {
            s.model.UpdateFlags = s.model.AllUpdateFlags;
            s.SwitcherRequest.Countdown = s.model.PollReload;
        }
        SendToSwitcher(s, BuildInfoRequestVela(Mask, First, Last));
        if (everything) {
            s.model.UpdateFlags = s.model.AllUpdateFlags;
            s.SwitcherRequest.Countdown = s.model.PollReload;
        } else {
            s.model.UpdateFlags |= Mask;
        }
    });
}

void SendPollVela(Server& s) { SendToSwitcher(s, Bytes("\xF5", 1)); }

Bytes BuildTakeVela(int Input, int Output, int& TakeType, int Level)
{
    if (TakeType == 0 || TakeType == 1)
        Input = NoneValue;
    if (Level != NoneValue)
        TakeType |= 512;
    Bytes f("\xFE", 1);
    AppendPair(f, TakeType);
    AppendPair(f, Input);
    AppendPair(f, Output);
    if (Level != NoneValue)
        AppendPair(f, Level);
    AppendChecksumAndEnd(f);
    return f;
}

void SendTakeVela(Server& s, int Input, int Output, int& TakeType, int Level)
{
    Trap(s, "Error Sending Take", "Switcher Command Error",
         [&] { SendOrLoopBack(s, BuildTakeVela(Input, Output, TakeType, Level)); });
}

void SendSalvoExecuteVela(Server& s, int Salvo)
{
    Trap(s, "Error Sending Salvo Execute", "Switcher Command Error", [&] {
        Bytes f("\xEA\x00", 2);
        AppendPair(f, Salvo);
        AppendChecksumAndEnd(f);
        SendToSwitcher(s, f);
    });
}

Bytes BuildGainVela(int Kind, int Value, int Index, int Value2, int Option)
{
    Bytes f("\xE3\x02", 2);
    f += Low7(Kind);
    f += Bytes("\x01\x00", 2);
    AppendPair(f, Index);
    AppendPair(f, Value);
    if (Value2 != NoneValue)
        AppendPair(f, Value2);
    if (Option != NoneValue)
        f += Low7(Option);
    AppendChecksumAndEnd(f);
    return f;
}

void SendGainVela(Server& s, int Kind, int Value, int Index, int Value2, int Option)
{
    Trap(s, "Error Sending Gain Message", "Switcher Message Error",
         [&] { SendOrLoopBack(s, BuildGainVela(Kind, Value, Index, Value2, Option)); });
}

void SendLinksVela(Server& s, int First, int Kind, const std::vector<int>& Links)
{
    Trap(s, "Error Sending Links", "Switcher Command Error", [&] {
        Bytes f("\xFA", 1);
        f += Low7(Kind);
        AppendPair(f, static_cast<long>(Links.size()));
        AppendPair(f, First);
        for (int link : Links)
            f += Low7(link);
        AppendChecksumAndEnd(f);
        if (s.cfg.DemoMode) {
            LoopBackToDecoder(s, f);
            return;
        }
        SendToSwitcher(s, f);
        SendInfoRequestVela(s, UpdateBit::SourceLinks | UpdateBit::DestinationLinks, NoneValue, 0);
    });
}

void SendTransitionControlVela(Server& s, const std::array<uint8_t, 4>& Settings, int Destination)
{
    Trap(s, "Error Sending Transition Control", "Switcher Command Error", [&] {
        Bytes f("\xD2\x0A\x01\x00", 4);
        AppendPair(f, Destination);
        f += '\x04';
        f += Low7(s.model.TransitionControl.at(static_cast<size_t>(Destination))[0]);
        f += Low7(Settings[3]);
        f += Low7(Settings[1]);
        f += Low7(Settings[2]);
        AppendChecksumAndEnd(f);
        SendOrLoopBack(s, f);
    });
}

extern const SwitcherFamily VelaFamily;
const SwitcherFamily VelaFamily = {
    .Type = SwitcherType::Vela,
    .Decode = DecodeVelaMessage,
    .SendTake = SendTakeVela,
    .SendSalvoExecute = SendSalvoExecuteVela,
    .RequestTables = SendInfoRequestVela,
    .RequestConfiguration = [](Server& s) { SendInfoRequestVela(s, UpdateBit::SystemInfo, NoneValue, 0); },
    .Poll = SendPollVela,
    .SendLink = SendLinksVela,
    .SendGain = SendGainVela,
    .SendTransitionControl = SendTransitionControlVela,
    .HelmFramesPassUnchanged = true,
    .TurnOffTakes = true,
    .ConsoleGainAndLinkCommands = true,
};
